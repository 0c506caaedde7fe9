#pragma once

#include <SQLiteCpp/Database.h>

#include <QDialog>

class QLabel;
class QTableWidget;

namespace tallwick::ui {

// "修改记录": the changes of one record, newest first, each field under its question.
class RecordHistoryDialog : public QDialog {
    Q_OBJECT
  public:
    RecordHistoryDialog(SQLite::Database& db, double code, const QString& name,
                        QWidget* parent = nullptr);

    QTableWidget* Table() const { return table_; }
    QLabel* Note() const { return note_; }

  private:
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
};

}  // namespace tallwick::ui
