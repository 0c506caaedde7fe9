#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <vector>

namespace tallwick::check {

// The current row of a check run, each column read from the statement once. The rules and the
// answers' limits both read every answer; reading a million rows twice through the C interface
// cost more than the rules themselves.
class RowSnapshot {
  public:
    struct Cell {
        int type = SQLITE_NULL;
        std::int64_t integer = 0;  // as sqlite3_column_int64 gives it (NULL is 0)
        double real = 0;           // as sqlite3_column_double gives it
    };

    void Load(sqlite3_stmt* row);

    const Cell& At(int column) const { return cells_[column]; }
    // The statement the row was loaded from, for the rare text a message shows.
    sqlite3_stmt* Row() const { return row_; }

  private:
    std::vector<Cell> cells_;
    sqlite3_stmt* row_ = nullptr;
};

}  // namespace tallwick::check
