#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <map>

namespace tallwick {

struct RecordCounts {
    std::int64_t total = 0;
    std::map<std::int64_t, std::int64_t> byRecordState;  // RecordState -> number of records
};

RecordCounts CountRecords(SQLite::Database& db);

}  // namespace tallwick
