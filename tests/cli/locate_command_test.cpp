// tallwick-cli locate, check --locate and rules --analyse on a copy of the delivered database.
#include "command.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tallwick::cli {
namespace {

class CliLocate : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TEMP", temp.Path().c_str(), 1);
        // Level 4 asks for neither the d nor the b037 answers. 1: clean; 2: z001 breaks rule
        // 2 and three rules with x001; 3: b037 holds a value its level does not ask for.
        copy.Db().exec(
            "INSERT INTO dt_data (c901, c902, c904, c907, RecordState, z001, z003, x001, x003) "
            "VALUES (100000000001, '甲', 4, 1, 0, 4, 4, 3, 2), "
            "(100000000002, '乙', 4, 1, 0, 40, 4, 3, 2), "
            "(100000000003, '丙', 4, 1, 0, 4, 4, 3, 2);"
            "UPDATE dt_data SET b037 = 7 WHERE c901 = 100000000003;"
            "INSERT INTO dt_data1 (c901) VALUES (100000000001), (100000000002), (100000000003);");
    }
    void TearDown() override { unsetenv("TEMP"); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--data-dir", copy.Folder().string()});
        return RunCommandLine(args, out, err);
    }

    std::string Report() {
        std::ifstream file(temp.Path() / "2018基层以上-默认数据库-逻辑检查结果.txt");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    test::DeliveredDatabaseCopy copy;
    test::TempFolder temp;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliLocate, PrintsEachSuggestedAnswerWithItsCurrentAndARepairingValue) {
    const struct {
        std::string code;
        int exit;
        std::string out;
        std::string err;
    } cases[] = {
        {"100000000002", 0, "z001\t40\t4\n", ""},
        {"100000000001", 0, "", ""},
        // The level does not ask for b037: clearing it is the repair, and says why.
        {"100000000003", 0, "b037\t7\t0\t本级工会层次不填报，应为 0\n", ""},
        {"100000000009", 1, "", "没有编号为 100000000009 的数据\n"},
        {"12x", 2, "", "usage: tallwick-cli locate CODE\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(Run({"locate", c.code}), c.exit);
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
}

TEST_F(CliLocate, CheckWithLocateFollowsEachRecordsErrorsWithItsSuggestion) {
    ASSERT_EQ(Run({"check", "--all", "--locate"}), 0) << err.str();
    const std::string report = Report();
    const std::string second =
        "  判断规则：z003+z004+z005+z006=z001\r\n"
        "  规则说明：[专职干部中研究生]、[专职干部中大学本科]、[专职干部中大专]、"
        "[专职干部中高中及以下]的和必须等于[本级工会专职工会干部]\r\n"
        "\r\n"
        "  建议修改：z001（本级工会专职工会干部）40 → 4\r\n"
        "\r\n"
        "100000000003  丙的数据有错误\r\n";
    EXPECT_NE(report.find(second), std::string::npos) << report;
    EXPECT_NE(
        report.find("  建议修改：b037（区域性集体合同份数）7 → 0（本级工会层次不填报，应为 0）"),
        std::string::npos)
        << report;

    ASSERT_EQ(Run({"check", "--all"}), 0) << err.str();
    EXPECT_EQ(Report().find("建议修改"), std::string::npos);
}

TEST_F(CliLocate, RulesAnalyseReportsEveryLevelClass) {
    ASSERT_EQ(Run({"rules", "--analyse"}), 0) << err.str();
    const std::string text = out.str();
    // Levels 1 to 3 must have a leader (rule 11) whose number fits the staff (rules 111, 109):
    // that makes rules 3, 12 and 23 follow from the others.
    EXPECT_NE(text.find("层次 1 省级地方工会：填报 239 个指标\n  全部规则可以同时成立\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  可由其他规则推出的规则：3、12、23\n"), std::string::npos);
    // b044 and b045 take codes up to 4: their rules cannot fail.
    EXPECT_NE(text.find("  在取值范围内不会不成立的其他规则：48、49\n"), std::string::npos);
    EXPECT_EQ(text.find("不能同时成立"), std::string::npos);
}

}  // namespace
}  // namespace tallwick::cli
