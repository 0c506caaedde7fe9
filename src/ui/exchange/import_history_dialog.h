#pragma once

#include <SQLiteCpp/Database.h>

#include <QDialog>

class QTableWidget;

namespace tallwick::ui {

// "导入记录": every import and restore of the working database, newest first: when, which file,
// whose data (the file's label), how many records it brought, added, replaced and kept, and
// whether it succeeded or why not. Failures are shown in red.
class ImportHistoryDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ImportHistoryDialog(SQLite::Database& db, QWidget* parent = nullptr);

    QTableWidget* Table() const { return table_; }

  private:
    QTableWidget* table_ = nullptr;
};

}  // namespace tallwick::ui
