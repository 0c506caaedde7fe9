#include "command.h"

#include "common/user_error.h"
#include "sheet_python_reader.h"
#include "summary/summary_workbook.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {

class CliSummary : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(
            test::DeliveredDatabasePath().parent_path() / summary::kSummaryTemplateName,
            copy.Folder() / summary::kSummaryTemplateName);
        copy.Db().exec(
            "INSERT INTO dt_data (c901, c904, c907, z001) VALUES "
            "(100000000001, 4, 1, 3), (100000000002, 4, 2, 5), (100000000003, 1, 1, 7);"
            "INSERT INTO dt_data1 (c901) VALUES (100000000001), (100000000002), (100000000003);"
            "INSERT INTO ct_group (id, Name, orderstr) VALUES (7, '两段', 'id ASC');"
            "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, LowSymbol, HighBoundary, "
            "HighSymbol) VALUES (7, '前两个', 100000000001, '>=', 100000000003, '<'), "
            "(7, '第三个', 100000000003, '>=', 100000000003, '<=');");
    }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunSummary({std::move(args), copy.Folder(), out, err, false});
    }

    test::DeliveredDatabaseCopy copy;
    std::filesystem::path output = copy.Folder() / "汇总.xlsx";
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliSummary, WritesTheChosenSheetsAndPrintsWhereTheWorkbookIs) {
    ASSERT_EQ(Run({"--by", "level", "--tables", "1,2", "-o", output.string()}), 0) << err.str();
    EXPECT_EQ(out.str(), output.string() + "\n");
    const test::ReadBack back = test::ReadWithOpenpyxl(output);
    ASSERT_EQ(back.sheets, (std::vector<std::string>{"封面", "表一(1)"}));
    // Levels 0 to 12 from row 10 down: level 1 in row 11, level 4 in row 14.
    EXPECT_EQ(back.Cell("表一(1)", "B11"), "1");
    EXPECT_EQ(back.Cell("表一(1)", "C11"), "7");
    EXPECT_EQ(back.Cell("表一(1)", "B14"), "2");
    EXPECT_EQ(back.Cell("表一(1)", "C14"), "8");
    EXPECT_EQ(back.Cell("表一(1)", "B12"), "");

    ASSERT_EQ(Run({"--by", "group:7", "--tables", "2", "-o", output.string()}), 0) << err.str();
    const test::ReadBack grouped = test::ReadWithOpenpyxl(output);
    EXPECT_EQ(grouped.Cell("表一(1)", "A10"), "前两个");
    EXPECT_EQ(grouped.Cell("表一(1)", "C10"), "8");
    EXPECT_EQ(grouped.Cell("表一(1)", "A11"), "第三个");
    EXPECT_EQ(grouped.Cell("表一(1)", "C11"), "7");
}

TEST_F(CliSummary, RefusesWhatCannotBeSummed) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--by", "level"},
             {"--by", "year", "-o", "x.xlsx"},
             {"--by", "group:x", "-o", "x.xlsx"},
             {"--by", "state", "--tables", "0,28", "-o", "x.xlsx"},
             {"--by", "state", "-o"}}) {
        EXPECT_EQ(Run(args), 2) << testing::PrintToString(args);
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    EXPECT_THROW(
        {
            try {
                Run({"--by", "state", "--tables", "1", "-o", output.string()});
            } catch (const UserError& error) {
                EXPECT_STREQ(error.what(), summary::kOnlyCoverTicked);
                throw;
            }
        },
        UserError);
    EXPECT_EQ(Run({"--by", "state", "--tables", "", "-o", output.string()}), 1);
    EXPECT_EQ(err.str(), "请至少选择一个表格进行汇总。\n");
    for (const char* missing : {"group:8", "group:0"}) {
        try {
            Run({"--by", missing, "-o", output.string()});
            ADD_FAILURE() << missing;
        } catch (const UserError& error) {
            EXPECT_STREQ(error.what(), summary::kGroupingMissing);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(output));
    std::filesystem::remove(copy.Folder() / summary::kSummaryTemplateName);
    EXPECT_THROW(Run({"--by", "state", "-o", output.string()}), UserError);
    EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
}  // namespace tallwick::cli
