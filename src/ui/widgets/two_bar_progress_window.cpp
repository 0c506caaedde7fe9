#include "widgets/two_bar_progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace tallwick::ui {
namespace {

QProgressBar* NewBar(const QString& objectName) {
    auto* bar = new QProgressBar;
    bar->setObjectName(objectName);
    bar->setFixedWidth(400);
    bar->setTextVisible(false);
    bar->setRange(0, 1);
    bar->setValue(0);
    return bar;
}

void Init(QProgressBar* bar, int total) {
    // A range of 0..0 would turn the bar into a busy indicator.
    bar->setRange(0, std::max(total, 1));
    bar->setValue(0);
    bar->repaint();
}

void Inc(QProgressBar* bar) {
    bar->setValue(std::min(bar->value() + 1, bar->maximum()));
    bar->repaint();
}

}  // namespace

TProgressBar2LineForm::TProgressBar2LineForm(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowModality(Qt::ApplicationModal);  // as the one-bar window: one operation at a time
    setWindowTitle(QStringLiteral("操作进度指示"));
    first_ = NewBar(QStringLiteral("firstBar"));
    second_ = NewBar(QStringLiteral("secondBar"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("总进度：")));
    layout->addWidget(first_);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("当前任务进度：")));
    layout->addWidget(second_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TProgressBar2LineForm::InitFirst(int total) {
    Init(first_, total);
}
void TProgressBar2LineForm::InitSecond(int total) {
    Init(second_, total);
}
void TProgressBar2LineForm::IncFirst() {
    Inc(first_);
}
void TProgressBar2LineForm::IncSecond() {
    Inc(second_);
}

void TProgressBar2LineForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && screen() != nullptr) {
        move(screen()->availableGeometry().center() - rect().center());
    }
}

}  // namespace tallwick::ui
