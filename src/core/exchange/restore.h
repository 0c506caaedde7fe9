#pragma once

#include "store/connection.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tallwick::exchange {

// A backup that may replace the working database.
struct BackupInspection {
    std::filesystem::path file;
    std::string label;
    std::int64_t records = 0;
    int version = 0;  // layout version; older ones are brought up to date by the restore
};

// Proves, reading only, that the file can be restored: a plain survey database whose record
// tables have exactly the working database's columns, a layout no newer than this program's,
// and a clean integrity check. Throws UserError saying what is wrong.
BackupInspection InspectBackup(SQLite::Database& working, const std::filesystem::path& file);

// "确认用备份文件“…”（标记为【…】，N条记录）替换当前的数据库么？…"
std::string RestoreQuestion(const BackupInspection& backup);

struct RestoreResult {
    std::string message;
    std::filesystem::path safetyCopy;          // the working database as it was before
    std::filesystem::path damagedAside;        // where a damaged working database was put
    std::vector<std::string> upgradeFindings;  // what an older backup's upgrade found
};

// Replaces the working database with the backup. The backup is copied under a temporary name
// beside the working file and that copy is inspected, brought to this layout, given the rows of
// the working database's change and import histories that it lacks, the restore's import-history
// row and a change-history row ("恢复") per record; then the working database gets its safety copy,
// the copy is flushed to disk, the connection closed, the copy renamed over the working file and
// the connection opened again. Until the rename the working database is untouched: a failure throws
// UserError and is entered into its history.
RestoreResult RestoreBackup(DatabaseConnection& connection, const std::filesystem::path& file);

// Whether the working database is missing or no sound survey database, so that it cannot be
// opened and a restore is the way back. A failure that says nothing about the file (a lock) throws.
bool IsDamagedOrMissing(const std::filesystem::path& working);

// InspectBackup for a working database that is damaged or missing: the backup is held to the
// layout of the database `layout` (the delivered one), or to its own when that is the damaged file.
BackupInspection InspectBackupForDamaged(const std::filesystem::path& working,
                                         const std::filesystem::path& file,
                                         const std::filesystem::path& layout);

// Restores a backup over a damaged or missing working database, which no connection holds. The
// damaged file is kept beside it as "<name>.damaged-<time>" instead of a safety copy; its logs
// cannot be read and stay with it. Until the renames nothing changes; a failure throws UserError.
RestoreResult RestoreOverDamaged(const std::filesystem::path& working,
                                 const std::filesystem::path& file,
                                 const std::filesystem::path& layout);

}  // namespace tallwick::exchange
