#pragma once

#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

namespace tallwick::exchange {

// The records that keep a package or a network report from leaving: only records saved without
// logic errors (RecordState 1) may go, whatever their reporting state.
struct BlockedRecords {
    std::vector<double> held;    // temporarily saved (any state but 1 and 2)
    std::vector<double> faulty;  // saved with logic errors (state 2)
    bool Empty() const { return held.empty() && faulty.empty(); }
};

BlockedRecords FindBlockedRecords(SQLite::Database& db);

// "临时保存的数据有3条，有逻辑错误的数据有2条。"
std::string BlockedRecordsCounts(const BlockedRecords& blocked);

// The query condition that lists exactly the blocked records.
inline constexpr const char* kBlockedRecordsCondition = "where RecordState is not 1";

}  // namespace tallwick::exchange
