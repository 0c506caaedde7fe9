#pragma once

#include "list/list_sort.h"
#include "store/field_catalogue.h"
#include "store/record_list_rows.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tallwick::ui {

// The record list's result set: the rows of view_data_all ordered by code, one column per
// catalogue row. Only the visible columns are read, and only for the rows shown (see
// RecordListRows); a re-sort reads the sorted column of every record and reorders in memory.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // The working database may be closed and reopened (compaction, backup) while the list lives.
    using DatabaseSource = std::function<SQLite::Database&()>;

    explicit RecordListModel(DatabaseSource database, QObject* parent = nullptr);

    // A statement whose rows are rows of view_data_all (a query result) in place of the whole
    // view; it takes effect with the next re-read.
    void SetRowSource(std::string statement) { rowSource_ = std::move(statement); }

    // BuildListColumns: columns anew from the catalogue, sort state ascending without a mark,
    // rows re-read. On a failure the list keeps what it had and the error propagates.
    void Reload();
    // Reload for a change of the shown columns: the rows keep their order, and the sort mark
    // stays on its column while that column is shown.
    void ReloadKeepingOrder();
    // Re-reads the rows with the same columns and in the current sort order.
    void Requery();
    // Re-reads the one row of a stored record in place, keeping the order; false when the list
    // does not hold that code (a new or renumbered record needs Requery).
    bool RefreshRecord(double code);

    int RowCount() const { return rows_.RowCount(); }
    double CodeAt(int row) const { return rows_.CodeAt(row); }
    int RowOfCode(double code) const { return rows_.RowOfCode(code); }  // -1 when none has it

    const FieldDataArray& Columns() const { return fields_; }
    bool IsColumnHidden(int column) const { return !fields_[column].visible; }
    int ColumnWidth(int column) const { return fields_[column].width; }
    ListSortState& SortState() { return sortState_; }
    // The column of the last in-memory sort, -1 while the rows are in code order.
    int SortColumn() const { return sortColumn_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }

    // A record stays the same record across sorts until the next re-read; the view tracks its
    // marks this way.
    int RecordOfRow(int row) const { return rows_.RecordOfRow(row); }
    int RowOfRecord(int record) const { return rows_.RowOfRecord(record); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  signals:
    // After Reload: the view applies the catalogue's widths and hidden columns.
    void columnsRebuilt();

  private:
    // The catalogue's visible columns, the names to read.
    static std::vector<std::string> NamesToRead(const FieldDataArray& fields,
                                                std::vector<int>& nameOfColumn);
    void Rebuild(bool keepOrder);

    DatabaseSource database_;
    std::string rowSource_;
    FieldDataArray fields_;
    std::vector<QString> titles_;
    std::vector<QVariant> titleColours_;
    std::vector<bool> centred_;
    // Cells are read when first shown, so reading them changes what the model holds.
    mutable RecordListRows rows_;
    std::vector<int> nameOfColumn_;  // per model column: its index among the names read, or -1
    int sortColumn_ = -1;            // the order last applied, kept through Requery
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    ListSortState sortState_;
};

}  // namespace tallwick::ui
