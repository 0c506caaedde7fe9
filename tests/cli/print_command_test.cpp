#include "command.h"

#include "print/annual_report.h"
#include "sheet_python_reader.h"
#include "store/database.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {

class CliPrint : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(
            test::DeliveredDatabasePath().parent_path() / print::kAnnualReportTemplateName,
            copy.Folder() / print::kAnnualReportTemplateName);
        copy.Db().exec(
            "INSERT INTO dt_data (c901, c902, z001, b018) VALUES "
            "(44000000001, '某市总工会', 12, 3.5), (44000000002, '另一工会', 7, 0);"
            "INSERT INTO dt_data1 (c901, y001) VALUES (44000000001, 2.75), (44000000002, 9);");
        copy.CloseDb();
    }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--data-dir", copy.Folder().string(), "print"});
        return RunCommandLine(args, out, err);
    }

    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};  // short codes
    std::filesystem::path output = copy.Folder() / "年报.xlsx";
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliPrint, PrintsOneRecordAndSaysWhereTheWorkbookIs) {
    ASSERT_EQ(Run({"44000000001", "-o", output.string()}), 0) << err.str();
    EXPECT_EQ(out.str(), output.string() + "\n");
    const test::ReadBack back = test::ReadWithOpenpyxl(output);
    ASSERT_EQ(back.sheets.size(), 14u);
    EXPECT_EQ(back.activeSheet, 0);
    EXPECT_EQ(back.Cell("封面", "B13"), "44000000001");
    EXPECT_EQ(back.Cell("封面", "B14"), "某市总工会");
    EXPECT_EQ(back.Cell("表1", "D5"), "12");
    EXPECT_EQ(back.Cell("表3", "D25"), "3.5");  // b018
    EXPECT_EQ(back.Cell("附表2", "D6"), "2.75");

    ASSERT_EQ(Run({"-o", output.string(), "44000000002"}), 0) << err.str();
    EXPECT_EQ(test::ReadWithOpenpyxl(output).Cell("表1", "D5"), "7");
}

TEST_F(CliPrint, RefusesWhatCannotBePrinted) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"44000000001"},
                                               {"44000000001", "-o"},
                                               {"44000000001", "--out", "x.xlsx"},
                                               {"4.4e10", "-o", "x.xlsx"},
                                               {"0", "-o", "x.xlsx"},
                                               {"44000000001", "-o", "x.xlsx", "extra"}}) {
        EXPECT_EQ(Run(args), 2) << testing::PrintToString(args);
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    EXPECT_EQ(Run({"44000000003", "-o", output.string()}), 1);
    EXPECT_EQ(err.str(), "没有编号为 44000000003 的数据\n");
    // More than a workbook cell holds, as the other exports refuse it.
    OpenExistingSqlite(copy.FilePath())
        ->exec("UPDATE dt_data SET c905 = printf('%.32768c', 'x') WHERE c901 = 44000000001");
    EXPECT_EQ(Run({"44000000001", "-o", output.string()}), 1);
    EXPECT_EQ(err.str(),
              "有文本超过了工作簿单元格所能容纳的32767个字符，不能打印。请先修正这个数据，"
              "字段：c905\n");
    EXPECT_FALSE(std::filesystem::exists(output));
    OpenExistingSqlite(copy.FilePath())
        ->exec("UPDATE dt_data SET c905 = '张三' WHERE c901 = 44000000001");
    std::filesystem::remove(copy.Folder() / print::kAnnualReportTemplateName);
    EXPECT_EQ(Run({"44000000001", "-o", output.string()}), 1);
    EXPECT_EQ(err.str(), std::string(print::kTemplateOpenFailed) + "\n");
    EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
}  // namespace tallwick::cli
