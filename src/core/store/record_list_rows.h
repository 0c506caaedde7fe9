#pragma once

#include "store/list_table.h"

#include <SQLiteCpp/Database.h>

#include <optional>
#include <string>
#include <vector>

namespace tallwick {

// The rows of the record list as the user looks at them. Reading takes only the codes of every
// record, so a list of a million records opens in the time of its code index; the other columns
// are read a page of list rows at a time when a row is first shown, and forgotten again when
// too many pages are held. A query result (a row source) is read whole instead, since its
// statement would run again for every page.
//
// A record is a row of the last read, in code order; the list's order maps list rows to records.
class RecordListRows {
  public:
    explicit RecordListRows(int pageRows = 64, int heldRows = 65536)
        : pageRows_(pageRows), heldRows_(heldRows) {}

    // Reads the codes (with a row source, every column) anew; the order becomes code order.
    void Read(SQLite::Database& db, const std::vector<std::string>& columnNames,
              const std::string& rowSource = {});

    int RowCount() const { return static_cast<int>(codes_.size()); }
    double CodeAt(int row) const { return codes_[order_[row]]; }
    int RowOfCode(double code) const;  // -1 when no row has it
    int RecordOfRow(int row) const { return order_[row]; }
    int RowOfRecord(int record) const { return rowOfRecord_[record]; }
    // Whether the view has the asked-for column `name` (an index into the names read with).
    bool HasColumn(int name) const { return columns_.columnOf[name] >= 0; }

    // The cell as the list shows it (ListTable::TextAt); "" for a column the view lacks or a
    // record deleted since the read. Reads the page of `row` when it is not held.
    std::string TextAt(SQLite::Database& db, int row, int name);
    // The same without the database: nothing while the page of `row` is not held.
    std::optional<std::string> HeldTextAt(int row, int name) const;
    void ReadPageOf(SQLite::Database& db, int row);

    // Orders of the records, list row by list row, for SetOrder: found apart from setting it so
    // that a failed read leaves the list as it was.
    //
    // By the asked-for column `name` (every record's value read at once): empty cells first,
    // numbers, then texts by code point; ties stay in code order both ways. A negative `name`
    // or a column the view lacks is code order.
    std::vector<int> SortedOrder(SQLite::Database& db, int name, bool descending) const;
    // In the order of `codes`, records not among them after them in code order.
    std::vector<int> OrderOfCodes(const std::vector<double>& codes) const;
    void SetOrder(std::vector<int> order);

    // Re-reads the one row of `code` in place, keeping the order; false when the list does not
    // hold that code or its row is no longer stored (or no longer in the row source).
    bool Refresh(SQLite::Database& db, double code);

  private:
    struct Place {
        int page = -1;  // -1: not read yet
        int row = -1;   // -1: read, but no longer stored
    };

    void Forget();

    int pageRows_;
    int heldRows_;
    std::string rowSource_;
    RecordListColumns columns_;
    std::vector<double> codes_;  // per record, ascending
    std::vector<int> order_;     // list row -> record
    std::vector<int> rowOfRecord_;
    std::vector<ListTable> pages_;
    std::vector<Place> placeOf_;  // per record
    int heldRowsNow_ = 0;
    bool readWhole_ = false;  // a row source: one page holds every record
};

}  // namespace tallwick
