#include "exchange/restore.h"

#include "common/ascii.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/exchange_messages.h"
#include "exchange/import_history.h"
#include "history/history_rows.h"
#include "history/history_table.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/safety_copy.h"
#include "store/schema_version.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
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
        fs::copy_file(backup, replacement, fs::copy_options::overwrite_existing);
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
        history.succeeded = true;
        history.outcome = kHistorySucceeded;
        const AttachedFile current(*db, working.getFilename(), "current");
        SQLite::Transaction transaction(*db);
        KeepTheWorkingLogs(*db, current.Schema());
        AppendHistory(*db, history);
        history::AppendWholeRecordRows(*db, history::kRestore, "SELECT c901 FROM dt_data");
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
    connection.Reopen();
}

}  // namespace

BackupInspection InspectBackup(SQLite::Database& working, const fs::path& file) {
    return InspectFile(working, file, SQLite::OPEN_READONLY);
}

std::string RestoreQuestion(const BackupInspection& backup) {
    return "确认用备份文件“" + backup.file.string() + "”（标记为【" + backup.label + "】，" +
           std::to_string(backup.records) +
           "条记录）替换当前的数据库么？替换之前，当前的数据库会先保存一份安全备份。";
}

RestoreResult RestoreBackup(DatabaseConnection& connection, const fs::path& file) {
    HistoryEntry history;
    history.time = HistoryTimeNow();
    history.operation = kHistoryRestore;
    history.fileName = fs::absolute(file).string();
    SQLite::Database& working = connection.Db();

    RestoreResult result;
    fs::path replacement;
    try {
        RefuseUnusable(working, file);
        try {
            replacement = CreatePrivateTempFile(connection.CurrentDatabasePath());
        } catch (const std::exception& error) {
            throw UserError("无法在数据文件夹中准备恢复（" + ErrorText(error) +
                            "），数据库没有任何改变。");
        }
        result.upgradeFindings = PrepareReplacement(working, file, replacement, history);
        result.safetyCopy = MakeSafetyCopy(working, safety_operation::kRestore);
        Replace(connection, replacement);
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
