#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>

class QLabel;
class QPushButton;

namespace tallwick::ui {

// Which buttons a question offers; combine with |.
enum QuestionFlag : int { kAskYes = 1, kAskNo = 2, kAskYesToAll = 4, kAskNoToAll = 8 };

// What AskQuestion returns.
enum QuestionAnswer : int {
    kAnswerCancel = 2,  // the close box
    kAnswerYes = 6,
    kAnswerNo = 7,
    kAnswerNoToAll = 9,
    kAnswerYesToAll = 10,
};

inline constexpr int kQuestionToolBarWidth = 297;  // with all four buttons
inline constexpr int kQuestionButtonWidth = 74;
inline constexpr int kQuestionToolBarHeight = 30;

// The tool bar's width for `flags`: each hidden button takes its width away.
int QuestionToolBarWidth(int flags);

// The dialog's inner size around a label at `label` and a tool bar of `toolBar`: wide enough for
// the label plus a margin and for half as much again as the tool bar, and half a tool bar's
// height below the label.
QSize QuestionDialogSize(const QRect& label, const QSize& toolBar);

// TQuestionDlg: a yes/no question with optional answers for all remaining items.
class TQuestionDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TQuestionDlg(QWidget* parent = nullptr);

    // Puts in the text, shows the buttons of `flags` and lays the dialog out, without showing it.
    void Prepare(const QString& text, int flags);

    QPushButton* Button(QuestionFlag flag) const;
    QWidget* ToolBar() const { return toolBar_; }
    QLabel* Label() const { return label_; }

    void reject() override;  // the close box and Esc answer kAnswerCancel

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* label_ = nullptr;
    QWidget* toolBar_ = nullptr;
    QPushButton* buttons_[4] = {};
};

// Asks modally in a new dialog and returns one of QuestionAnswer.
int AskQuestion(const QString& text, int flags, QWidget* parent = nullptr);

}  // namespace tallwick::ui
