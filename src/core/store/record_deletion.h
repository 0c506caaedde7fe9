#pragma once

#include <SQLiteCpp/Database.h>

#include <vector>

namespace tallwick {

inline constexpr const char* kDeleteRangeMissing = "请输入删除的范围";

// Every deletion removes a record from both record tables in one transaction, so no record is
// ever left half deleted, and records one 删除 row per removed record in the change history
// within it. Returns the number of dt_data rows removed. A deletion of more than one record makes
// a safety copy first; without one (UserError) nothing is deleted.
int DeleteRecords(SQLite::Database& db, const std::vector<double>& codes);
int DeleteAllRecords(SQLite::Database& db);
// Codes from low to high, both included.
int DeleteRecordRange(SQLite::Database& db, double low, double high);

}  // namespace tallwick
