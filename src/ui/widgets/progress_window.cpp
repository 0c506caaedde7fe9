#include "widgets/progress_window.h"

#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace tallwick::ui {

ProgressLines ProgressTexts(int ticks, int done, int total) {
    const int remaining = std::max(total - done, 0);
    ProgressLines lines;
    if (ticks > 50 && done > 0) {
        // Integer ceilings: a real-valued ticks / done * remaining can land a hair above a whole
        // number and add a second.
        lines.estimateTicks = (static_cast<long long>(ticks) * remaining + done - 1) / done;
        lines.left = QStringLiteral("已完成 %1 用时%2秒").arg(done).arg(ticks / 10);
        lines.right =
            QStringLiteral("待完成 %1 尚需%2秒").arg(remaining).arg((lines.estimateTicks + 9) / 10);
    } else {
        lines.left = QStringLiteral("已完成 %1").arg(done);
        lines.right = QStringLiteral("待完成 %1").arg(remaining);
    }
    return lines;
}

// The animated picture beside the bar: a ring of dots whose bright dot moves on every tick.
class TProgressBarForm::Spinner : public QWidget {
  public:
    explicit Spinner(QWidget* parent) : QWidget(parent) { setFixedSize(24, 24); }
    void Advance() {
        step_ = (step_ + 1) % kDots;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(width() / 2.0, height() / 2.0);
        for (int dot = 0; dot < kDots; ++dot) {
            const int age = (step_ - dot + kDots) % kDots;
            QColor colour = palette().color(QPalette::Highlight);
            colour.setAlphaF(1.0f - static_cast<float>(age) / kDots);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.save();
            painter.rotate(360.0 * dot / kDots);
            painter.drawEllipse(QPointF(0, -8), 2.5, 2.5);
            painter.restore();
        }
    }

  private:
    static constexpr int kDots = 8;
    int step_ = 0;
};

TProgressBarForm::TProgressBarForm(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    // While an operation runs nothing else that reads or changes the records may start: the
    // operation keeps the windows painted, and this window takes every click meanwhile.
    setWindowModality(Qt::ApplicationModal);
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setFixedWidth(400);
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    spinner_ = new Spinner(this);
    leftLine_ = new QLabel;
    leftLine_->setObjectName(QStringLiteral("leftLine"));
    rightLine_ = new QLabel;
    rightLine_->setObjectName(QStringLiteral("rightLine"));
    rightLine_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    leftLine_->hide();
    rightLine_->hide();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("正在处理：")), 0, 0, 1, 2);
    layout->addWidget(bar_, 1, 0, 1, 2);
    layout->addWidget(spinner_, 1, 2);
    layout->addWidget(leftLine_, 2, 0);
    layout->addWidget(rightLine_, 2, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, &TProgressBarForm::Tick);
}

void TProgressBarForm::InitProgress(int total, int done) {
    total_ = total;
    done_ = done;
    // A range of 0..0 would turn the bar into a busy indicator.
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(std::clamp(done, 0, bar_->maximum()));
    const ProgressLines lines = ProgressTexts(0, done, total);
    leftLine_->setText(lines.left);
    rightLine_->setText(lines.right);
    leftLine_->show();
    rightLine_->show();
    ticks_ = 0;
    estimateTicks_ = -1;
    timer_->start();
}

void TProgressBarForm::IncProgress() {
    ++done_;
    bar_->setValue(std::clamp(done_, 0, bar_->maximum()));
    bar_->repaint();
}

bool TProgressBarForm::IsTiming() const {
    return timer_->isActive();
}

void TProgressBarForm::Tick() {
    ++ticks_;
    const ProgressLines lines = ProgressTexts(ticks_, done_, total_);
    if (lines.estimateTicks >= 0) estimateTicks_ = lines.estimateTicks;
    leftLine_->setText(lines.left);
    rightLine_->setText(lines.right);
    spinner_->Advance();
    if (done_ >= total_) timer_->stop();  // the lines keep their last texts
}

void TProgressBarForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && screen() != nullptr) {
        move(screen()->availableGeometry().center() - rect().center());
    }
}

void TProgressBarForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    leftLine_->hide();
    rightLine_->hide();
    timer_->stop();
}

}  // namespace tallwick::ui
