#pragma once

#include <QLineEdit>
#include <QString>
#include <QVector>

#include <functional>

class QMenu;

namespace tallwick::ui {

// A code with its name, one item of a code pop-up (a row of CT_LevelCode, CT_state, ...).
struct TCode {
    int code = 0;
    QString name;
};
using TMenuItemDataArray = QVector<TCode>;

// A read-only box that shows a name and holds its code; the drop-down button, Alt+Down and F4
// ask for the code pop-up, which the owner opens with ShowCodeMenu.
class CodePickerBox : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int code READ code WRITE setCode NOTIFY codeChanged)
  public:
    static constexpr int kNoCode = -1;

    explicit CodePickerBox(QWidget* parent = nullptr);

    int code() const { return code_; }
    void setCode(int code);

  signals:
    void codeChanged(int code);
    void dropDownRequested();

  protected:
    // F4 stays the box's own key where the window uses F4 for something else.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int code_ = kNoCode;
};

// Opens the code pop-up for `box` with one checkable item per code, the box's code checked.
// Choosing an item puts its name and code into the box and then calls `chosen` (may be empty)
// with the code; dismissing the menu changes nothing. Returns the menu, which the box owns and
// reuses.
QMenu* ShowCodeMenu(CodePickerBox* box, const TMenuItemDataArray& codes,
                    const std::function<void(int)>& chosen = {});

}  // namespace tallwick::ui
