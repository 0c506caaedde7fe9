#pragma once

#include <SQLiteCpp/Database.h>

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QPushButton;
class QTabWidget;

namespace tallwick::ui {

// TdlgShowForm: one check box per catalogue field on the page tab of its form; saving sets the
// list's visible columns.
class ColumnChooserDialog : public QDialog {
    Q_OBJECT
  public:
    using MessageFunction = std::function<void(const QString&)>;

    // `onSaved` rebuilds the record list's columns; `showMessage` defaults to ShowMessage.
    ColumnChooserDialog(SQLite::Database& db, std::function<void()> onSaved,
                        MessageFunction showMessage = {}, QWidget* parent = nullptr);

    QTabWidget* Pages() const { return pages_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* CloseButton() const { return close_; }
    const std::vector<std::pair<QCheckBox*, std::int64_t>>& Boxes() const { return boxes_; }

  private:
    QWidget* AddPage(const QString& caption);
    void Save();

    SQLite::Database& db_;
    std::function<void()> onSaved_;
    MessageFunction showMessage_;
    QTabWidget* pages_;
    QPushButton* save_;
    QPushButton* close_;
    std::vector<std::pair<QCheckBox*, std::int64_t>> boxes_;  // in catalogue order, with the id
};

}  // namespace tallwick::ui
