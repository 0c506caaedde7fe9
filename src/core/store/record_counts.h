#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <map>

namespace tallwick {

struct RecordCounts {
    std::int64_t total = 0;
    std::map<std::int64_t, std::int64_t> byRecordState;  // RecordState -> number of records
};

// The records by state. Read from dt_record_counts, which triggers keep up to date on every
// write, so that a start costs the same for a thousand records and a million; a database
// without it (opened before its upgrade) is counted.
RecordCounts CountRecords(SQLite::Database& db);

// The same by counting the records themselves.
RecordCounts CountRecordsByScan(SQLite::Database& db);

// Creates dt_record_counts from the records as they are, and the triggers that keep it, where
// they are missing: the delivered database is built with them and an older working database
// gets them on its upgrade. Inside the caller's transaction.
void CreateRecordCounts(SQLite::Database& db);

}  // namespace tallwick
