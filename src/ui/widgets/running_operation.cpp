#include "widgets/running_operation.h"

#include "widgets/message_box.h"

#include <QWidget>

namespace tallwick::ui {
namespace {

int runningCount = 0;

void Enter() {
    if (runningCount++ == 0) emit RunningOperationSignals::Instance().changed(true);
}

void Leave() {
    if (--runningCount == 0) emit RunningOperationSignals::Instance().changed(false);
}

}  // namespace

RunningOperation::RunningOperation() {
    Enter();
}

RunningOperation::RunningOperation(QWidget* progressWindow) : progressWindow_(progressWindow) {
    Enter();
    if (progressWindow_) progressWindow_->show();
}

RunningOperation::~RunningOperation() {
    HideProgress();
    Leave();
}

void RunningOperation::HideProgress() const {
    if (progressWindow_) progressWindow_->hide();
}

bool RunningOperation::Any() {
    return runningCount > 0;
}

RunningOperationSignals& RunningOperationSignals::Instance() {
    static RunningOperationSignals instance;
    return instance;
}

bool RefuseWhileOperationRuns(QWidget* parent) {
    if (!RunningOperation::Any()) return false;
    ShowMessage(QString::fromUtf8(kOperationRunning), parent);
    return true;
}

}  // namespace tallwick::ui
