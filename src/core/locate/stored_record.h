#pragma once

#include "check/compiled_rules.h"

#include <SQLiteCpp/Database.h>

#include <optional>

namespace tallwick::locate {

struct StoredValues {
    check::RecordValues values;
    bool checked = false;  // its reporting state c907 is at most 2, so check runs visit it
};

// The record with code `code` as a check run reads it; nullopt when there is none.
std::optional<StoredValues> ReadStoredValues(SQLite::Database& db, double code);

}  // namespace tallwick::locate
