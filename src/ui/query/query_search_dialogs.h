#pragma once

#include <SQLiteCpp/Database.h>

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QHBoxLayout;
class QRadioButton;
class QPushButton;

namespace tallwick::ui {

class CodePickerBox;
class RecordListView;

// Shows the query result list for a condition text such as "where c901>=1", modally. An error
// while opening it (a condition the engine cannot run) propagates.
using ResultListOpener = std::function<void(const std::string& condition)>;

// Opens the result list, then re-reads the main list and returns it to the record it was on (or
// to the same position when that record is gone). A failure of the re-read is ignored.
void ShowResultsKeepingRecord(RecordListView& list, const ResultListOpener& openResults,
                              const std::string& condition);

// Where a refused condition sends the focus; `field` may be null when the dialog has none.
struct ConditionControls {
    QWidget* field = nullptr;
    QWidget* operator1 = nullptr;
    QWidget* number1 = nullptr;
    QWidget* operator2 = nullptr;
    QWidget* number2 = nullptr;
};

// The search of both query dialogs: builds the condition with `build`; a refused input is shown
// and its control focused, otherwise the results open (ShowResultsKeepingRecord), an error there
// shown as a message.
void SearchWithCondition(QWidget* dialog, const ConditionControls& controls,
                         const std::function<std::string()>& build, RecordListView& list,
                         const ResultListOpener& openResults);

// A dialog button that Enter in a box does not press.
QPushButton* NewButton(const QString& text, const QString& objectName);

// The search and locate dialogs' button row at the right: `search`, then "返  回" closing
// `dialog`.
QHBoxLayout* SearchButtonRow(QDialog* dialog, QPushButton* search);

// A picker of the comparison operators "=", ">", "<", ">=", "<=" (codes 1 to 5), with no code.
CodePickerBox* NewOperatorPicker(const QString& objectName);
// Puts the operator with `code` into the picker.
void SetOperator(CodePickerBox* box, int code);

void CentreOnScreen(QWidget* dialog);

// TdlgSearchForm "查询数据": records by one or two comparisons on the code. The result list opens
// through `openResults`; afterwards the main list is re-read and returned to its record.
class CodeRangeSearchDialog : public QDialog {
    Q_OBJECT
  public:
    CodeRangeSearchDialog(RecordListView& list, ResultListOpener openResults,
                          QWidget* parent = nullptr);

    CodePickerBox* operator1Box() const { return lc1_; }
    QLineEdit* number1Box() const { return number1_; }
    CodePickerBox* connectorBox() const { return lc2_; }
    CodePickerBox* operator2Box() const { return lc3_; }
    QLineEdit* number2Box() const { return number2_; }
    QPushButton* searchButton() const { return search_; }

    // "查  找"
    void Search();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    RecordListView& list_;
    ResultListOpener openResults_;
    CodePickerBox* lc1_;
    QLineEdit* number1_;
    CodePickerBox* lc2_;
    CodePickerBox* lc3_;
    QLineEdit* number2_;
    QPushButton* search_;
};

// TdlgLocateForm "定位数据记录": moves the main list to a record by its exact code or by a part
// of its name, and closes when it got there.
class LocateDialog : public QDialog {
    Q_OBJECT
  public:
    LocateDialog(SQLite::Database& db, RecordListView& list, QWidget* parent = nullptr);

    QRadioButton* byCodeOption() const { return byCode_; }
    QLineEdit* codeBox() const { return code_; }
    QRadioButton* byNameOption() const { return byName_; }
    QLineEdit* nameBox() const { return name_; }
    QPushButton* locateButton() const { return locate_; }

    // "定  位"
    void Locate();

  private:
    SQLite::Database& db_;
    RecordListView& list_;
    QRadioButton* byCode_;
    QLineEdit* code_;
    QRadioButton* byName_;
    QLineEdit* name_;
    QPushButton* locate_;
};

}  // namespace tallwick::ui
