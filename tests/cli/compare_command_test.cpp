#include "cli_run.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace tallwick::cli {
namespace {

// Two data folders that keyed the same two forms, with a tab typed into one name, and one form
// more on each side.
class CliCompare : public ::testing::Test {
  protected:
    void SetUp() override {
        for (SQLite::Database* db : {&here.Db(), &there.Db()}) {
            db->exec("INSERT INTO dt_data (c901, c902, z001) VALUES (100000000001, '甲工会', 46)");
            db->exec("INSERT INTO dt_data1 (c901, y001) VALUES (100000000001, 2.5)");
        }
        here.Db().exec("INSERT INTO dt_data (c901) VALUES (100000000007)");
        there.Db().exec("INSERT INTO dt_data (c901) VALUES (100000000009)");
        there.Db().exec(
            "UPDATE dt_data SET z001 = 64, c902 = '甲'||char(9)||'工会' WHERE c901 = 100000000001");
        here.CloseDb();
        there.CloseDb();
    }
    test::DeliveredDatabaseCopy here;
    test::DeliveredDatabaseCopy there;
    std::string folder = here.Folder().string();
    std::string other = there.FilePath().string();
};

TEST_F(CliCompare, PrintsEachDifferingAnswerThenTheCodesOfOneSide) {
    const CliRun run = RunCli({"--data-dir", folder, "compare", other});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "100000000001\tc902\t甲工会\t甲 工会\n"
              "100000000001\tz001\t46\t64\n"
              "ONLY-HERE\t100000000007\n"
              "ONLY-THERE\t100000000009\n");
}

TEST_F(CliCompare, JsonNamesTheQuestion) {
    const CliRun run = RunCli({"--data-dir", folder, "compare", "--json", other});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("{\"code\": 100000000001, \"field\": \"z001\", \"question\": "
                           "\"本级工会专职工会干部\", \"this\": \"46\", \"other\": \"64\"}"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"onlyHere\": [100000000007],\n\"onlyThere\": [100000000009]}"),
              std::string::npos)
        << run.out;
}

TEST_F(CliCompare, RefusesAFileThatIsNoDataFileAndNeedsOne) {
    const CliRun refused = RunCli({"--data-dir", folder, "compare", folder + "/nothing.mdb"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "您选择的文件并不存在，请选择其它文件。\n");
    EXPECT_EQ(RunCli({"--data-dir", folder, "compare"}).exitCode, 2);
}

}  // namespace
}  // namespace tallwick::cli
