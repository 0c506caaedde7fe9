// import --on-conflict, backups, restore and imports, on delivered database copies.
#include "../core/exchange_test_data.h"
#include "cli_run.h"
#include "command.h"
#include "common/user_error.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "settings_file.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/safety_copy.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tallwick::cli {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;

// The receiver holds codes 1 and 2; the package brings 2 (corrected) and 3.
class ResubmissionCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TEMP", temp.Path().c_str(), 1);
        test::AddRecord(receiver.Db(), kFirst, "甲", 2);
        test::AddRecord(receiver.Db(), kFirst + 1, "乙", 2);
        exchange::BuildPackageTemplate(sender.FilePath(),
                                       sender.Folder() / exchange::kPackageTemplateName);
        test::AddRecord(sender.Db(), kFirst + 1, "乙（更正）");
        test::AddRecord(sender.Db(), kFirst + 2, "丙");
        package = sender.Folder() / "pkg.dat";
        exchange::ExportPackage(sender.Db(), sender.Folder() / exchange::kPackageTemplateName,
                                package, "某某区总工会");
        receiver.CloseDb();
    }
    void TearDown() override { unsetenv("TEMP"); }

    std::string Names() {
        return OpenExistingSqlite(receiver.FilePath())
            ->execAndGet(
                "SELECT group_concat(c902 || RecordState, ',') FROM (SELECT * FROM "
                "dt_data ORDER BY c901)")
            .getString();
    }

    test::TempFolder temp;
    test::DeliveredDatabaseCopy receiver;
    test::DeliveredDatabaseCopy sender;
    fs::path package;
};

TEST_F(ResubmissionCommandsTest, OnConflictSettlesCollidingCodesForAllRecords) {
    const std::string question = "确认准备导入标记声明为【某某区总工会】的数据么？\n";
    const CliRun refused = RunCli(receiver.Folder(), {"import", package.string(), "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, question + (temp.Path() / "数据导入编号冲突.txt").string() + "\n");
    EXPECT_EQ(
        refused.err,
        "导入过程中发生错误,准备导入的数据可能与现有的数据有重复的内容,请修正或者采用逐条导入方式。"
        "\n");
    EXPECT_EQ(Names(), "甲2,乙2");
    EXPECT_EQ(
        RunCli(receiver.Folder(), {"import", package.string(), "--yes", "--on-conflict", "refuse"})
            .out,
        refused.out);

    const CliRun dry =
        RunCli(receiver.Folder(), {"import", package.string(), "--on-conflict", "replace"});
    EXPECT_EQ(dry.exitCode, 0);
    EXPECT_EQ(dry.out, question);
    EXPECT_EQ(Names(), "甲2,乙2");

    const CliRun kept =
        RunCli(receiver.Folder(), {"import", package.string(), "--on-conflict", "keep", "--yes"});
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(kept.out, question + "数据已经被正确地从'" + package.string() +
                            "'导入！\n新增1条记录，替换0条记录，保留1条现有记录。\n");
    EXPECT_EQ(Names(), "甲2,乙2,丙1");

    const CliRun replaced = RunCli(
        receiver.Folder(), {"import", package.string(), "--yes", "--on-conflict", "replace"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(replaced.out, question + "数据已经被正确地从'" + package.string() +
                                "'导入！\n新增0条记录，替换2条记录，保留0条现有记录。\n");
    EXPECT_EQ(Names(), "甲2,乙（更正）1,丙1");

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"import", package.string(), "--on-conflict"},
             {"import", package.string(), "--on-conflict", "merge"},
             {"imports", "--csv"},
             {"backups", "x"},
             {"restore"}}) {
        EXPECT_EQ(RunCli(receiver.Folder(), args).exitCode, 2) << args[0] << " " << args.back();
    }

    // The history, newest first, as lines and as JSON.
    const CliRun history = RunCli(receiver.Folder(), {"imports"});
    ASSERT_EQ(history.exitCode, 0) << history.err;
    std::istringstream lines(history.out);
    std::vector<std::string> fields;
    for (std::string line; std::getline(lines, line);) {
        const auto second = line.find('\t');
        fields.push_back(line.substr(second + 1));
    }
    const std::string file = fs::absolute(package).string();
    EXPECT_EQ(fields,
              (std::vector<std::string>{
                  "导入\t" + file + "\t某某区总工会\t2\t0\t2\t0\t成功",
                  "导入\t" + file + "\t某某区总工会\t2\t1\t0\t1\t成功",
                  // The refusals were steps of the re-submission, not failures.
                  "编号冲突\t" + file +
                      "\t某某区总工会\t2\t0\t0\t0\t有1条数据的编号已经存在，等待逐条处理",
                  "编号冲突\t" + file +
                      "\t某某区总工会\t2\t0\t0\t0\t有1条数据的编号已经存在，等待逐条处理"}));
    const CliRun json = RunCli(receiver.Folder(), {"imports", "--json"});
    EXPECT_TRUE(json.out.starts_with("[{\"time\": \"")) << json.out;
    EXPECT_NE(json.out.find("\"operation\": \"导入\", \"file\": \"" + file +
                            "\", \"label\": \"某某区总工会\", \"records\": 2, \"added\": 0, "
                            "\"replaced\": 2, \"kept\": 0, \"succeeded\": true, \"outcome\": "
                            "\"成功\"}, {"),
              std::string::npos)
        << json.out;
    EXPECT_TRUE(
        json.out.ends_with("\"succeeded\": false, \"outcome\": "
                           "\"有1条数据的编号已经存在，等待逐条处理\"}]\n"));
}

TEST_F(ResubmissionCommandsTest, BackupsListsTheSafetyCopiesAndRestoreBringsOneBack) {
    EXPECT_EQ(RunCli(receiver.Folder(), {"backups"}).out, "");
    ASSERT_EQ(
        RunCli(receiver.Folder(), {"import", package.string(), "--on-conflict", "keep", "--yes"})
            .exitCode,
        0);
    ASSERT_EQ(
        RunCli(receiver.Folder(), {"import", package.string(), "--on-conflict", "replace", "--yes"})
            .exitCode,
        0);
    const CliRun listed = RunCli(receiver.Folder(), {"backups"});
    ASSERT_EQ(listed.exitCode, 0);
    const auto copies = ListSafetyCopies(receiver.Folder());
    ASSERT_EQ(copies.size(), 2u);
    std::string expected;
    for (const auto& copy : copies)
        expected += copy.path.string() + "\t" + copy.time + "\t导入\t" +
                    std::to_string(*copy.records) + "\n";
    EXPECT_EQ(listed.out, expected);
    // Newest first: the copy before the replace holds the kept import's three records.
    EXPECT_EQ(*copies[0].records, 3);
    EXPECT_EQ(*copies[1].records, 2);

    const std::string before = Names();
    const CliRun dry = RunCli(receiver.Folder(), {"restore", copies[1].path.string()});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(dry.out, "将用备份文件“" + copies[1].path.string() +
                           "”（标记为【默认数据库】，2条记录）替换数据库“" +
                           receiver.FilePath().string() +
                           "”，替换之前先为它保存一份安全备份。现在没有做任何改变，加上 --yes "
                           "才会恢复。\n");
    EXPECT_EQ(Names(), before);
    EXPECT_EQ(ListSafetyCopies(receiver.Folder()).size(), 2u);

    const CliRun restored =
        RunCli(receiver.Folder(), {"restore", copies[1].path.string(), "--yes"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(Names(), "甲2,乙2");
    EXPECT_TRUE(restored.out.starts_with("数据库已经恢复为备份文件“" + copies[1].path.string()));
    EXPECT_EQ(ListSafetyCopies(receiver.Folder()).front().operation, "恢复");
    EXPECT_TRUE(
        RunCli(receiver.Folder(), {"imports"}).out.find("\t恢复\t" + copies[1].path.string()) !=
        std::string::npos);

    const CliRun refused = RunCli(receiver.Folder(), {"restore", package.string(), "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "所选文件不是本软件的数据备份文件，不能恢复。\n");
    EXPECT_EQ(Names(), "甲2,乙2");
}

TEST_F(ResubmissionCommandsTest, BackupsSaysWhyItCannotListAndAStartSweepsAKilledCopy) {
    const fs::path folder = receiver.Folder() / "backups";
    std::ofstream(folder) << "not a folder";
    const CliRun unreadable = RunCli(receiver.Folder(), {"backups"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.err, "无法读取安全备份所在的文件夹“" + folder.string() +
                                  "”（Not a directory），请检查它是否是一个可以读取的文件夹。\n");
    EXPECT_EQ(unreadable.out, "");

    fs::remove(folder);
    fs::create_directories(folder);
    // What a copy killed halfway leaves: a temporary file of a process that has ended.
    const fs::path partial = folder / ".tallwick-999999999-2026-12-10_1432_导入.mdb.AbCdEf";
    std::ofstream(partial) << "half a copy";
    EXPECT_EQ(RunCli(receiver.Folder(), {"backups"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(partial));
}

// A working database that cannot be opened is what a restore is for.
TEST_F(ResubmissionCommandsTest, RestoreBringsBackADamagedWorkingDatabaseAndKeepsItAside) {
    const fs::path backup = temp.Path() / "backup.mdb";
    fs::copy_file(receiver.FilePath(), backup);
    std::ofstream(receiver.FilePath(), std::ios::binary | std::ios::trunc) << "damaged";

    const CliRun dry = RunCli(receiver.Folder(), {"restore", backup.string()});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(dry.out, "数据库“" + receiver.FilePath().string() +
                           "”已经损坏或者不存在，将用备份文件“" + backup.string() +
                           "”（标记为【默认数据库】，2条记录）恢复它，损坏的文件会保留在它旁边。"
                           "现在没有做任何改变，加上 --yes 才会恢复。\n");

    const CliRun restored = RunCli(receiver.Folder(), {"restore", backup.string(), "--yes"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(Names(), "甲2,乙2");
    std::vector<std::string> aside;
    for (const auto& entry : fs::directory_iterator(receiver.Folder())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(std::string(kDatabaseFileName) + ".damaged-")) aside.push_back(name);
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fs::file_size(receiver.Folder() / aside[0]), 7u);
    EXPECT_NE(restored.out.find(aside[0]), std::string::npos) << restored.out;
    EXPECT_EQ(RunCli(receiver.Folder(), {"info"}).exitCode, 0);
}

TEST(SettingsFile, TheNumberOfSafetyCopiesComesFromTheDesktopSettings) {
    test::TempFolder folder;
    const fs::path file = folder.Path() / "Tallwick.ini";
    struct Case {
        std::string text;
        int kept;
    };
    for (const Case& c : std::vector<Case>{
             {"[Options]\nEnvSetting\\ImePrefer=\nEnvSetting\\SafetyCopyCount=5\n", 5},
             {"[General]\nSafetyCopyCount=5\n[Options]\nEnvSetting\\InputWndStyle=0\n", 20},
             {"[Options]\nEnvSetting\\SafetyCopyCount=0\n", 20},
             {"[Options]\nEnvSetting\\SafetyCopyCount=x\n", 20},
             {"", 20}}) {
        std::ofstream(file) << c.text;
        EXPECT_EQ(SafetyCopiesKept(file), c.kept) << c.text;
    }
    EXPECT_EQ(SafetyCopiesKept(folder.Path() / "missing.ini"), 20);
}

}  // namespace
}  // namespace tallwick::cli
