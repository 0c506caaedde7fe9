#pragma once

#include "query/query_search_dialogs.h"

#include <SQLiteCpp/Database.h>

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tallwick::ui {

class CodePickerBox;
class RecordListView;

// TDataSearchCodeForm "选择指标": the survey sheets on the left, the chosen sheet's indicators on
// the right. Accepted with the indicator's field name in Result().
class IndicatorPickerDialog : public QDialog {
    Q_OBJECT
  public:
    explicit IndicatorPickerDialog(SQLite::Database& db, QWidget* parent = nullptr);

    QTableWidget* sheetList() const { return sheets_; }
    QTableWidget* indicatorList() const { return indicators_; }
    QPushButton* okButton() const { return ok_; }
    QString Result() const { return result_; }

    // "确认" and a double click on an indicator.
    void Choose();

  private:
    void FillIndicators(int sheetId);

    SQLite::Database& db_;
    QTableWidget* sheets_;
    QTableWidget* indicators_;
    QPushButton* ok_;
    std::vector<int> sheetIds_;
    QString result_;
};

// TdlgDataSearchForm "指标查询": records by one or two comparisons on one indicator, listed
// through `openResults`; afterwards the main list is re-read and returned to its record.
class IndicatorQueryDialog : public QDialog {
    Q_OBJECT
  public:
    IndicatorQueryDialog(SQLite::Database& db, RecordListView& list, ResultListOpener openResults,
                         QWidget* parent = nullptr);

    CodePickerBox* fieldBox() const { return field_; }
    CodePickerBox* operator1Box() const { return lc1_; }
    QLineEdit* number1Box() const { return number1_; }
    CodePickerBox* operator2Box() const { return lc3_; }
    QLineEdit* number2Box() const { return number2_; }
    QPushButton* searchButton() const { return search_; }

    // The indicator picker, modal; its choice becomes the indicator, a cancel changes nothing.
    void PickIndicator();
    // "查  找"
    void Search();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    SQLite::Database& db_;
    RecordListView& list_;
    ResultListOpener openResults_;
    CodePickerBox* field_;
    CodePickerBox* lc1_;
    QLineEdit* number1_;
    CodePickerBox* lc3_;
    QLineEdit* number2_;
    QPushButton* search_;
};

}  // namespace tallwick::ui
