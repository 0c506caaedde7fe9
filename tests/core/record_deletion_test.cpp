// Deleting records from both tables, code ranges, and compaction of the database file.
#include "store/record_deletion.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "store/code_range.h"
#include "store/compaction.h"
#include "store/database.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tallwick {
namespace {

class RecordDeletionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 1; i <= 6; ++i) {
            const std::string code = std::to_string(100000000000 + i);
            db.exec("INSERT INTO dt_data (c901) VALUES (" + code +
                    "); INSERT INTO dt_data1 (c901) VALUES (" + code + ")");
        }
    }

    // The codes left in each table, as "1,2,…" of their last digit.
    std::string Left(const char* table) {
        return db
            .execAndGet(
                std::string(
                    "SELECT ifnull(group_concat(CAST(c901 - 100000000000 AS INTEGER)), '') FROM "
                    "(SELECT c901 FROM ") +
                table + " ORDER BY c901)")
            .getString();
    }

    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(RecordDeletionTest, SelectedCodesLeaveBothTables) {
    EXPECT_EQ(DeleteRecords(db, {100000000002.0, 100000000005.0, 999.0}), 2);
    EXPECT_EQ(Left("dt_data"), "1,3,4,6");
    EXPECT_EQ(Left("dt_data1"), "1,3,4,6");
}

TEST_F(RecordDeletionTest, ARangeIncludesBothBoundsAndAReversedRangeIsOneCode) {
    const CodeRange range = ParseCodeRange("100000000002", "100000000004", kDeleteRangeMissing);
    EXPECT_EQ(DeleteRecordRange(db, range.low, range.high), 3);
    EXPECT_EQ(Left("dt_data"), "1,5,6");
    EXPECT_EQ(Left("dt_data1"), "1,5,6");

    const CodeRange reversed = ParseCodeRange("100000000005", "100000000001", kDeleteRangeMissing);
    EXPECT_EQ(reversed.highText, "100000000005");
    EXPECT_EQ(DeleteRecordRange(db, reversed.low, reversed.high), 1);
    EXPECT_EQ(Left("dt_data"), "1,6");

    for (const auto& [low, high] :
         {std::pair{"", "100000000001"}, std::pair{"100000000001", "0"}}) {
        try {
            ParseCodeRange(low, high, kDeleteRangeMissing);
            ADD_FAILURE() << low << "/" << high;
        } catch (const UserError& error) {
            EXPECT_STREQ(error.what(), "请输入删除的范围");
        }
    }
}

TEST_F(RecordDeletionTest, AllRecordsGoAndAFailedDeletionChangesNothing) {
    // A trigger that refuses the second table's delete stands for any failure half way.
    db.exec(
        "CREATE TEMP TRIGGER refuse BEFORE DELETE ON dt_data1 BEGIN SELECT RAISE(ABORT, "
        "'refused'); END");
    EXPECT_THROW(DeleteAllRecords(db), SQLite::Exception);
    EXPECT_THROW(DeleteRecords(db, {100000000001.0}), SQLite::Exception);
    EXPECT_THROW(DeleteRecordRange(db, 100000000002.0, 100000000004.0), SQLite::Exception);
    EXPECT_EQ(Left("dt_data"), "1,2,3,4,5,6");
    EXPECT_EQ(Left("dt_data1"), "1,2,3,4,5,6");
    db.exec("DROP TRIGGER refuse");

    EXPECT_EQ(DeleteAllRecords(db), 6);
    EXPECT_EQ(Left("dt_data") + Left("dt_data1"), "");
}

TEST(CompactDatabase, ShrinksTheFileTwiceInARowAndKeepsEveryRecord) {
    test::DeliveredDatabaseCopy copy;
    copy.Db().exec(
        "CREATE TABLE filler (x BLOB); INSERT INTO filler VALUES (zeroblob(2000000)); DROP TABLE "
        "filler;"
        "INSERT INTO dt_data (c901) VALUES (100000000001)");
    copy.CloseDb();
    const auto before = std::filesystem::file_size(copy.FilePath());
    CompactDatabase(copy.FilePath());
    EXPECT_LT(std::filesystem::file_size(copy.FilePath()), before - 1000000);
    CompactDatabase(copy.FilePath());
    auto db = OpenExistingSqlite(copy.FilePath());
    EXPECT_EQ(db->execAndGet("SELECT count(*) FROM dt_data").getInt(), 1);
    int files = 0;  // no temp file left beside the database; its safety copies are in a folder
    for (const auto& entry : std::filesystem::directory_iterator(copy.Folder()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST(CompactDatabase, AFailureIsReportedAndLeavesTheFileAsItWas) {
    test::TempFolder folder;
    const auto path = folder.Path() / "2018NB_qd_201809251730.mdb";
    std::ofstream(path) << "not a database";
    const auto before = ReadWholeFile(path);
    try {
        CompactDatabase(path);
        ADD_FAILURE() << "compacted a text file";
    } catch (const UserError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("运行中发生错误：", 0), 0u) << error.what();
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

}  // namespace
}  // namespace tallwick
