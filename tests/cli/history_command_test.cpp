#include "cli_run.h"

#include "history/history_rows.h"
#include "history/history_table.h"
#include "store/record_deletion.h"
#include "test_support.h"

#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {

// A record saved twice and then deleted, and one stored without any history.
class CliHistory : public ::testing::Test {
  protected:
    void SetUp() override {
        SQLite::Database& db = copy.Db();
        db.exec("INSERT INTO dt_data (c901) VALUES (100000000002)");
        db.exec("INSERT INTO dt_data (c901) VALUES (100000000001)");
        {
            SQLite::Transaction transaction(db);
            history::AppendFieldChanges(db, history::kEntryHold, 100000000001, {});
            history::AppendFieldChanges(db, history::kEntrySave, 100000000001,
                                        {{"z001", "3", "4"}, {"c902", "甲\t工会", "乙 \"工会\""}});
            transaction.commit();
        }
        DeleteRecords(db, {100000000001});
        // Every row at one known time, so the lines can be compared whole.
        db.exec("UPDATE dt_history SET ChangeTime = '2018-10-01 09:30:00'");
        copy.CloseDb();
    }
    test::DeliveredDatabaseCopy copy;
    std::string folder = copy.Folder().string();
};

TEST_F(CliHistory, ListsTheChangesNewestFirstOneLineEach) {
    const CliRun run = RunCli({"--data-dir", folder, "history", "100000000001"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "2018-10-01 09:30:00\t删除\t\t\t\n"
              "2018-10-01 09:30:00\t录入保存\tz001\t3\t4\n"
              "2018-10-01 09:30:00\t录入保存\tc902\t甲 工会\t乙 \"工会\"\n"
              "2018-10-01 09:30:00\t临时保存\t\t\t\n");
}

TEST_F(CliHistory, JsonCarriesTheQuestionOfEachField) {
    const CliRun run = RunCli({"--data-dir", folder, "history", "--json", "100000000001"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("{\"time\": \"2018-10-01 09:30:00\", \"operation\": \"录入保存\", "
                           "\"field\": \"c902\", \"question\": \"本级工会名称\", \"old\": "
                           "\"甲\\t工会\", \"new\": \"乙 \\\"工会\\\"\""),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.front(), '[');
    EXPECT_EQ(run.out.substr(run.out.size() - 2), "]\n");
}

TEST_F(CliHistory, UnknownCodesAndRecordsWithoutHistoryAreToldApart) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string err;
    } cases[] = {
        {{"history", "100000000009"},
         1,
         "",
         "没有编号为100000000009的记录，也没有它的修改记录。\n"},
        {{"history", "100000000002"}, 0, "", "编号为100000000002的记录还没有修改记录。\n"},
        {{"history", "100000000002", "--json"}, 0, "[]\n", ""},
        {{"history", "12x"}, 2, "", "usage: tallwick-cli history CODE [--json]\n"},
        {{"history"}, 2, "", "usage: tallwick-cli history CODE [--json]\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{"--data-dir", folder};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CliRun run = RunCli(argv);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back();
        EXPECT_EQ(run.out, c.out) << c.args.back();
        EXPECT_EQ(run.err, c.err) << c.args.back();
    }
}

}  // namespace
}  // namespace tallwick::cli
