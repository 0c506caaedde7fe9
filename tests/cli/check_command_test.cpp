#include "command.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace tallwick::cli {
namespace {

class CliCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TEMP", temp.Path().c_str(), 1);
        // Above county level, one full-time official: breaks no rule.
        copy.Db().exec(
            "INSERT INTO dt_data (c901, c902, c904, c907, RecordState, z001, z003) VALUES "
            "(100000000001, '甲', 4, 1, 0, 1, 1), (100000000002, '乙', 4, 1, 0, 1, 1);"
            "INSERT INTO dt_data1 (c901) VALUES (100000000001), (100000000002);");
    }
    void TearDown() override { unsetenv("TEMP"); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--data-dir", copy.Folder().string(), "check"});
        return RunCommandLine(args, out, err);
    }

    test::DeliveredDatabaseCopy copy;
    test::TempFolder temp;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliCheck, PrintsTheResultFileAndTheTotals) {
    copy.Db().exec("UPDATE dt_data SET z002 = 5 WHERE c901 = 100000000002");
    ASSERT_EQ(Run({"--all"}), 0) << err.str();
    const std::string report = (temp.Path() / "2018基层以上-默认数据库-逻辑检查结果.txt").string();
    EXPECT_EQ(out.str(), report + "\n共有1个单位的数据存在逻辑错误！\n共有1个逻辑错误项！\n");
    EXPECT_EQ(err.str(), "");  // no progress bar when not on a terminal
    EXPECT_EQ(copy.Db().execAndGet("SELECT group_concat(RecordState) FROM dt_data").getString(),
              "1,2");
}

TEST_F(CliCheck, CleanDataGetsTheCongratulationAndEachScopeMarksOnlyItsRecords) {
    const struct {
        std::vector<std::string> args;
        const char* states;
    } cases[] = {
        {{"--codes", "100000000001,100000000002"}, "1,1"},
        {{"--codes", "100000000002"}, "0,1"},
        {{"--range", "100000000001", "100000000001"}, "1,0"},
        {{"--range", "100000000002", "100000000001"}, "0,1"},  // reversed: the lower bound only
        {{"--all"}, "1,1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        copy.Db().exec("UPDATE dt_data SET RecordState = 0");
        ASSERT_EQ(Run(c.args), 0) << err.str();
        EXPECT_NE(out.str().find("恭喜你，所检查的数据没有逻辑错误\n"), std::string::npos)
            << out.str();
        EXPECT_EQ(copy.Db()
                      .execAndGet("SELECT group_concat(RecordState) FROM (SELECT RecordState FROM "
                                  "dt_data ORDER BY c901)")
                      .getString(),
                  c.states);
    }
}

TEST_F(CliCheck, BadArgumentsAndAMissingRange) {
    EXPECT_EQ(Run({"--range", "", "100000000001"}), 1);
    EXPECT_EQ(err.str(), "请输入逻辑检查的范围\n");
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--codes", "1,,2"},
                                                                  {"--codes", "abc"},
                                                                  {"--codes", "nan"},
                                                                  {"--codes", "100000000001,inf"},
                                                                  {"--codes", "-inf"},
                                                                  {"--range", "1"},
                                                                  {"--all", "--all"}}) {
        EXPECT_EQ(Run(args), 2) << (args.empty() ? "(none)" : args.back());
    }
}

}  // namespace
}  // namespace tallwick::cli
