#pragma once

#include "query/data_list_settings.h"
#include "settings/registry.h"

#include <SQLiteCpp/Database.h>

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tallwick::ui {

class TProgressBarForm;

// TdlgSaveListForm "选择导出数据的方式": one workbook row per record with the cover fields and
// the fields of the ticked tables, for all records, a range of unit codes or a grouping item.
// The ticks come from exporttable.qd beside the program, which the dialog never writes.
class DataListDialog : public QDialog {
    Q_OBJECT
  public:
    DataListDialog(SQLite::Database& db, const std::filesystem::path& programFolder,
                   QString databaseLabel, Registry& registry, TProgressBarForm* progress,
                   QWidget* parent = nullptr);

    // Asks where to save the workbook, given the suggested name; empty cancels. The save dialog
    // unless a test answers.
    std::function<QString(const QString& suggestedName)> askFileName;

    QListWidget* tableList() const { return list_; }
    QRadioButton* allRecordsChoice() const { return allRecords_; }
    QRadioButton* rangeChoice() const { return range_; }
    QRadioButton* groupChoice() const { return groupChoice_; }
    QLineEdit* lowBox() const { return low_; }
    QLineEdit* highBox() const { return high_; }
    QToolButton* groupButton() const { return group_; }
    QPushButton* exportButton() const { return save_; }
    QPushButton* backButton() const { return back_; }

    std::optional<std::int64_t> selectedItemId() const;
    void ChooseItem(std::int64_t id);  // an entry of the grouping menu
    void Export();                     // "导  出"

    // The path of the last workbook written, empty before.
    QString LastWorkbook() const { return lastWorkbook_; }

    void done(int result) override;  // every way of closing stores CheckBox1

  private:
    std::array<bool, 13> TickedTables() const;
    void FillItemMenu();
    void SetIdle(bool idle);
    void ExportList();

    SQLite::Database& db_;
    QString databaseLabel_;
    Registry& registry_;
    TProgressBarForm* progress_;
    std::optional<query::DataListGroupItem> item_;
    QString lastWorkbook_;
    QListWidget* list_;
    QRadioButton* allRecords_;
    QRadioButton* range_;
    QRadioButton* groupChoice_;
    QLineEdit* low_;
    QLineEdit* high_;
    QToolButton* group_;
    QMenu* groupMenu_;
    QPushButton* save_;
    QPushButton* back_;
    QCheckBox* checkBox1_;
};

}  // namespace tallwick::ui
