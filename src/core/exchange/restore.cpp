#include "exchange/restore.h"

#include "common/ascii.h"
#include "common/file_io.h"
#include "common/local_time.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/exchange_messages.h"
#include "exchange/import_history.h"
#include "history/history_rows.h"
#include "history/history_table.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/file_soundness.h"
#include "store/program_folder.h"
#include "store/safety_copy.h"
#include "store/schema_version.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

constexpr const char* kNotABackup = "所选文件不是本软件的数据备份文件，不能恢复。";

std::vector<std::string> LowerSortedColumns(SQLite::Database& db, const char* table) {
    std::vector<std::string> columns;
    for (const auto& column : TableColumns(db, "main", table))
        columns.push_back(AsciiLower(column));
    std::sort(columns.begin(), columns.end());
    return columns;
}

// Every table and view of the working database's layout, by type and name; a file that lacks one
// would leave the program without it after the restore.
void RefuseIncompleteLayout(SQLite::Database& working, SQLite::Database& backup) {
    SQLite::Statement layout(
        working,
        "SELECT type, name FROM main.sqlite_master WHERE type IN ('table', "
        "'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!' ORDER BY type, name");
    SQLite::Statement present(backup,
                              "SELECT 1 FROM main.sqlite_master WHERE type = ? AND name = ? "
                              "COLLATE NOCASE");
    while (layout.executeStep()) {
        const std::string type = layout.getColumn(0).getString();
        const std::string name = layout.getColumn(1).getString();
        present.bind(1, type);
        present.bind(2, name);
        const bool found = present.executeStep();
        present.reset();
        if (!found)
            throw UserError(std::string("所选文件中没有") + (type == "view" ? "视图" : "数据表") +
                            "“" + name + "”，它不是本软件的数据备份文件，不能恢复。");
    }
}

BackupInspection Inspect(SQLite::Database& working, SQLite::Database& backup,
                         const fs::path& file) {
    BackupInspection inspection;
    inspection.file = file;
    try {
        backup.execAndGet("SELECT count(*) FROM sqlite_master");
    } catch (const SQLite::Exception&) {
        throw UserError(kNotABackup);
    }
    for (const char* table : {"dt_data", "dt_data1", "ct_label"}) {
        if (!HasTable(backup, "main", table))
            throw UserError(std::string("所选文件中没有数据表“") + table +
                            "”，它不是本软件的数据备份文件，不能恢复。");
    }
    for (const char* table : {"dt_data", "dt_data1"}) {
        if (LowerSortedColumns(backup, table) != LowerSortedColumns(working, table))
            throw UserError(std::string("所选文件中数据表“") + table +
                            "”的字段与本软件的不同，它不是本软件的数据备份文件，不能恢复。");
    }
    inspection.version = SchemaVersion(backup);
    if (inspection.version > kSchemaVersion)
        throw UserError("所选备份文件的版本高于本软件的版本，请使用新版本的软件恢复。");
    // An older layout lacks what its upgrade adds; it is held to the whole layout afterwards.
    if (inspection.version == kSchemaVersion) RefuseIncompleteLayout(working, backup);
    SQLite::Statement check(backup, "PRAGMA integrity_check(1)");
    check.executeStep();
    const std::string verdict = check.getColumn(0).getString();
    if (verdict != "ok")
        throw UserError("所选备份文件已经损坏（完整性检查没有通过：" + verdict + "），不能恢复。");
    inspection.records = backup.execAndGet("SELECT count(*) FROM dt_data").getInt64();
    SQLite::Statement label(backup, "SELECT db_name FROM ct_label");
    if (label.executeStep() && !label.getColumn(0).isNull())
        inspection.label = label.getColumn(0).getString();
    return inspection;
}

void RefuseUnusable(SQLite::Database& working, const fs::path& file) {
    if (!fs::is_regular_file(file)) throw UserError(messages::kFileMissing);
    std::error_code notSame;
    if (fs::equivalent(file, working.getFilename(), notSame))
        throw UserError("您选择的文件是系统正在使用的数据库文件，不能用它恢复，请选择其它文件。");
    if (!HasSqliteHeader(file)) throw UserError(kNotABackup);
}

BackupInspection InspectFile(SQLite::Database& working, const fs::path& file, int flags) {
    RefuseUnusable(working, file);
    try {
        auto backup = OpenSqlite(file, flags);
        return Inspect(working, *backup, file);
    } catch (const UserError&) {
        throw;
    } catch (const SQLite::Exception&) {
        throw UserError(kNotABackup);
    }
}

// Rows of the working database's log that the replacement's log lacks, appended in their order.
// Matched on every column but the id: a log that went through an earlier restore has the same
// rows under other ids.
void AppendMissingRows(SQLite::Database& replacement, const std::string& schema,
                       const std::string& table, const std::vector<std::string>& columns) {
    std::string listed, selected, same;
    for (const auto& column : columns) {
        const std::string separator = listed.empty() ? "" : ", ";
        listed += separator + column;
        selected += separator + "w." + column;
        same += (same.empty() ? "" : " AND ") + ("r." + column + " IS w." + column);
    }
    replacement.exec("INSERT INTO main." + table + " (" + listed + ") SELECT " + selected +
                     " FROM " + QuoteIdentifier(schema) + "." + table +
                     " w WHERE NOT EXISTS (SELECT 1 FROM main." + table + " r WHERE " + same +
                     ") ORDER BY w.id");
}

// A restore brings back the backup's records, not its past: what was done to this installation's
// records and what it imported stays on record, beside what the backup's own logs hold.
void KeepTheWorkingLogs(SQLite::Database& replacement, const std::string& schema) {
    AppendMissingRows(
        replacement, schema, "dt_history",
        {"c901", "ChangeTime", "Operation", "FieldName", "OldValue", "NewValue", "Processor"});
    AppendMissingRows(replacement, schema, "ImportHistory",
                      {"Time", "Operation", "FileName", "Label", "Records", "Added", "Replaced",
                       "Kept", "Succeeded", "Outcome"});
}

// The replacement, brought to this layout, with the working database's logs, the restore's row
// in the import history and one change-history row for each restored record.
std::vector<std::string> PrepareReplacement(SQLite::Database& working, const fs::path& backup,
                                            const fs::path& replacement, HistoryEntry& history) {
    try {
        // Into the private file already made: the working database keeps the program's own
        // permissions, never those of the backup file.
        CopyFileContents(backup, replacement);
    } catch (const std::exception& error) {
        throw UserError("无法复制备份文件（" + ErrorText(error) + "），数据库没有任何改变。");
    }
    const BackupInspection inspection = InspectFile(working, replacement, SQLite::OPEN_READWRITE);
    history.label = inspection.label;
    history.records = inspection.records;
    try {
        auto db = OpenExistingSqlite(replacement);
        std::vector<std::string> findings =
            inspection.version == 0 ? std::vector<std::string>() : UpgradeSchema(*db);
        RefuseIncompleteLayout(working, *db);
        // A safety copy's mark stays with the copy: a copy the user makes of the working
        // database later is the user's own.
        db->exec("PRAGMA application_id = 0");
        history.succeeded = true;
        history.outcome = kHistorySucceeded;
        const AttachedFile current(*db, working.getFilename(), "current");
        SQLite::Transaction transaction(*db);
        KeepTheWorkingLogs(*db, current.Schema());
        AppendHistory(*db, history);
        history::AppendWholeRecordRows(*db, history::kRestore, "SELECT c901 FROM dt_data");
        history::AppendWholeRecordRows(
            *db, history::kRestore,
            "SELECT c901 FROM " + QuoteIdentifier(current.Schema()) +
                ".dt_data WHERE c901 NOT IN (SELECT c901 FROM main.dt_data) ORDER BY c901",
            {}, history::kRemovedByRestore);
        transaction.commit();
        return findings;
    } catch (const UserError&) {
        throw;
    } catch (const std::exception& error) {
        throw UserError("无法准备恢复的数据库（" + ErrorText(error) + "），数据库没有任何改变。");
    }
}

// The rename is the moment of the restore: before it the working file is the old one, after it
// the new one, whole. A journal beside the working file would be played into the new one.
// After the rename the restore has happened; only the connection failed to follow it.
struct SwappedButNotReopened : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Replace(DatabaseConnection& connection, const fs::path& replacement) {
    const fs::path working = connection.CurrentDatabasePath();
    SyncToDisk(replacement);
    connection.Close();
    try {
        for (const char* suffix : {"-journal", "-wal"}) {
            if (fs::exists(working.string() + suffix))
                throw UserError("数据库文件旁边有未完成的日志文件“" + working.string() + suffix +
                                "”，不能恢复，数据库没有任何改变。");
        }
        fs::rename(replacement, working);
    } catch (...) {
        connection.Reopen();
        throw;
    }
    try {
        SyncToDisk(working.parent_path());
    } catch (const std::exception&) {
        // The rename is done; only its durability across a power loss is less certain.
    }
    try {
        connection.Reopen();
    } catch (const std::exception& error) {
        throw SwappedButNotReopened(ErrorText(error));
    }
}

// The working file and what the rename would do to it: a link would be replaced, not the file it
// points to, and a write-protected file would be replaced all the same.
void RefuseUnreplaceable(const fs::path& working) {
    if (fs::is_symlink(working))
        throw UserError("数据库文件“" + working.string() +
                        "”是指向其它文件的链接，恢复只会替换这个链接而不是它指向的文件，"
                        "不能恢复，数据库没有任何改变。请在链接指向的文件所在的数据文件夹中恢复。");
    if ((fs::status(working).permissions() & fs::perms::owner_write) == fs::perms::none)
        throw UserError("数据库文件“" + working.string() +
                        "”是只读的，不能恢复，数据库没有任何改变。请先允许写入该文件。");
}

// Whether the file is a sound survey database as far as a quick look tells; a failure that says
// nothing about the file itself (a lock, a refused permission) is thrown.
bool IsSoundSurveyFile(const fs::path& path) {
    try {
        auto db = OpenSqlite(path, SQLite::OPEN_READONLY);
        return WholeFileFinding(*db) == "ok" && HasTable(*db, "main", "dt_data") &&
               HasTable(*db, "main", "dt_data1");
    } catch (const SQLite::Exception& error) {
        const int code = error.getErrorCode() & 0xff;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) return false;
        throw;
    }
}

// The layout a backup is held to when there is no working database to compare it with: the
// delivered database, unless that is the damaged file itself; else the backup's own.
std::unique_ptr<SQLite::Database> OpenLayout(const fs::path& layout, const fs::path& working) {
    std::error_code error;
    if (!fs::is_regular_file(layout, error) || fs::equivalent(layout, working, error))
        return nullptr;
    try {
        return OpenSqlite(layout, SQLite::OPEN_READONLY);
    } catch (const SQLite::Exception&) {
        return nullptr;
    }
}

fs::path AsideName(const fs::path& working) {
    const std::string stem =
        working.string() + ".damaged-" + FormatCurrentLocalTime("%Y%m%d-%H%M%S");
    fs::path aside = stem;
    for (int counter = 2; fs::exists(fs::symlink_status(aside)); ++counter)
        aside = stem + "-" + std::to_string(counter);
    return aside;
}

}  // namespace

bool IsDamagedOrMissing(const fs::path& working) {
    if (!fs::exists(fs::symlink_status(working))) return true;
    if (!fs::is_regular_file(working)) return false;
    if (!HasSqliteHeader(working)) return true;
    return !IsSoundSurveyFile(working);
}

BackupInspection InspectBackupForDamaged(const fs::path& working, const fs::path& file,
                                         const fs::path& layout) {
    if (!fs::is_regular_file(file)) throw UserError(messages::kFileMissing);
    if (!HasSqliteHeader(file)) throw UserError(kNotABackup);
    try {
        auto backup = OpenSqlite(file, SQLite::OPEN_READONLY);
        const auto reference = OpenLayout(layout, working);
        return Inspect(reference ? *reference : *backup, *backup, file);
    } catch (const UserError&) {
        throw;
    } catch (const SQLite::Exception&) {
        throw UserError(kNotABackup);
    }
}

RestoreResult RestoreOverDamaged(const fs::path& working, const fs::path& file,
                                 const fs::path& layout) {
    const bool present = fs::exists(fs::symlink_status(working));
    if (present) RefuseUnreplaceable(working);
    BackupInspection inspection = InspectBackupForDamaged(working, file, layout);
    fs::path replacement;
    RestoreResult result;
    try {
        replacement = CreatePrivateTempFile(working);
        CopyFileContents(file, replacement);
        {
            auto db = OpenExistingSqlite(replacement);
            inspection = InspectBackupForDamaged(working, replacement, layout);
            if (inspection.version != 0) result.upgradeFindings = UpgradeSchema(*db);
            const auto reference = OpenLayout(layout, working);
            if (reference) RefuseIncompleteLayout(*reference, *db);
            db->exec("PRAGMA application_id = 0");
            HistoryEntry history;
            history.time = HistoryTimeNow();
            history.operation = kHistoryRestore;
            history.fileName = fs::absolute(file).string();
            history.label = inspection.label;
            history.records = inspection.records;
            history.succeeded = true;
            history.outcome = kHistorySucceeded;
            SQLite::Transaction transaction(*db);
            AppendHistory(*db, history);
            history::AppendWholeRecordRows(*db, history::kRestore, "SELECT c901 FROM dt_data");
            transaction.commit();
        }
        SyncToDisk(replacement);
    } catch (const UserError&) {
        if (!replacement.empty()) RemoveDatabaseFileQuietly(replacement);
        throw;
    } catch (const std::exception& error) {
        if (!replacement.empty()) RemoveDatabaseFileQuietly(replacement);
        throw UserError("无法准备恢复的数据库（" + ErrorText(error) + "），数据库没有任何改变。");
    }
    // The damaged file and a journal beside it go aside together: the journal belongs to it and
    // would otherwise be played into the restored file.
    fs::path aside;
    try {
        if (present) {
            aside = AsideName(working);
            fs::rename(working, aside);
            for (const char* suffix : {"-journal", "-wal"}) {
                if (fs::exists(working.string() + suffix))
                    fs::rename(working.string() + suffix, aside.string() + suffix);
            }
        }
        fs::rename(replacement, working);
    } catch (const std::exception& error) {
        RemoveDatabaseFileQuietly(replacement);
        throw UserError("恢复没有完成（" + ErrorText(error) + "），损坏的数据库" +
                        (aside.empty() || fs::exists(working)
                             ? std::string("没有改变。")
                             : "保存在“" + aside.string() + "”。"));
    }
    try {
        SyncToDisk(working.parent_path());
    } catch (const std::exception&) {
        // The rename is done; only its durability across a power loss is less certain.
    }
    result.message = "数据库已经恢复为备份文件“" + file.string() + "”的内容（" +
                     std::to_string(inspection.records) + "条记录）。";
    if (present) result.message += "损坏的数据库保存在“" + aside.string() + "”。";
    result.damagedAside = aside;
    return result;
}

BackupInspection InspectBackup(SQLite::Database& working, const fs::path& file) {
    return InspectFile(working, file, SQLite::OPEN_READONLY);
}

std::string RestoreQuestion(const BackupInspection& backup) {
    return "确认用备份文件“" + backup.file.string() + "”（标记为【" + backup.label + "】，" +
           std::to_string(backup.records) +
           "条记录）替换当前的数据库么？替换之前，当前的数据库会先保存一份安全备份。";
}

namespace {

// A damaged working database gives no sound safety copy and no history to carry over: it goes
// aside instead, and the connection opens the restored file (or the damaged one again).
RestoreResult RestoreOverOpenDamaged(DatabaseConnection& connection, const fs::path& file) {
    const fs::path working = connection.CurrentDatabasePath();
    connection.Close();
    RestoreResult result;
    try {
        result = RestoreOverDamaged(working, file, DeliveredFolder() / kDatabaseFileName);
    } catch (...) {
        try {
            connection.Reopen();
        } catch (const std::exception&) {
            // The restore's own failure is the news; the window says the database is closed.
        }
        throw;
    }
    connection.Reopen();
    return result;
}

}  // namespace

RestoreResult RestoreBackup(DatabaseConnection& connection, const fs::path& file) {
    if (WholeFileFinding(connection.Db()) != "ok") return RestoreOverOpenDamaged(connection, file);
    HistoryEntry history;
    history.time = HistoryTimeNow();
    history.operation = kHistoryRestore;
    history.fileName = fs::absolute(file).string();
    SQLite::Database& working = connection.Db();

    RestoreResult result;
    fs::path replacement;
    try {
        RefuseUnusable(working, file);
        RefuseUnreplaceable(connection.CurrentDatabasePath());
        try {
            replacement = CreatePrivateTempFile(connection.CurrentDatabasePath());
        } catch (const std::exception& error) {
            throw UserError("无法在数据文件夹中准备恢复（" + ErrorText(error) +
                            "），数据库没有任何改变。");
        }
        result.upgradeFindings = PrepareReplacement(working, file, replacement, history);
        result.safetyCopy = MakeSafetyCopy(working, safety_operation::kRestore);
        Replace(connection, replacement);
    } catch (const SwappedButNotReopened& error) {
        // Said as it is: the records are the backup's, the connection must be opened anew.
        try {
            connection.Reopen();
        } catch (const std::exception&) {
            throw UserError("数据库已经恢复为备份文件“" + file.string() +
                            "”的内容，但重新打开时发生错误（" + error.what() +
                            "），请重新启动本软件。恢复之前的数据库保存在“" +
                            result.safetyCopy.string() + "”。");
        }
    } catch (const UserError& error) {
        if (!replacement.empty()) RemoveDatabaseFileQuietly(replacement);
        if (connection.IsOpen()) AppendFailureHistory(connection.Db(), history, error.what());
        throw;
    } catch (const std::exception& error) {
        if (!replacement.empty()) RemoveDatabaseFileQuietly(replacement);
        const std::string message =
            "恢复没有完成（" + ErrorText(error) + "），数据库没有任何改变。";
        if (connection.IsOpen()) AppendFailureHistory(connection.Db(), history, message);
        throw UserError(message);
    }
    result.message = "数据库已经恢复为备份文件“" + file.string() + "”的内容（" +
                     std::to_string(history.records) + "条记录）。恢复之前的数据库保存在“" +
                     result.safetyCopy.string() + "”。";
    return result;
}

}  // namespace tallwick::exchange
