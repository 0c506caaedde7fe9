// Opening only glances at the working database; damage it cannot see is found wherever the whole
// file is read: before a backup, a safety copy or an import, at a restore, and by the background
// check.
#include "store/file_soundness.h"

#include "exchange/backup.h"
#include "exchange/data_import.h"
#include "exchange/restore.h"
#include "exchange_test_data.h"
#include "store/connection.h"
#include "store/safety_copy.h"
#include "store/whole_file_check.h"
#include "test_support.h"

#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;
constexpr int kRecords = 1500;  // dt_data over many leaf pages

void AddRecords(SQLite::Database& db, double first, int count) {
    SQLite::Transaction transaction(db);
    for (int i = 0; i < count; ++i) test::AddRecord(db, first + i, "工会");
    transaction.commit();
}

std::int64_t CountOf(SQLite::Database& db, double code) {
    SQLite::Statement query(db, "SELECT count(*) FROM dt_data WHERE c901 = ?");
    query.bind(1, code);
    query.executeStep();
    return query.getColumn(0).getInt64();
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    return files;
}

// A working database backed up while sound, then damaged in a record page opening never reads.
class DamagedWorkingDatabase : public ::testing::Test {
  protected:
    void SetUp() override {
        AddRecords(working.Db(), kFirst, kRecords);
        exchange::BackupDatabase(working.Db(), soundBackup);
        working.CloseDb();
        test::DamageMiddleRecordPage(working.FilePath());
        connection.emplace(DatabaseConnection::Open(working.Folder()));
    }

    SQLite::Database& db() { return connection->Db(); }

    test::DeliveredDatabaseCopy working;
    test::TempFolder elsewhere;
    fs::path soundBackup = elsewhere.Path() / "sound.mdb";
    std::optional<DatabaseConnection> connection;
};

TEST_F(DamagedWorkingDatabase, NoCopyIsMadeAndNothingImportedIntoIt) {
    test::DeliveredDatabaseCopy sender;
    AddRecords(sender.Db(), kFirst + kRecords, 1);
    sender.CloseDb();
    test::TempFolder reports;

    struct Case {
        const char* name;
        std::function<void()> run;
        fs::path folder;  // where nothing may be left
    };
    const Case cases[] = {
        {"backup", [&] { exchange::BackupDatabase(db(), elsewhere.Path() / "backup.mdb"); },
         elsewhere.Path()},
        {"safety copy", [&] { MakeSafetyCopy(db(), safety_operation::kDelete); },
         SafetyCopyFolder(working.Folder())},
        {"import",
         [&] {
             exchange::ImportDataFile(db(), sender.FilePath(), working.Folder(), reports.Path(),
                                      [](const std::string&) { return true; });
         },
         SafetyCopyFolder(working.Folder())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = FilesIn(c.folder);
        try {
            c.run();
            ADD_FAILURE() << "went ahead on a damaged database";
        } catch (const DamagedDatabase& error) {
            EXPECT_NE(std::string(error.what()).find(working.FilePath().string()),
                      std::string::npos);
            EXPECT_NE(std::string(error.what()).find("恢复备份"), std::string::npos);
        }
        EXPECT_EQ(FilesIn(c.folder), before);
    }
    EXPECT_EQ(CountOf(db(), kFirst + kRecords), 0);
}

TEST_F(DamagedWorkingDatabase, ARestoreSetsItAsideAndLeavesAUsableConnection) {
    const auto result = exchange::RestoreBackup(*connection, soundBackup);
    ASSERT_FALSE(result.damagedAside.empty());
    EXPECT_TRUE(fs::exists(result.damagedAside));
    ASSERT_TRUE(connection->IsOpen());
    EXPECT_EQ(WholeFileFinding(db()), "ok");
    EXPECT_EQ(db().execAndGet("SELECT count(*) FROM dt_data").getInt64(), kRecords);
}

TEST_F(DamagedWorkingDatabase, TheWholeFileCheckFindsWhatOpeningDidNotSee) {
    EXPECT_NE(WholeFileCheck(working.FilePath()).Run(), std::optional<std::string>("ok"));
    EXPECT_EQ(WholeFileCheck(soundBackup).Run(), std::optional<std::string>("ok"));

    WholeFileCheck stopped(working.FilePath());
    stopped.Stop();
    EXPECT_EQ(stopped.Run(), std::nullopt);
}

TEST(FileSoundness, ADamagedFileIsNotImported) {
    test::DeliveredDatabaseCopy receiver;
    test::DeliveredDatabaseCopy sender;
    AddRecords(sender.Db(), kFirst, kRecords);
    sender.CloseDb();
    test::DamageMiddleRecordPage(sender.FilePath());
    try {
        exchange::PrepareImport(receiver.Db(), sender.FilePath(), receiver.Folder());
        ADD_FAILURE() << "a damaged file was accepted";
    } catch (const UserError& error) {
        EXPECT_NE(std::string(error.what()).find("所选文件已经损坏"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(receiver.Db().execAndGet("SELECT count(*) FROM dt_data").getInt64(), 0);
}

}  // namespace
}  // namespace tallwick
