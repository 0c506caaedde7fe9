#pragma once

// The change history of the records: one row per changed field of a save from the entry window,
// one row per record of an operation on whole records. It lives in the working database, so
// compaction and backups keep it; packages for other installations never carry it.

#include <SQLiteCpp/Database.h>

#include <optional>
#include <string>

namespace tallwick::history {

// The operations as the history names them.
inline constexpr const char* kEntrySave = "录入保存";
inline constexpr const char* kEntryHold = "临时保存";
inline constexpr const char* kImport = "导入";
inline constexpr const char* kImportReplace = "导入替换";
inline constexpr const char* kDelete = "删除";
inline constexpr const char* kRestore = "恢复";
// The new value of the 恢复 row of a record the restored backup does not hold.
inline constexpr const char* kRemovedByRestore = "备份中没有该记录，恢复后已删除";

// Creates the table and its index where they are missing: the delivered database is built with
// them and an older working database gets them on its upgrade.
void CreateHistoryTable(SQLite::Database& db);

// The time a change is recorded under: local time as "YYYY-MM-DD HH:MM:SS", which sorts as text.
std::string HistoryTime();

// The processor stamp of this machine; nothing where the processor gives no identification.
std::optional<std::string> ThisMachine();

}  // namespace tallwick::history
