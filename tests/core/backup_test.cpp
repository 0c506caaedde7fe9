// Backups through SQLite's online backup while the working connection stays open.
#include "exchange/backup.h"
#include "exchange/group_transfer.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange_test_data.h"
#include "store/database.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

TEST(Backup, TheCopyOpensAndHoldsTheSameRowsAndReplacesAnOlderFile) {
    test::DeliveredDatabaseCopy copy;
    for (int i = 0; i < 50; ++i) test::AddRecord(copy.Db(), 100000000001.0 + i, "工会");
    const fs::path target = copy.Folder() / "backup.mdb";
    WriteFileAtomically(target, {'o', 'l', 'd'});

    std::uint64_t lastDone = 0, lastTotal = 0;
    EXPECT_EQ(BackupDatabase(copy.Db(), target,
                             [&](std::uint64_t done, std::uint64_t total) {
                                 lastDone = done;
                                 lastTotal = total;
                             }),
              "备份成功");
    EXPECT_GT(lastTotal, 0u);
    EXPECT_EQ(lastDone, lastTotal);

    auto backup = OpenExistingSqlite(target);
    EXPECT_EQ(backup->execAndGet("PRAGMA integrity_check").getString(), "ok");
    EXPECT_EQ(test::RecordRows(*backup), test::RecordRows(copy.Db()));
    EXPECT_EQ(test::Rows(*backup, "DT_FieldList", "id"),
              test::Rows(copy.Db(), "DT_FieldList", "id"));
    EXPECT_EQ(backup->execAndGet("PRAGMA user_version").getInt(),
              copy.Db().execAndGet("PRAGMA user_version").getInt());
}

// The copy goes 1,024 pages a step; a database of several steps must arrive whole.
TEST(Backup, ADatabaseOfSeveralStepsIsCopiedWhole) {
    test::DeliveredDatabaseCopy copy;
    copy.Db().exec("CREATE TABLE filler (x BLOB); INSERT INTO filler VALUES (randomblob(9000000))");
    test::AddRecord(copy.Db(), 100000000001.0, "工会");
    const fs::path target = copy.Folder() / "backup.mdb";

    std::vector<std::uint64_t> done;
    BackupDatabase(copy.Db(), target, [&](std::uint64_t d, std::uint64_t) { done.push_back(d); });
    EXPECT_GE(done.size(), 3u);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));

    auto backup = OpenExistingSqlite(target);
    EXPECT_EQ(backup->execAndGet("PRAGMA integrity_check").getString(), "ok");
    const auto filler = [](SQLite::Database& db) {
        return db.execAndGet("SELECT hex(x) FROM filler").getString();
    };
    EXPECT_TRUE(filler(*backup) == filler(copy.Db())) << "the blob differs";
    EXPECT_EQ(test::RecordRows(*backup), test::RecordRows(copy.Db()));
}

TEST(Backup, AFailureIsReportedAndLeavesNoFile) {
    test::DeliveredDatabaseCopy copy;
    const fs::path target = copy.Folder() / "no-such-folder" / "backup.mdb";
    try {
        BackupDatabase(copy.Db(), target);
        FAIL() << "backed up";
    } catch (const UserError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("运行中发生错误：")) << error.what();
    }
    EXPECT_FALSE(fs::exists(target.parent_path()));
}

// The backup and the group export written over the open working database itself, under its own
// name or through a link, are refused before anything is written.
TEST(Backup, ACopyOntoTheWorkingDatabaseItselfIsRefused) {
    test::DeliveredDatabaseCopy copy;
    test::AddRecord(copy.Db(), 100000000001.0, "工会");
    const fs::path working = copy.Db().getFilename();
    const fs::path link = copy.Folder() / "link.mdb";
    fs::create_symlink(working, link);
    const auto before = ReadWholeFile(working);
    const std::function<std::string(const fs::path&)> copies[] = {
        [&](const fs::path& target) { return BackupDatabase(copy.Db(), target); },
        [&](const fs::path& target) { return ExportTables(working, kGroupTables, target); },
    };
    for (const auto& copyTo : copies) {
        for (const fs::path& target : {working, link, copy.Folder() / "." / working.filename()}) {
            try {
                copyTo(target);
                ADD_FAILURE() << "copied onto " << target;
            } catch (const UserError& error) {
                EXPECT_STREQ(error.what(), "不能导出到正在使用的数据库文件本身，请另选一个文件。");
            }
        }
    }
    EXPECT_EQ(ReadWholeFile(working), before);
    EXPECT_EQ(copy.Db().execAndGet("SELECT count(*) FROM dt_data").getInt(), 1);
    EXPECT_EQ(BackupDatabase(copy.Db(), copy.Folder() / "other.mdb"), "备份成功");
}

}  // namespace
}  // namespace tallwick::exchange
