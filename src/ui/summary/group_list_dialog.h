#pragma once

#include "exchange/exchange_progress.h"

#include <SQLiteCpp/Database.h>

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QPushButton;
class QTableWidget;

namespace tallwick::ui {

class TProgressBarForm;

// TdlgGroupListForm "自定义分组列表": the user's groupings; adds, removes and edits them and
// shares them with other installations through a file.
class GroupListDialog : public QDialog {
    Q_OBJECT
  public:
    // The transfers show `progress` with the number of tables as its total.
    GroupListDialog(SQLite::Database& db, std::filesystem::path programFolder,
                    TProgressBarForm* progress = nullptr, QWidget* parent = nullptr);

    // The dialogs between the steps; tests replace them.
    std::function<std::optional<QString>()> askName;  // nullopt when cancelled
    std::function<bool(const QString& text)> confirmDelete;
    std::function<void(std::int64_t id, const QString& name)> editGrouping;  // modal editor
    std::function<QString()> askExportFile;                                  // empty when cancelled
    std::function<QString()> askImportFile;

    QTableWidget* grid() const { return grid_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* modifyButton() const { return modify_; }

    void AddGrouping();     // "增  加"
    void RemoveGrouping();  // "除  去"
    void ModifyGrouping();  // "修  改", double click
    void ImportGroupings();
    void ExportGroupings();
    void Reload();

  private:
    std::int64_t SelectedId() const;
    void Select(std::int64_t id);
    // A transfer under way: the progress window shown, this dialog's buttons disabled.
    void Transfer(const std::function<void(const exchange::ExchangeProgress&)>& work);

    SQLite::Database& db_;
    std::filesystem::path programFolder_;
    QTableWidget* grid_;
    QPushButton* remove_;
    QPushButton* modify_;
    TProgressBarForm* progress_;
    std::vector<QPushButton*> buttons_;
};

}  // namespace tallwick::ui
