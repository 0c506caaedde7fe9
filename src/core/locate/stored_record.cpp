#include "locate/stored_record.h"

#include "check/check_scope.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::locate {

std::optional<StoredValues> ReadStoredValues(SQLite::Database& db, double code) {
    SQLite::Statement row(db, std::string(check::kCheckSelectHead) + " where dt_data.c901=?");
    row.bind(1, code);
    if (!row.executeStep()) return std::nullopt;
    const check::RecordColumns columns(row);
    StoredValues stored;
    stored.values = columns.Read(row);
    stored.checked = row.getColumn(row.getColumnIndex("c907")).getInt64() <= 2;
    return stored;
}

}  // namespace tallwick::locate
