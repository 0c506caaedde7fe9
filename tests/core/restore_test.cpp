// Restoring a backup: the round trip, the safety copy before it, the history row, an older
// backup brought up to date, and the files that are refused with the database unchanged.
#include "exchange/restore.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/backup.h"
#include "exchange/import_history.h"
#include "exchange_test_data.h"
#include "history/history_reading.h"
#include "history/history_rows.h"
#include "history/history_table.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/safety_copy.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <SQLiteCpp/Transaction.h>

#include <fstream>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;

// A successful import of `file` at `time`, entered into the database's import history.
void AppendImport(SQLite::Database& db, const std::string& time, const std::string& file) {
    HistoryEntry entry;
    entry.time = time;
    entry.operation = kHistoryImport;
    entry.fileName = file;
    entry.succeeded = true;
    entry.outcome = kHistorySucceeded;
    AppendHistory(db, entry);
}

class RestoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setup.CloseDb();
        connection = std::make_unique<DatabaseConnection>(DatabaseConnection::Open(setup.Folder()));
        for (int i = 0; i < 3; ++i) test::AddRecord(db(), kFirst + i, "原有");
        db().exec("UPDATE ct_label SET db_name = '备份时的标签'");
        AppendImport(db(), "2026-01-01 08:00:00", "/tmp/a.dat");
        backup = files.Path() / "backup.mdb";
        BackupDatabase(db(), backup);
        backedUp = test::RecordRows(db());
    }

    SQLite::Database& db() { return connection->Db(); }

    std::string Refusal(const fs::path& file) {
        const auto before = test::RecordRows(db());
        const auto historyBefore = ReadHistory(db()).size();
        std::string message;
        try {
            RestoreBackup(*connection, file);
            message = "restored";
        } catch (const UserError& error) {
            message = error.what();
        }
        EXPECT_EQ(test::RecordRows(db()), before);
        const auto history = ReadHistory(db());
        EXPECT_EQ(history.size(), historyBefore + 1);
        if (!history.empty()) {
            EXPECT_FALSE(history.front().succeeded);
            EXPECT_EQ(history.front().outcome, message);
            EXPECT_EQ(history.front().operation, "恢复");
        }
        return message;
    }

    test::DeliveredDatabaseCopy setup;
    std::unique_ptr<DatabaseConnection> connection;
    test::TempFolder files;
    fs::path backup;
    std::vector<std::string> backedUp;
};

TEST_F(RestoreTest, ABackupReplacesTheDatabaseAfterASafetyCopyOfIt) {
    // Later work that the restore undoes.
    db().exec(
        "DELETE FROM dt_data WHERE c901 = 100000000001; DELETE FROM dt_data1 WHERE c901 = "
        "100000000001; UPDATE ct_label SET db_name = '后来的标签'");
    test::AddRecord(db(), kFirst + 7, "后来");
    const auto later = test::RecordRows(db());

    const auto inspection = InspectBackup(db(), backup);
    EXPECT_EQ(inspection.label, "备份时的标签");
    EXPECT_EQ(inspection.records, 3);
    EXPECT_EQ(RestoreQuestion(inspection),
              "确认用备份文件“" + backup.string() +
                  "”（标记为【备份时的标签】，3条记录）替换当前的数据库么？替换之前，当前的数据库会"
                  "先保存一份安全备份。");

    const auto result = RestoreBackup(*connection, backup);
    EXPECT_EQ(test::RecordRows(db()), backedUp);
    EXPECT_EQ(connection->ReadDatabaseLabel(), "备份时的标签");
    EXPECT_EQ(db().execAndGet("PRAGMA integrity_check").getString(), "ok");

    // The state before the restore is kept as a safety copy that restores in its turn.
    const auto copies = ListSafetyCopies(setup.Folder());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].operation, "恢复");
    EXPECT_EQ(copies[0].path, result.safetyCopy);
    EXPECT_EQ(result.message, "数据库已经恢复为备份文件“" + backup.string() +
                                  "”的内容（3条记录）。恢复之前的数据库保存在“" +
                                  result.safetyCopy.string() + "”。");

    // The restored import history is the backup's (the later work added none), the restore on top.
    const auto history = ReadHistory(db());
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].operation, "恢复");
    EXPECT_EQ(history[0].fileName, backup.string());
    EXPECT_EQ(history[0].label, "备份时的标签");
    EXPECT_EQ(history[0].records, 3);
    EXPECT_TRUE(history[0].succeeded);
    EXPECT_EQ(history[1].fileName, "/tmp/a.dat");

    RestoreBackup(*connection, result.safetyCopy);
    EXPECT_EQ(test::RecordRows(db()), later);
    // Nothing is left beside the working file but the lock and the folder of copies.
    for (const auto& entry : fs::directory_iterator(setup.Folder())) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(name == kDatabaseFileName || name == "backups") << name;
    }
    // The guards of the record tables work on the restored file.
    EXPECT_THROW(db().exec("UPDATE dt_data SET z001 = 'x'"), SQLite::Exception);
}

std::vector<std::string> ImportLog(SQLite::Database& db) {
    std::vector<std::string> files;
    for (const auto& entry : ReadHistory(db))
        files.push_back(entry.operation + " " + entry.fileName);
    return files;
}

std::vector<std::string> ChangesOf(SQLite::Database& db, double code) {
    std::vector<std::string> changes;
    for (const auto& change : history::ReadRecordHistory(db, code))
        changes.push_back(change.operation + " " + change.field);
    return changes;
}

// The records go back; the logs of what happened to them do not. Rows both databases hold come
// once, however often the restores go back and forth.
TEST_F(RestoreTest, TheLogsOfTheWorkingDatabaseSurviveARestore) {
    AppendImport(*OpenExistingSqlite(backup), "2026-01-05 09:00:00", "/tmp/only-in-the-backup.dat");
    AppendImport(db(), "2026-02-01 10:00:00", "/tmp/b.dat");
    {
        SQLite::Transaction transaction(db());
        history::AppendFieldChanges(db(), history::kEntrySave, kFirst, {{"z001", "1", "2"}});
        transaction.commit();
    }

    const auto result = RestoreBackup(*connection, backup);
    const std::vector<std::string> afterRestore = {"恢复 " + backup.string(), "导入 /tmp/b.dat",
                                                   "导入 /tmp/only-in-the-backup.dat",
                                                   "导入 /tmp/a.dat"};
    EXPECT_EQ(ImportLog(db()), afterRestore);
    EXPECT_EQ(ChangesOf(db(), kFirst), (std::vector<std::string>{"恢复 ", "录入保存 z001"}));
    EXPECT_EQ(db().execAndGet("SELECT count(*) FROM dt_history WHERE Operation = '恢复'").getInt(),
              3);

    // Back to the state before: nothing doubles; the rows the copy lacked follow its own, in the
    // order this database learnt of them.
    RestoreBackup(*connection, result.safetyCopy);
    EXPECT_EQ(ImportLog(db()),
              (std::vector<std::string>{
                  "恢复 " + result.safetyCopy.string(), "恢复 " + backup.string(),
                  "导入 /tmp/only-in-the-backup.dat", "导入 /tmp/b.dat", "导入 /tmp/a.dat"}));
    EXPECT_EQ(ChangesOf(db(), kFirst),
              (std::vector<std::string>{"恢复 ", "恢复 ", "录入保存 z001"}));
}

TEST_F(RestoreTest, AnOlderBackupIsBroughtUpToDate) {
    {
        auto old = OpenExistingSqlite(backup);
        old->exec("DROP TABLE ImportHistory; PRAGMA user_version = 2");
    }
    const auto inspection = InspectBackup(db(), backup);
    EXPECT_EQ(inspection.version, 2);
    RestoreBackup(*connection, backup);
    EXPECT_EQ(SchemaVersion(db()), kSchemaVersion);
    EXPECT_EQ(test::RecordRows(db()), backedUp);
    const auto history = ReadHistory(db());
    // The older file had no import history; the working database's is kept.
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[1].fileName, "/tmp/a.dat");
    EXPECT_EQ(history[0].operation, "恢复");
}

TEST_F(RestoreTest, FilesThatAreNoSoundBackupOfThisLayoutAreRefused) {
    const auto variant = [&](const std::string& name, const std::string& sql) {
        const fs::path file = files.Path() / name;
        fs::copy_file(backup, file);
        OpenExistingSqlite(file)->exec(sql);
        return file;
    };
    const fs::path text = files.Path() / "text.mdb";
    std::ofstream(text) << "not a database";
    // An index whose entries no longer fit its definition: only the integrity check sees it.
    const fs::path damaged = variant("damaged.mdb",
                                     "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = "
                                     "replace(sql, '(RecordState)', '(c902)') WHERE name = "
                                     "'dt_data_RecordState'");
    struct Case {
        fs::path file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {files.Path() / "missing.mdb", "您选择的文件并不存在，请选择其它文件。"},
        {setup.FilePath(),
         "您选择的文件是系统正在使用的数据库文件，不能用它恢复，请选择其它文件。"},
        {text, "所选文件不是本软件的数据备份文件，不能恢复。"},
        {variant("nolabel.mdb", "DROP TABLE ct_label"),
         "所选文件中没有数据表“ct_label”，它不是本软件的数据备份文件，不能恢复。"},
        {variant("columns.mdb", "ALTER TABLE dt_data1 ADD COLUMN y099 REAL"),
         "所选文件中数据表“dt_data1”的字段与本软件的不同，它不是本软件的数据备份文件，不能恢复。"},
        {variant("newer.mdb", "PRAGMA user_version = " + std::to_string(kSchemaVersion + 1)),
         "所选备份文件的版本高于本软件的版本，请使用新版本的软件恢复。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        EXPECT_THROW(InspectBackup(db(), c.file), UserError);
        EXPECT_EQ(Refusal(c.file), c.message);
    }
    EXPECT_TRUE(Refusal(damaged).starts_with("所选备份文件已经损坏（完整性检查没有通过："));
    // No safety copy was made for a restore that did not happen, and nothing is left behind.
    EXPECT_TRUE(ListSafetyCopies(setup.Folder()).empty());
    for (const auto& entry : fs::directory_iterator(setup.Folder()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(kTempFilePrefix));
}

// The disk lacks room for the safety copy: the restore does not happen.
TEST_F(RestoreTest, WithoutRoomForTheSafetyCopyNothingIsRestored) {
    db().exec("DELETE FROM dt_data; DELETE FROM dt_data1");
    const ScopedSafetyCopyPolicy full(
        {20, {}, [](const fs::path&) -> std::uintmax_t { return 0; }});
    EXPECT_TRUE(Refusal(backup).starts_with("磁盘空间不足"));
    EXPECT_EQ(db().execAndGet("SELECT count(*) FROM dt_data").getInt(), 0);
}

TEST(SchemaUpgrade, TheHistoryTableOfAnUpgradeIsThatOfADeliveredDatabase) {
    test::DeliveredDatabaseCopy old;
    old.Db().exec("DROP TABLE ImportHistory; PRAGMA user_version = 2");
    old.CloseDb();
    auto connection = DatabaseConnection::Open(old.Folder());
    test::DeliveredDatabaseCopy fresh;
    const std::string definition =
        "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'ImportHistory'";
    EXPECT_EQ(connection.Db().execAndGet(definition).getString(),
              fresh.Db().execAndGet(definition).getString());
    EXPECT_EQ(SchemaVersion(connection.Db()), kSchemaVersion);
}

}  // namespace
}  // namespace tallwick::exchange
