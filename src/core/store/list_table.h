#pragma once

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallwick {

// A result set held in memory column by column: one kind byte and one 8-byte slot per cell, the
// texts of a column in one pool. A list of 100,000 records opens and sorts from it without going
// back to the database, and costs memory only for the columns it was asked for.
class ListTable {
  public:
    enum class Kind : std::uint8_t { Null, Integer, Real, Text };

    // Every remaining row of `query`, all of its columns.
    static ListTable Read(SQLite::Statement& query);

    int RowCount() const { return rows_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }

    Kind KindAt(int row, int column) const { return columns_[column].kinds[row]; }
    // The value of a number cell; 0 for empty and text cells.
    double NumberAt(int row, int column) const;
    std::string_view RawTextAt(int row, int column) const;
    // The cell as the list shows it: integers plainly, reals in the shortest fixed notation that
    // reads back the same (a code 100000000001 stays whole), empty cells as "".
    std::string TextAt(int row, int column) const;

    // Puts row `sourceRow` of `source` (a table of the same columns) in place of row `row`.
    void ReplaceRow(int row, const ListTable& source, int sourceRow);

    // Sort order of two rows in one column: empty cells first, then numbers by value, then texts
    // by code point. Negative, zero or positive like strcmp.
    int Compare(int column, int rowA, int rowB) const;

  private:
    struct Column {
        std::vector<Kind> kinds;
        std::vector<std::uint64_t> values;  // int64, double bits, or text offset << 32 | length
        std::string texts;
    };

    std::vector<Column> columns_;
    int rows_ = 0;
};

// Which of the asked-for columns of the record list view_data_all has. Names match without
// regard to ASCII case, as the database matches them.
struct RecordListColumns {
    std::vector<std::string> selected;  // as the view spells them
    std::vector<int> columnOf;  // per asked-for name: its column in a table read (c901 is 0), or -1
};
RecordListColumns ResolveRecordListColumns(SQLite::Database& db,
                                           const std::vector<std::string>& columnNames);

// The code c901 and the resolved columns of every row of view_data_all, ordered by code
// ascending. `rowSource`, when not empty, is a statement whose rows are rows of view_data_all (a
// query result list); only its rows are read.
ListTable ReadRecordList(SQLite::Database& db, const RecordListColumns& columns,
                         const std::string& rowSource = {});
// The same for just the rows of `codes` (a screenful, not thousands); codes not stored are left
// out.
ListTable ReadRecordListRows(SQLite::Database& db, const RecordListColumns& columns,
                             const std::vector<double>& codes, const std::string& rowSource = {});

struct RecordListData {
    ListTable table;
    std::vector<int> columnOf;
};
// Resolving and reading in one.
RecordListData ReadRecordList(SQLite::Database& db, const std::vector<std::string>& columnNames,
                              const std::string& rowSource = {});

}  // namespace tallwick
