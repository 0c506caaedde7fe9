#pragma once

#include "list/record_list_model.h"

#include <QTableView>

#include <vector>

namespace tallwick::ui {

// RecordGrid: shows the record list read-only, whole rows selected, several at a time with Ctrl
// and Shift. Enter, Insert and Delete act on key release, as does a double click; the main window
// connects the signals to its actions.
class RecordListView : public QTableView {
    Q_OBJECT
  public:
    explicit RecordListView(RecordListModel* model, QWidget* parent = nullptr);

    RecordListModel& Model() { return *model_; }

    int CurrentRow() const;  // -1 when the list has no current row
    // The marked rows, first marked first.
    std::vector<int> MarkedRowsInMarkOrder() const;
    // What an action on "the selection" works on: the marked rows when two or more are marked,
    // otherwise the current row (nothing on an empty list).
    std::vector<int> SelectionOrCurrent() const;

    // Re-reads the list and returns to the same position, or to the last row when the list got
    // shorter than that. Returns the row now current, -1 on an empty list.
    int RequeryKeepingRow();
    // Re-reads the list and stays on the same record (by its code) when it is still there, else
    // on the same position: imports and check runs add and re-state records around it.
    int RequeryKeepingRecord();
    // BuildListColumns after the column chooser: the rows, their order, the current row and the
    // marks stay as they were.
    void RebuildColumnsKeepingPlace();
    // Makes the row of `code` current; false (and nothing moves) when no row has it.
    bool ReturnToCode(double code);
    // Makes `row` current and scrolls to it without touching the marks.
    void ShowRow(int row);
    void MoveToFirst();
    void GoToRow(int row);

    // With the ShowGrid setting off the list area shows only its background.
    void SetListShown(bool shown);
    bool IsListShown() const { return shown_; }

  signals:
    void modifyRequested();
    void addRequested();
    void deleteRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // The key whose press the list received: a release alone (the Enter that closed a message box
    // or a file dialog over the list) is no keystroke of the list's.
    int pressedKey_ = 0;

    void TrackMarks(const QItemSelection& selected, const QItemSelection& deselected);
    void ApplyCatalogueLayout();
    void RestoreLayout();
    int FirstShownColumn() const;
    QModelIndex CellToShow(int row) const;

    RecordListModel* model_;
    std::vector<int> markOrder_;    // records in the order they were marked
    std::vector<char> isMarked_;    // by record
    std::vector<int> savedWidths_;  // column widths the user had before a re-read
    bool shown_ = true;
};

}  // namespace tallwick::ui
