#include "cli_run.h"

#include "cipher/file_envelope.h"
#include "store/connection.h"
#include "store/messages.h"
#include "store/password.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tallwick::cli {
namespace {

TEST(CliInfo, CountsRecordsByStateInTextAndJson) {
    test::DeliveredDatabaseCopy copy;
    copy.Db().exec(
        "INSERT INTO dt_data (c901, RecordState) VALUES (100000000001, 1), (100000000002, 1), "
        "(100000000003, 2);"
        "UPDATE ct_label SET db_name = 'He said \"工会\"'");
    copy.CloseDb();
    const std::string folder = copy.Folder().string();

    const CliRun json = RunCli({"--data-dir", folder, "info", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"label\": \"He said \\\"工会\\\"\", \"path\": \"" + copy.FilePath().string() +
                  "\", \"records\": 3, \"byRecordState\": {\"0\": 0, \"1\": 2, \"2\": 1}}\n");

    const CliRun text = RunCli({"--data-dir", folder, "info"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("记录数：3\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("有逻辑错误（2）：1"), std::string::npos) << text.out;
}

// Whatever bytes a label holds, --json prints valid UTF-8: GBK is converted, the rest replaced.
TEST(CliInfo, JsonIsValidUtf8WhateverTheStoredBytes) {
    test::DeliveredDatabaseCopy copy;
    const std::string folder = copy.Folder().string();
    const struct {
        const char* stored;
        const char* printed;
    } cases[] = {
        {"X'B9A4BBE1'", "工会"},  // GBK
        {"X'41FF42'",
         "A\xEF\xBF\xBD"
         "B"},  // no encoding at all
        {"'工会'", "工会"},
    };
    for (const auto& c : cases) {
        copy.Db().exec(std::string("UPDATE ct_label SET db_name = CAST(") + c.stored + " AS TEXT)");
        const CliRun json = RunCli({"--data-dir", folder, "info", "--json"});
        EXPECT_TRUE(json.out.starts_with(std::string("{\"label\": \"") + c.printed + "\", "))
            << c.stored << ": " << json.out;
    }
}

TEST(CliInfo, OpensAProtectedDatabaseLikeTheProgramDoes) {
    test::DeliveredDatabaseCopy copy;
    copy.CloseDb();
    cipher::SealFile(copy.FilePath(), copy.FilePath(), DerivePassword());
    const CliRun run = RunCli({"--data-dir", copy.Folder().string(), "info", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(cipher::IsSealedFile(copy.FilePath()));
}

TEST(CliInfo, AnUpgradeNamesStoredRecordsThatBreakTheLimitsOnStderrOnce) {
    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};
    copy.Db().exec(
        "PRAGMA user_version = 1;"
        "INSERT INTO dt_data (c901, RecordState) VALUES (100000000001, 7);"
        "INSERT INTO dt_data1 (c901) VALUES (100000000001)");
    copy.CloseDb();
    const std::vector<std::string> argv{"--data-dir", copy.Folder().string(), "info", "--json"};
    const CliRun first = RunCli(argv);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.err,
              "数据库中有1行数据不符合调查表规定的类型或范围，它们被保留，请逐条修正：\n"
              "dt_data：编号为100000000001的记录的字段RecordState（数据状态）不是0、1或2\n");
    const CliRun second = RunCli(argv);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.err, "");
}

TEST(CliInfo, ErrorsGoToStderrWithTheSystemsMessage) {
    test::TempFolder empty;
    const CliRun missing = RunCli({"--data-dir", empty.Path().string(), "info"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, std::string(messages::kDataFileMissing) + "\n");
    EXPECT_EQ(missing.out, "");

    test::DeliveredDatabaseCopy copy;
    copy.CloseDb();
    cipher::SealFile(copy.FilePath(), copy.FilePath(), "not our password");
    const CliRun broken = RunCli({"--data-dir", copy.Folder().string(), "info"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(broken.err, std::string(messages::kInstallationBroken) + "\n");
}

TEST(CliInfo, UsageErrorsExitWithTwo) {
    for (const auto& argv : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"--data-dir"}, {"--bogus", "info"}, {"info", "--yaml"}}) {
        EXPECT_EQ(RunCli(argv).exitCode, 2) << (argv.empty() ? "(none)" : argv.back());
    }
}

}  // namespace
}  // namespace tallwick::cli
