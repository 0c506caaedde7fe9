#pragma once

#include "locate/locate_catalogue.h"
#include "review/plausibility_review.h"

#include <QDialog>

#include <SQLiteCpp/Database.h>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tallwick::ui {

class ReviewChart;

// "可疑数据审核": the records that pass every rule but are probably wrong, highest score first,
// each with its most doubtful answer and the range its level usually reports; the picture of
// that answer among the level's unions beside the list. A row opens the record in the entry
// window at that answer; "已核实" confirms the answer with a note, which takes it off the list.
class ReviewWindow : public QDialog {
    Q_OBJECT
  public:
    // Opens the record `code` in the entry window at the answer `field`.
    using OpenAnswer = std::function<void(double code, const QString& field)>;

    ReviewWindow(SQLite::Database& db, OpenAnswer openAnswer, QWidget* parent = nullptr);
    ~ReviewWindow() override;

    // Judges the records again and fills the list, keeping the selected record where it stays.
    void Reload();
    void OpenSelected();
    void ConfirmSelected();
    void ExportList();

    QTableWidget* Table() const { return table_; }
    ReviewChart* Chart() const { return chart_; }
    QLineEdit* NoteBox() const { return note_; }
    QPushButton* ConfirmButton() const { return confirm_; }
    const review::ReviewResult& Result() const { return *result_; }

  private:
    void ShowSelected();
    const review::RankedRecord* Selected() const;

    SQLite::Database& db_;
    OpenAnswer openAnswer_;
    locate::LocateCatalogue catalogue_;
    std::unique_ptr<review::ReviewResult> result_;
    QTableWidget* table_ = nullptr;
    ReviewChart* chart_ = nullptr;
    QLabel* summary_ = nullptr;
    QLineEdit* note_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* open_ = nullptr;
};

// Makes `code` the record list's current record and opens the entry window there, on the page of
// `field` with the focus in its box.
class EntryWindow;
class RecordListView;
void OpenEntryAtAnswer(EntryWindow& entry, RecordListView& list, double code, const QString& field);

}  // namespace tallwick::ui
