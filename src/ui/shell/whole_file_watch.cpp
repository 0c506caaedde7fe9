#include "shell/whole_file_watch.h"

#include "store/whole_file_check.h"
#include "widgets/running_operation.h"

#include <QMetaObject>
#include <QPointer>

namespace tallwick::ui {

WholeFileWatch::WholeFileWatch(std::filesystem::path working, QObject* parent)
    : QObject(parent), working_(std::move(working)) {
    connect(&RunningOperationSignals::Instance(), &RunningOperationSignals::changed, this,
            [this](bool running) {
                if (running) {
                    Pause();
                } else if (started_ && !done_) {
                    Start();
                }
            });
}

WholeFileWatch::~WholeFileWatch() {
    Pause();
}

void WholeFileWatch::Start() {
    started_ = true;
    if (done_ || thread_.joinable() || RunningOperation::Any()) return;
    check_ = std::make_unique<WholeFileCheck>(working_);
    thread_ = std::thread([this, check = check_.get()] {
        const auto finding = check->Run();
        if (!finding) return;  // paused: started again when the operation ends
        QMetaObject::invokeMethod(
            this, [this, text = QString::fromStdString(*finding)] { Finish(text); },
            Qt::QueuedConnection);
    });
}

void WholeFileWatch::Pause() {
    if (check_) check_->Stop();
    if (thread_.joinable()) thread_.join();
    check_.reset();
}

void WholeFileWatch::Finish(const QString& finding) {
    if (done_) return;
    // A check started again meanwhile would only repeat what this one read.
    Pause();
    done_ = true;
    emit finished(finding);
}

}  // namespace tallwick::ui
