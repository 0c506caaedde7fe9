#pragma once

#include "list/delete_selected.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace tallwick::ui {

// TdlgDeleteForm "选择删除的方式": the selection, all records or a code range. It stays open
// after a deletion.
class DeleteDialog : public QDialog {
    Q_OBJECT
  public:
    DeleteDialog(SQLite::Database& db, DeletableList list, Asker ask,
                 std::function<void()> refreshList, QWidget* parent = nullptr);

    QRadioButton* selectedChoice() const { return selected_; }
    QRadioButton* allChoice() const { return all_; }
    QRadioButton* rangeChoice() const { return range_; }
    QLineEdit* lowBox() const { return low_; }
    QLineEdit* highBox() const { return high_; }

    // "删  除"
    void DeleteChosen();

  private:
    SQLite::Database& db_;
    DeletableList list_;
    Asker ask_;
    std::function<void()> refreshList_;
    QRadioButton* selected_;
    QRadioButton* all_;
    QRadioButton* range_;
    QLineEdit* low_;
    QLineEdit* high_;
};

}  // namespace tallwick::ui
