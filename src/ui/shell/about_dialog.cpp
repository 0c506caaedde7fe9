#include "shell/about_dialog.h"

#include "shell/startup.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace tallwick::ui {

AboutDialog::AboutDialog(bool asSplash, std::function<void()> markAllClean, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog),
      markAllClean_(std::move(markAllClean)) {
    setFixedSize(550, 300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 36, 40, 24);

    name_ = new QLabel(QStringLiteral("Tallwick"));
    QFont nameFont = name_->font();
    nameFont.setPointSize(30);
    nameFont.setBold(true);
    name_->setFont(nameFont);
    name_->setStyleSheet(QStringLiteral("color: #1f3d7a;"));
    name_->installEventFilter(this);
    layout->addWidget(name_);

    auto* authority = new QLabel(QStringLiteral("基层以上工会年度统计调查数据处理软件"));
    QFont authorityFont = authority->font();
    authorityFont.setPointSize(12);
    authority->setFont(authorityFont);
    layout->addWidget(authority);
    layout->addStretch(1);
    layout->addWidget(new QLabel(QStringLiteral("开发单位：Marrowind")));
    auto* link = new QLabel(
        QStringLiteral("<a href=\"https://tallwick.example.org\">tallwick.example.org</a>"));
    link->setOpenExternalLinks(true);
    layout->addWidget(link);
    layout->addWidget(
        new QLabel(QStringLiteral("版本：1.0 (Build %1)").arg(TALLWICK_BUILD_NUMBER)));

    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(10);
    progress_->setVisible(asSplash);
    layout->addWidget(progress_);

    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &AboutDialog::Tick);
    if (asSplash) timer_.start();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void AboutDialog::Tick() {
    progress_->setValue(std::min(100, progress_->value() + 2));
    if (progress_->value() >= 100) {
        timer_.stop();
        accept();
    }
}

void AboutDialog::mousePressEvent(QMouseEvent*) {
    accept();
}

void AboutDialog::mouseDoubleClickEvent(QMouseEvent*) {
    accept();
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == name_ && event->type() == QEvent::MouseButtonDblClick) {
        const auto modifiers =
            static_cast<QMouseEvent*>(event)->modifiers() &
            (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
        if (modifiers == kServiceModifiers && markAllClean_) markAllClean_();
        accept();
        return true;
    }
    if (watched == name_ && event->type() == QEvent::MouseButtonPress) {
        // A press on the name may be the start of the service gesture's double click.
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient background(0, 0, width(), height());
    background.setColorAt(0, QColor(236, 243, 252));
    background.setColorAt(1, QColor(196, 214, 240));
    painter.fillRect(rect(), background);
    painter.setPen(QColor(120, 150, 200));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tallwick::ui
