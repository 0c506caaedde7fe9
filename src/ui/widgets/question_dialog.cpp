#include "widgets/question_dialog.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

#include <algorithm>

namespace tallwick::ui {
namespace {

// In tool bar order.
struct ButtonInfo {
    QuestionFlag flag;
    QuestionAnswer answer;
    const char16_t* caption;
    QStyle::StandardPixmap icon;
};
constexpr ButtonInfo kButtons[4] = {
    {kAskYes, kAnswerYes, u"是", QStyle::SP_DialogYesButton},
    {kAskYesToAll, kAnswerYesToAll, u"全都是", QStyle::SP_DialogYesButton},
    {kAskNo, kAnswerNo, u"否", QStyle::SP_DialogNoButton},
    {kAskNoToAll, kAnswerNoToAll, u"全都否", QStyle::SP_DialogNoButton},
};

constexpr QPoint kLabelTopLeft(16, 16);
constexpr int kMaxLabelWidth = 560;  // longer lines wrap

}  // namespace

int QuestionToolBarWidth(int flags) {
    int width = kQuestionToolBarWidth;
    for (const ButtonInfo& info : kButtons) {
        if ((flags & info.flag) == 0) width -= kQuestionButtonWidth;
    }
    return width;
}

QSize QuestionDialogSize(const QRect& label, const QSize& toolBar) {
    // floor(1.5 × n) for non-negative n
    const int width = std::max(label.left() + label.width() + 25, toolBar.width() * 3 / 2);
    const int height = toolBar.height() * 3 / 2 + label.top() + label.height();
    return {width, height};
}

TQuestionDlg::TQuestionDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("提示信息"));
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);

    toolBar_ = new QWidget(this);
    auto* layout = new QHBoxLayout(toolBar_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch();  // the spare pixel stays left of the buttons
    for (int i = 0; i < 4; ++i) {
        const ButtonInfo& info = kButtons[i];
        auto* button = new QPushButton(style()->standardIcon(info.icon),
                                       QString::fromUtf16(info.caption), toolBar_);
        button->setFixedSize(kQuestionButtonWidth, kQuestionToolBarHeight);
        const int answer = info.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] { done(answer); });
        layout->addWidget(button);
        buttons_[i] = button;
    }
}

void TQuestionDlg::Prepare(const QString& text, int flags) {
    for (int i = 0; i < 4; ++i) buttons_[i]->setVisible((flags & kButtons[i].flag) != 0);
    const QSize toolBar(QuestionToolBarWidth(flags), kQuestionToolBarHeight);
    toolBar_->setFixedSize(toolBar);

    label_->setText(text);
    const QFontMetrics metrics(label_->font());
    const int natural =
        metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::TextExpandTabs, text).width();
    const int width = std::clamp(natural + 1, 1, kMaxLabelWidth);
    const QRect label(kLabelTopLeft, QSize(width, label_->heightForWidth(width)));
    label_->setGeometry(label);

    const QSize inner = QuestionDialogSize(label, toolBar);
    setFixedSize(inner);
    toolBar_->move(inner.width() - toolBar.width(), inner.height() - toolBar.height());
}

QPushButton* TQuestionDlg::Button(QuestionFlag flag) const {
    for (int i = 0; i < 4; ++i) {
        if (kButtons[i].flag == flag) return buttons_[i];
    }
    return nullptr;
}

void TQuestionDlg::reject() {
    done(kAnswerCancel);
}

void TQuestionDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && screen() != nullptr) {
        move(screen()->availableGeometry().center() - rect().center());
    }
}

int AskQuestion(const QString& text, int flags, QWidget* parent) {
    TQuestionDlg dialog(parent);
    dialog.Prepare(text, flags);
    return dialog.exec();
}

}  // namespace tallwick::ui
