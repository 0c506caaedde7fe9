#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tallwick::exchange {

// The operations of the history.
inline constexpr const char* kHistoryImport = "导入";
inline constexpr const char* kHistoryRestore = "恢复";
// A re-submission whose codes are already present: a step before the user settles them record
// by record, not a failure.
inline constexpr const char* kHistoryConflict = "编号冲突";
inline constexpr const char* kHistorySucceeded = "成功";

// One row of ImportHistory: what an import or a restore brought, or why it failed.
struct HistoryEntry {
    std::int64_t id = 0;
    std::string time;  // local, "2026-12-10 14:32:07"
    std::string operation;
    std::string fileName;      // the file the user chose
    std::string label;         // the file's ct_label: who provided it
    std::int64_t records = 0;  // records in the file
    std::int64_t added = 0;
    std::int64_t replaced = 0;
    std::int64_t kept = 0;
    bool succeeded = false;
    std::string outcome;  // "成功", or the message the user was shown
};

// The current local time by the safety copies' clock, as the history writes it.
std::string HistoryTimeNow();

// Appends the entry within whatever transaction the connection has open, so that a successful
// import's row commits with its records. A database without the table (no layout version) keeps
// no history.
void AppendHistory(SQLite::Database& db, const HistoryEntry& entry);

// For a failure, after its rollback: the row in a transaction of its own. A row that cannot be
// written either (a full disk) is given up; the failure's own message is what the user needs.
void AppendFailureHistory(SQLite::Database& db, HistoryEntry entry, const std::string& message);

// Newest first.
std::vector<HistoryEntry> ReadHistory(SQLite::Database& db);

}  // namespace tallwick::exchange
