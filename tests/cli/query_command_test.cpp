#include "command.h"

#include "common/user_error.h"
#include "sheet_python_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {

class CliQuery : public ::testing::Test {
  protected:
    void SetUp() override {
        copy.Db().exec(
            "INSERT INTO dt_data (c901, c902, z001) VALUES (100000000001, '甲', 5), "
            "(100000000002, '乙', 10), (100000000003, '丙', 49), (100000000004, '丁', 50);"
            "INSERT INTO dt_data1 (c901, y005) VALUES (100000000001, 0), (100000000002, 3), "
            "(100000000003, 0), (100000000004, 7);");
    }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunQuery({std::move(args), copy.Folder(), out, err, false});
    }

    test::DeliveredDatabaseCopy copy;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliQuery, AnOwnConditionListsItsRecordsAndExportsThem) {
    const auto workbook = copy.Folder() / "结果.xlsx";
    const auto database = copy.Folder() / "结果";
    ASSERT_EQ(Run({"--where", "z001>=10 and z001<50", "-o", workbook.string(), "--db",
                   database.string()}),
              0)
        << err.str();
    EXPECT_EQ(out.str().substr(0, out.str().find("Excel")),
              "100000000002\t乙\n100000000003\t丙\n符合条件的数据总数：2\n");

    const test::ReadBack back = test::ReadWithOpenpyxl(workbook);
    EXPECT_EQ(back.Cell("Tallwick查询结果", "A3"), "本级工会统计编码");
    EXPECT_EQ(back.Cell("Tallwick查询结果", "B5"), "乙");
    EXPECT_EQ(back.Cell("Tallwick查询结果", "B6"), "丙");

    SQLite::Database exported(database.string() + ".mdb");
    EXPECT_EQ(exported.execAndGet("SELECT count(*) FROM \"Tallwick查询结果\"").getInt(), 2);
    EXPECT_EQ(exported.execAndGet("SELECT sum(y005) FROM \"Tallwick查询结果1\"").getInt(), 3);
}

TEST_F(CliQuery, AConditionOnTheSecondTableListsTheRecordsItMatches) {
    ASSERT_EQ(Run({"--where", "y005>0"}), 0) << err.str();
    EXPECT_EQ(out.str(), "100000000002\t乙\n100000000004\t丁\n符合条件的数据总数：2\n");
}

TEST_F(CliQuery, ARejectedOrMissingConditionFails) {
    EXPECT_THROW(Run({"--where", "nosuchfield>1"}), UserError);
    EXPECT_EQ(Run({"--where", "  "}), 2);
    EXPECT_EQ(Run({"--where"}), 2);
}

}  // namespace
}  // namespace tallwick::cli
