#pragma once

#include <SQLiteCpp/Database.h>

namespace tallwick {

// Layout version of the survey database, kept in PRAGMA user_version. Each new program version
// that changes the layout appends a step to the list in schema_version.cpp and raises this number.
inline constexpr int kSchemaVersion = 1;

int SchemaVersion(SQLite::Database& db);

// Brings a working database of an older layout up to kSchemaVersion, all steps in one transaction.
// A file without a version (0) is left alone; a file newer than this program is refused.
void UpgradeSchema(SQLite::Database& db);

}  // namespace tallwick
