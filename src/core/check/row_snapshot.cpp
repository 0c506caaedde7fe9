#include "check/row_snapshot.h"

#include <cstddef>

namespace tallwick::check {

void RowSnapshot::Load(sqlite3_stmt* row) {
    row_ = row;
    cells_.resize(static_cast<std::size_t>(sqlite3_column_count(row)));
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
        Cell& cell = cells_[i];
        // The type first: it is undefined after a conversion.
        cell.type = sqlite3_column_type(row, i);
        switch (cell.type) {
            case SQLITE_INTEGER:
                cell.integer = sqlite3_column_int64(row, i);
                cell.real = static_cast<double>(cell.integer);
                break;
            case SQLITE_NULL:
                cell.integer = 0;
                cell.real = 0;
                break;
            default:  // reals, and the texts an older file may hold: SQLite's own conversions
                cell.real = sqlite3_column_double(row, i);
                cell.integer = sqlite3_column_int64(row, i);
        }
    }
}

}  // namespace tallwick::check
