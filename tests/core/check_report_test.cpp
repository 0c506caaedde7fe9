// The check result file: header, one entry per error under one unit line, totals.
#include "check/check_report.h"
#include "common/user_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tallwick::check {
namespace {
namespace fs = std::filesystem;

std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 2018 - 1900;
    t.tm_mon = 8;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 3;
    return t;
}

std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kHeader =
    "#2018基层以上调查表逻辑检查结果\r\n#检查时间：2018年09月05日 07:03\r\n\r\n\r\n";

LogicError Error(const std::string& rule, const std::string& explanation) {
    return {rule, explanation, 1, "z001"};
}

class CheckReportTest : public ::testing::Test {
  protected:
    test::TempFolder temp;
    CheckReport report{CheckReportPath(temp.Path(), "省总工会"), FixedTime};
};

TEST_F(CheckReportTest, PathCarriesTheDatabaseLabel) {
    EXPECT_EQ(report.Path(), temp.Path() / "2018基层以上-省总工会-逻辑检查结果.txt");
}

TEST_F(CheckReportTest, AnyLabelGivesAFileNameTheReportCanBeWrittenUnder) {
    const std::pair<std::string, std::string> cases[] = {
        {"市/区:总工会*?", "2018基层以上-市_区_总工会__-逻辑检查结果.txt"},
        {"a\\b\"c<d>e|f\tg", "2018基层以上-a_b_c_d_e_f_g-逻辑检查结果.txt"},
        {"..", "2018基层以上-..-逻辑检查结果.txt"},
    };
    for (const auto& [label, name] : cases)
        EXPECT_EQ(CheckReportPath(temp.Path(), label).filename(), name);
    std::string longLabel;
    for (int i = 0; i < 200; ++i) longLabel += "工";
    for (const std::string& label : {std::string("市/区"), longLabel}) {
        CheckReport labelled{CheckReportPath(temp.Path(), label), FixedTime};
        EXPECT_LE(labelled.Path().filename().string().size(), 255u);
        EXPECT_EQ(labelled.Path().parent_path(), temp.Path());
        labelled.Begin();
        labelled.Finish(0);
        EXPECT_TRUE(std::filesystem::exists(labelled.Path())) << labelled.Path();
    }
}

TEST_F(CheckReportTest, UnitsWithOneAndThreeErrorsThenTotals) {
    report.Begin();
    report.BeginUnit(100000000001.0, "甲工会");
    report.WriteString(Error("z002<=z001", "[女性]不能大于[干部]"));
    report.EndUnit();
    report.BeginUnit(100000000002.0, "乙工会");
    report.EndUnit();  // a clean record writes nothing
    report.BeginUnit(123456789012.0, "丙工会");
    for (const char* rule : {"r1", "r2", "r3"})
        report.WriteString(Error(rule, std::string(rule) + "说明"));
    EXPECT_FALSE(report.UnitClean());
    report.EndUnit();
    EXPECT_TRUE(report.Finish(2));
    EXPECT_EQ(report.ErrorItemCount(), 4u);

    const std::string dashes(80, '-');
    std::string expected = kHeader + "100000000001  甲工会的数据有错误\r\n" + dashes + "\r\n" +
                           "  判断规则：z002<=z001\r\n  规则说明：[女性]不能大于[干部]\r\n\r\n" +
                           "123456789012  丙工会的数据有错误\r\n" + dashes + "\r\n";
    for (const char* rule : {"r1", "r2", "r3"}) {
        expected += std::string("  判断规则：") + rule + "\r\n  规则说明：" + rule + "说明\r\n\r\n";
    }
    expected +=
        std::string(49, '=') + "\r\n共有2个单位的数据存在逻辑错误！\r\n共有4个逻辑错误项！\r\n";
    EXPECT_EQ(Contents(report.Path()), expected);
}

TEST_F(CheckReportTest, ARunWithoutErrorsLeavesTheHeaderOnly) {
    report.Begin();
    report.BeginUnit(100000000001.0, "甲工会");
    report.EndUnit();
    EXPECT_FALSE(report.Finish(0));
    EXPECT_EQ(Contents(report.Path()), kHeader);
}

TEST_F(CheckReportTest, TheSecondRunReplacesTheFirstAndCountsAfresh) {
    report.Begin();
    report.BeginUnit(100000000001.0, "甲工会");
    report.WriteString(Error("a", "b"));
    report.EndUnit();
    report.Finish(1);

    CheckReport second(report.Path(), FixedTime);
    second.Begin();
    EXPECT_EQ(second.ErrorItemCount(), 0u);
    second.Finish(0);
    EXPECT_EQ(Contents(report.Path()), kHeader);
}

// Until the run ends, the report's own name holds nothing cut short (the previous report, if
// any); the private temporary file beside it is gone afterwards.
TEST_F(CheckReportTest, OnlyAnEndedRunTakesTheReportsName) {
    const auto files = [&] {
        std::vector<std::pair<std::string, fs::perms>> found;
        for (const auto& entry : fs::directory_iterator(temp.Path()))
            found.emplace_back(entry.path().filename().string(), entry.status().permissions());
        return found;
    };
    const auto privateMode = fs::perms::owner_read | fs::perms::owner_write;
    const std::string entry = "100000000001  甲工会的数据有错误\r\n" + std::string(80, '-') +
                              "\r\n  判断规则：a\r\n  规则说明：b\r\n\r\n";
    for (const bool stopped : {false, true}) {
        {
            CheckReport run(report.Path(), FixedTime);
            run.Begin();
            run.BeginUnit(100000000001.0, "甲工会");
            run.WriteString(Error("a", "b"));
            run.EndUnit();
            const auto during = files();
            if (stopped) {
                ASSERT_EQ(during.size(), 2u);  // the complete report of the first pass stays
            } else {
                ASSERT_EQ(during.size(), 1u);
                EXPECT_NE(during[0].first, report.Path().filename().string());
                EXPECT_EQ(during[0].second, privateMode);
            }
            if (!stopped) run.Finish(1);
            // a stopped run ends when its report goes
        }
        ASSERT_EQ(files().size(), 1u);
        const std::string end =
            stopped ? std::string(kReportInterrupted) + "\r\n"
                    : std::string(49, '=') +
                          "\r\n共有1个单位的数据存在逻辑错误！\r\n共有1个逻辑错误项！\r\n";
        EXPECT_EQ(Contents(report.Path()), kHeader + entry + end) << stopped;
    }
}

TEST_F(CheckReportTest, AFolderThatDoesNotExistFailsTheRun) {
    CheckReport nowhere(temp.Path() / "missing" / "report.txt", FixedTime);
    EXPECT_THROW(nowhere.Begin(), UserError);
}

TEST(FormatUnitCode, PrintsTheShortestPlainDecimal) {
    EXPECT_EQ(FormatUnitCode(120000000000.0), "120000000000");
    EXPECT_EQ(FormatUnitCode(100000000001.0), "100000000001");
    EXPECT_EQ(FormatUnitCode(12.5), "12.5");
    EXPECT_EQ(FormatUnitCode(0), "0");
}

}  // namespace
}  // namespace tallwick::check
