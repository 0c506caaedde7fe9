#include "check/row_snapshot.h"

#include <cstddef>

namespace tallwick::check {

void RowSnapshot::Load(sqlite3_stmt* row) {
    row_ = row;
    cells_.resize(static_cast<std::size_t>(sqlite3_column_count(row)));
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
        Cell& cell = cells_[i];
        // One call for the column, then the value's own readers: each column call of the
        // statement looks the column up and checks for errors again. Reading an unprotected
        // value is safe while no other thread uses the connection, as none does.
        sqlite3_value* value = sqlite3_column_value(row, i);
        // The type first: it is undefined after a conversion.
        cell.type = sqlite3_value_type(value);
        switch (cell.type) {
            case SQLITE_INTEGER:
                cell.integer = sqlite3_value_int64(value);
                cell.real = static_cast<double>(cell.integer);
                break;
            case SQLITE_NULL:
                cell.integer = 0;
                cell.real = 0;
                break;
            default:  // reals, and the texts an older file may hold: SQLite's own conversions
                cell.real = sqlite3_value_double(value);
                cell.integer = sqlite3_value_int64(value);
        }
    }
}

}  // namespace tallwick::check
