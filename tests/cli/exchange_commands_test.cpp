// The exchange commands: export-package, import, backup and groups, on delivered database copies.

#include "command.h"
#include "common/user_error.h"
#include "exchange/package_template.h"
#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tallwick::cli {
namespace {
namespace fs = std::filesystem;

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

// As the command line runs a command: a UserError is printed with exit code 1.
CliRun RunCommand(int (*command)(const CommandContext&), const fs::path& folder,
                  std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    CommandContext context{std::move(args), folder, out, err};
    int code = 0;
    try {
        code = command(context);
    } catch (const UserError& error) {
        err << error.what() << '\n';
        code = 1;
    }
    return {code, out.str(), err.str()};
}

void AddRecord(SQLite::Database& db, double code, int state = 1) {
    SQLite::Statement data(db,
                           "INSERT INTO dt_data (c901, c902, RecordState) VALUES (?, '工会', ?)");
    data.bind(1, code);
    data.bind(2, state);
    data.exec();
    SQLite::Statement data1(db, "INSERT INTO dt_data1 (c901) VALUES (?)");
    data1.bind(1, code);
    data1.exec();
}

int Count(const fs::path& database, const char* table) {
    return OpenExistingSqlite(database)
        ->execAndGet(std::string("SELECT count(*) FROM ") + table)
        .getInt();
}

class ExchangeCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TEMP", temp.Path().c_str(), 1);
        exchange::BuildPackageTemplate(sender.FilePath(),
                                       sender.Folder() / exchange::kPackageTemplateName);
        AddRecord(sender.Db(), 100000000001.0);
        AddRecord(sender.Db(), 100000000002.0);
        sender.CloseDb();
        receiver.CloseDb();
    }
    void TearDown() override { unsetenv("TEMP"); }

    test::TempFolder temp;
    test::DeliveredDatabaseCopy sender;
    test::DeliveredDatabaseCopy receiver;
};

TEST_F(ExchangeCommandsTest, APackageTravelsAfterTheQuestionIsConfirmed) {
    const fs::path package = sender.Folder() / "out";
    const CliRun exported = RunCommand(RunExportPackage, sender.Folder(),
                                       {"--provider", "某某区总工会", "-o", package.string()});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, "数据已经被正确导出到：'" + package.string() + ".dat'！\n");

    const CliRun asked = RunCommand(RunImport, receiver.Folder(), {package.string() + ".dat"});
    EXPECT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_EQ(asked.out, "确认准备导入标记声明为【某某区总工会】的数据么？\n");
    EXPECT_EQ(Count(receiver.FilePath(), "dt_data"), 0);

    const CliRun imported =
        RunCommand(RunImport, receiver.Folder(), {package.string() + ".dat", "--yes"});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(Count(receiver.FilePath(), "dt_data"), 2);
    EXPECT_EQ(Count(receiver.FilePath(), "dt_data1"), 2);

    const CliRun again =
        RunCommand(RunImport, receiver.Folder(), {package.string() + ".dat", "--yes"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.out.find((temp.Path() / "数据导入编号冲突.txt").string()), std::string::npos)
        << again.out;
    EXPECT_NE(again.err.find("导入过程中发生错误"), std::string::npos) << again.err;
    EXPECT_EQ(Count(receiver.FilePath(), "dt_data"), 2);
}

TEST_F(ExchangeCommandsTest, ExportRefusalsAndUsage) {
    const std::string target = (sender.Folder() / "pkg.dat").string();
    const CliRun defaultName =
        RunCommand(RunExportPackage, sender.Folder(), {"--provider", "默认数据库", "-o", target});
    EXPECT_EQ(defaultName.exitCode, 1);
    EXPECT_EQ(defaultName.err, "必须修改默认的名称！\n");

    AddRecord(*OpenExistingSqlite(sender.FilePath()), 100000000003.0, 0);
    AddRecord(*OpenExistingSqlite(sender.FilePath()), 100000000004.0, 2);
    AddRecord(*OpenExistingSqlite(sender.FilePath()), 100000000005.0, 0);
    // The refusal names the records to mend, of each kind.
    const std::string blocked =
        "\n临时保存的数据有2条，有逻辑错误的数据有1条。\n临时保存：100000000003 100000000005\n"
        "有逻辑错误：100000000004\n";
    const CliRun held =
        RunCommand(RunExportPackage, sender.Folder(), {"--provider", "甲", "-o", target});
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_EQ(held.err, "存在临时保存或逻辑错误的数据，不能上报!" + blocked);
    EXPECT_FALSE(fs::exists(target));
    const CliRun network = RunCommand(RunExportNetwork, sender.Folder(), {"-o", target});
    EXPECT_EQ(network.exitCode, 1);
    EXPECT_EQ(network.err, "存在临时保存或逻辑错误的数据，不能导出上报数据!" + blocked);

    // Rows an older database kept past the survey's limits would make a package every receiver
    // refuses: they are named instead.
    {
        auto db = OpenExistingSqlite(sender.FilePath());
        db->exec("DELETE FROM dt_data WHERE RecordState <> 1");
        test::DropLimitGuards(*db);
        db->exec("UPDATE dt_data SET z001 = 'x' WHERE c901 = 100000000002");
    }
    const CliRun breaking =
        RunCommand(RunExportPackage, sender.Folder(), {"--provider", "甲", "-o", target});
    EXPECT_EQ(breaking.exitCode, 1);
    EXPECT_TRUE(breaking.err.starts_with(
        "下列数据不符合调查表规定的类型或范围，接收方无法导入，没有导出：编号为100000000002的记录的"
        "字段z001"))
        << breaking.err;
    EXPECT_FALSE(fs::exists(target));

    for (const auto& args :
         std::vector<std::vector<std::string>>{{}, {"--provider", "甲"}, {"-o", target, "x"}})
        EXPECT_EQ(RunCommand(RunExportPackage, sender.Folder(), args).exitCode, 2);
    EXPECT_EQ(RunCommand(RunImport, sender.Folder(), {}).exitCode, 2);
    EXPECT_EQ(RunCommand(RunBackup, sender.Folder(), {"-o"}).exitCode, 2);
    EXPECT_EQ(RunCommand(RunGroups, sender.Folder(), {"import"}).exitCode, 2);
}

TEST_F(ExchangeCommandsTest, BackupAndGroupsWriteFilesThatReadBack) {
    const fs::path backup = sender.Folder() / "backup";
    const CliRun backedUp = RunCommand(RunBackup, sender.Folder(), {"-o", backup.string()});
    EXPECT_EQ(backedUp.exitCode, 0) << backedUp.err;
    EXPECT_EQ(backedUp.out, "备份成功\n");
    EXPECT_EQ(Count(backup.string() + ".mdb", "dt_data"), 2);

    OpenExistingSqlite(sender.FilePath())
        ->exec(
            "INSERT INTO ct_group (id, Name) VALUES (1, '分组'); "
            "INSERT INTO DT_GroupItem (GroupID, Title) VALUES (1, '项')");
    const fs::path groups = sender.Folder() / "groups.mdb";
    EXPECT_EQ(RunCommand(RunGroups, sender.Folder(), {"export", "-o", groups.string()}).exitCode,
              0);
    const CliRun imported = RunCommand(RunGroups, receiver.Folder(), {"import", groups.string()});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "数据分组导入操作完成！\n");
    EXPECT_EQ(Count(receiver.FilePath(), "DT_GroupItem"), 1);
}

TEST_F(ExchangeCommandsTest, ADamagedOrEmptyWorkingDatabaseIsNeitherBackedUpNorImportedInto) {
    const fs::path backup = sender.Folder() / "backup.mdb";
    ASSERT_EQ(RunCommand(RunBackup, sender.Folder(), {"-o", backup.string()}).exitCode, 0);
    const std::vector<std::pair<const char*, std::vector<char>>> damages = {
        {"empty", {}},
        {"cut short", {'S', 'Q', 'L', 'i', 't', 'e'}},
    };
    for (const auto& [name, bytes] : damages) {
        SCOPED_TRACE(name);
        std::ofstream(receiver.FilePath(), std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const fs::path target = receiver.Folder() / "copy.mdb";
        const CliRun backedUp = RunCommand(RunBackup, receiver.Folder(), {"-o", target.string()});
        EXPECT_EQ(backedUp.exitCode, 1);
        EXPECT_EQ(backedUp.err, "软件安装不正确，请与软件提供者联系！\n");
        EXPECT_EQ(backedUp.out, "");
        EXPECT_FALSE(fs::exists(target));
        const CliRun imported =
            RunCommand(RunImport, receiver.Folder(), {backup.string(), "--yes"});
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_EQ(imported.err, "软件安装不正确，请与软件提供者联系！\n");
        EXPECT_EQ(fs::file_size(receiver.FilePath()), bytes.size());
    }
}

}  // namespace
}  // namespace tallwick::cli
