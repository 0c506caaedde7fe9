#pragma once

#include "settings/registry.h"
#include "store/connection.h"

#include <QDialog>

#include <filesystem>
#include <functional>

class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace tallwick::ui {

// "恢复备份": the safety copies of the data folder, newest first, with their time, operation and
// number of records; "恢  复" restores the chosen one, "其他备份文件…" any backup file. Each
// restore is confirmed first. The number of safety copies kept is set here too.
class RestoreDialog : public QDialog {
    Q_OBJECT
  public:
    RestoreDialog(DatabaseConnection& connection, Registry& registry,
                  std::function<void()> restored, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    QPushButton* RestoreButton() const { return restore_; }
    QSpinBox* KeptBox() const { return kept_; }

    // Checks the file, asks, restores, tells; true when the working database was replaced.
    bool RestoreFile(const std::filesystem::path& file);

  private:
    void Reload();
    void ChooseOtherFile();
    void SaveKeptCount(int kept);

    DatabaseConnection& connection_;
    Registry& registry_;
    std::function<void()> restored_;
    QTreeWidget* list_ = nullptr;
    QPushButton* restore_ = nullptr;
    QSpinBox* kept_ = nullptr;
};

}  // namespace tallwick::ui
