#pragma once

#include "summary/table_list.h"

#include <SQLiteCpp/Database.h>

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <vector>

class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tallwick::ui {

class TProgressBar2LineForm;

// TdlgSumForm "数据分类汇总": which tables to sum and by what, then the summary workbook. The
// ticks live in sumtable.qd beside the program between uses.
class SummaryDialog : public QDialog {
    Q_OBJECT
  public:
    SummaryDialog(SQLite::Database& db, std::filesystem::path programFolder,
                  TProgressBar2LineForm* progress, QWidget* parent = nullptr);

    // Where finished workbooks are saved; the documents folder unless a test says otherwise.
    QString outputFolder;

    QListWidget* tableList() const { return list_; }
    QRadioButton* levelChoice() const { return level_; }
    QRadioButton* stateChoice() const { return state_; }
    QRadioButton* customChoice() const { return custom_; }
    QToolButton* groupButton() const { return group_; }
    QPushButton* sumButton() const { return sum_; }
    std::int64_t selectedGroupId() const { return groupId_; }

    std::vector<summary::TableListLine> Lines() const;
    void SetAllTicks(bool ticked);         // "全部选中", "全部不选"
    void TickGroupOf(int row);             // double click on a group line
    void ChooseGrouping(std::int64_t id);  // an entry of the grouping menu
    void RunSummary();                     // "汇  总"

    // The path of the last workbook written, empty before.
    QString LastWorkbook() const { return lastWorkbook_; }

    void done(int result) override;  // every way of closing stores the ticks

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowLines(const std::vector<summary::TableListLine>& lines);
    void FillGroupingMenu();

    SQLite::Database& db_;
    std::filesystem::path programFolder_;
    TProgressBar2LineForm* progress_;
    std::int64_t groupId_ = 0;
    QString lastWorkbook_;
    QListWidget* list_;
    QRadioButton* level_;
    QRadioButton* state_;
    QRadioButton* custom_;
    QToolButton* group_;
    QMenu* groupMenu_;
    QPushButton* sum_;
};

}  // namespace tallwick::ui
