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
    // Rows with empty (NULL) values that both logs hold: they must be matched, not doubled.
    const std::string nullRows =
        "INSERT INTO dt_history (ChangeTime, Operation, c901, FieldName, OldValue, NewValue, "
        "Processor) VALUES ('2026-01-02 08:00:00', '导入', 100000000003, NULL, NULL, NULL, NULL); "
        "INSERT INTO ImportHistory (Time, Operation, FileName, Label, Records, Added, Replaced, "
        "Kept, Succeeded, Outcome) VALUES ('2026-01-02 08:00:00', '导入', '/tmp/n.dat', NULL, 1, "
        "1, "
        "0, 0, 1, '成功')";
    db().exec(nullRows);
    OpenExistingSqlite(backup)->exec(nullRows);
    const auto nullRowsHeld = [&] {
        return db()
            .execAndGet(
                "SELECT (SELECT count(*) FROM dt_history WHERE ChangeTime = "
                "'2026-01-02 08:00:00') || ',' || (SELECT count(*) FROM "
                "ImportHistory WHERE Time = '2026-01-02 08:00:00')")
            .getString();
    };
    AppendImport(*OpenExistingSqlite(backup), "2026-01-05 09:00:00", "/tmp/only-in-the-backup.dat");
    AppendImport(db(), "2026-02-01 10:00:00", "/tmp/b.dat");
    {
        SQLite::Transaction transaction(db());
        history::AppendFieldChanges(db(), history::kEntrySave, kFirst, {{"z001", "1", "2"}});
        transaction.commit();
    }

    const auto result = RestoreBackup(*connection, backup);
    EXPECT_EQ(nullRowsHeld(), "1,1");
    const std::vector<std::string> afterRestore = {"恢复 " + backup.string(), "导入 /tmp/b.dat",
                                                   "导入 /tmp/only-in-the-backup.dat",
                                                   "导入 /tmp/n.dat", "导入 /tmp/a.dat"};
    EXPECT_EQ(ImportLog(db()), afterRestore);
    EXPECT_EQ(ChangesOf(db(), kFirst), (std::vector<std::string>{"恢复 ", "录入保存 z001"}));
    EXPECT_EQ(db().execAndGet("SELECT count(*) FROM dt_history WHERE Operation = '恢复'").getInt(),
              3);

    // Back to the state before: nothing doubles; the rows the copy lacked follow its own, in the
    // order this database learnt of them.
    RestoreBackup(*connection, result.safetyCopy);
    EXPECT_EQ(nullRowsHeld(), "1,1");
    EXPECT_EQ(ImportLog(db()), (std::vector<std::string>{
                                   "恢复 " + result.safetyCopy.string(), "恢复 " + backup.string(),
                                   "导入 /tmp/only-in-the-backup.dat", "导入 /tmp/b.dat",
                                   "导入 /tmp/n.dat", "导入 /tmp/a.dat"}));
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
        // Not only the record tables and the label: every table and view of the layout.
        {variant("nogroups.mdb", "DROP TABLE DT_GroupItem"),
         "所选文件中没有数据表“DT_GroupItem”，它不是本软件的数据备份文件，不能恢复。"},
        {variant("noview.mdb", "DROP VIEW view_datasearch"),
         "所选文件中没有视图“view_datasearch”，它不是本软件的数据备份文件，不能恢复。"},
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

// The restored file is the program's own, whatever the backup file's permissions, and a record
// the backup lacks leaves a 恢复 row that says it went.
TEST_F(RestoreTest, TheRestoredFileIsPrivateAndTheRecordsItRemovesAreOnRecord) {
    fs::permissions(backup, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read | fs::perms::others_write);
    test::AddRecord(db(), kFirst + 5, "后加");
    RestoreBackup(*connection, backup);
    EXPECT_EQ(test::RecordRows(db()), backedUp);
    EXPECT_EQ(fs::status(setup.FilePath()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    SQLite::Statement rows(db(),
                           "SELECT Operation, NewValue FROM dt_history WHERE c901 = ? ORDER BY id");
    rows.bind(1, kFirst + 5);
    std::vector<std::string> found;
    while (rows.executeStep())
        found.push_back(rows.getColumn(0).getString() + " " + rows.getColumn(1).getString());
    EXPECT_EQ(found, (std::vector<std::string>{"恢复 备份中没有该记录，恢复后已删除"}));
}

// The rename would replace a link, not the file it points to, and a write-protected file all the
// same: neither happens without a word.
TEST_F(RestoreTest, ALinkOrAWriteProtectedDatabaseIsNotReplaced) {
    const fs::path working = setup.FilePath();
    const fs::path target = files.Path() / "elsewhere.mdb";
    connection->Close();
    fs::rename(working, target);
    fs::create_symlink(target, working);
    connection->Reopen();
    EXPECT_EQ(Refusal(backup), "数据库文件“" + working.string() +
                                   "”是指向其它文件的链接，恢复只会替换这个链接而不是它指向的文"
                                   "件，不能恢复，数据库没有任何改变。请在链接指向的文件所在的数"
                                   "据文件夹中恢复。");
    EXPECT_TRUE(fs::is_symlink(working));

    connection->Close();
    fs::remove(working);
    fs::rename(target, working);
    connection->Reopen();
    fs::permissions(working, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(Refusal(backup), "数据库文件“" + working.string() +
                                   "”是只读的，不能恢复，数据库没有任何改变。请先允许写入该文件。");
    EXPECT_EQ(fs::status(working).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(ListSafetyCopies(setup.Folder()).empty());
}

// The swap is refused after the connection was closed for it (a journal lies beside the working
// file, which the rename would hand to the backup's contents): the program goes on with the
// working database as it was, reading and writing through the same connection.
TEST_F(RestoreTest, ASwapRefusedAfterTheConnectionClosedLeavesItUsable) {
    test::AddRecord(db(), kFirst + 5, "后加");
    const auto before = test::RecordRows(db());
    const std::string journal = setup.FilePath().string() + "-journal";
    std::ofstream{journal};  // empty, so the engine itself ignores it
    std::string message;
    try {
        RestoreBackup(*connection, backup);
    } catch (const UserError& error) {
        message = error.what();
    }
    EXPECT_EQ(message,
              "数据库文件旁边有未完成的日志文件“" + journal + "”，不能恢复，数据库没有任何改变。");
    ASSERT_TRUE(connection->IsOpen());
    EXPECT_EQ(test::RecordRows(db()), before);
    EXPECT_EQ(ReadHistory(db()).front().outcome, message);
    fs::remove(journal);
    test::AddRecord(db(), kFirst + 6, "之后");
    EXPECT_EQ(db().execAndGet("SELECT count(*) FROM dt_data").getInt(), 5);
}

// A working database that cannot be opened is what a restore is for: the backup replaces it and
// the damaged file is kept beside it; a missing one is simply restored.
TEST_F(RestoreTest, ADamagedOrMissingWorkingDatabaseIsRestoredAndTheDamagedFileKeptAside) {
    const fs::path working = setup.FilePath();
    connection->Close();
    EXPECT_FALSE(IsDamagedOrMissing(working));
    std::ofstream(working, std::ios::binary | std::ios::trunc) << "damaged beyond reading";
    EXPECT_TRUE(IsDamagedOrMissing(working));

    const auto restored = RestoreOverDamaged(working, backup, test::DeliveredDatabasePath());
    EXPECT_EQ(test::RecordRows(*OpenExistingSqlite(working)), backedUp);
    EXPECT_EQ(fs::status(working).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    std::ifstream aside(restored.damagedAside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(aside), {}), "damaged beyond reading");
    EXPECT_EQ(restored.message, "数据库已经恢复为备份文件“" + backup.string() +
                                    "”的内容（3条记录）。损坏的数据库保存在“" +
                                    restored.damagedAside.string() + "”。");
    EXPECT_EQ(ReadHistory(*OpenExistingSqlite(working)).front().operation, "恢复");

    fs::remove(working);
    EXPECT_TRUE(IsDamagedOrMissing(working));
    // A file without the whole layout is refused all the same, and nothing is made.
    const fs::path partial = files.Path() / "partial.mdb";
    fs::copy_file(backup, partial);
    OpenExistingSqlite(partial)->exec("DROP VIEW view_data");
    EXPECT_THROW(RestoreOverDamaged(working, partial, test::DeliveredDatabasePath()), UserError);
    EXPECT_FALSE(fs::exists(working));
    EXPECT_TRUE(
        RestoreOverDamaged(working, backup, test::DeliveredDatabasePath()).damagedAside.empty());
    EXPECT_EQ(test::RecordRows(*OpenExistingSqlite(working)), backedUp);
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
