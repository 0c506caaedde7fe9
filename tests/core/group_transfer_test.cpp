// Sharing groupings through a file: export into new and existing files, import all or nothing.
#include "exchange/group_transfer.h"

#include "common/user_error.h"
#include "exchange/exchange_messages.h"
#include "exchange_test_data.h"
#include "store/database.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

class GroupTransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source.Db().exec(
            "INSERT INTO ct_group (id, Name, orderstr) VALUES (1, '按编码', 'id ASC'), (2, "
            "'O''Neil', 'Title DESC');"
            "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, "
            "HighSymbol) "
            "VALUES (1, '一段', 100000000000, 200000000000, '>=', '<'), (2, '二段', 1, 2, '>', "
            "'<=')");
        working.Db().exec(
            "INSERT INTO ct_group (id, Name, orderstr) VALUES (1, '本地一', 'id ASC'), (7, "
            "'本地七', 'id ASC');"
            "INSERT INTO DT_GroupItem (GroupID, Title) VALUES (1, '本地一的项'), (7, "
            "'本地七的项')");
    }

    std::vector<std::string> Groups(SQLite::Database& db) {
        auto rows = test::Rows(db, "ct_group", "id");
        for (auto& row : test::Rows(db, "DT_GroupItem", "id")) rows.push_back("item:" + row);
        return rows;
    }

    // A file holding the given tables' definitions and rows, written by hand.
    fs::path File(const std::string& name, const std::string& sql) {
        const fs::path file = folder.Path() / name;
        OpenSqlite(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)->exec(sql);
        return file;
    }

    std::string ImportError(const fs::path& file) {
        try {
            ImportTables(working.Db(), kGroupTables, file);
        } catch (const UserError& error) {
            return error.what();
        }
        return "imported";
    }

    test::DeliveredDatabaseCopy source;
    test::DeliveredDatabaseCopy working;
    test::TempFolder folder;
};

TEST_F(GroupTransferTest, ExportedGroupingsReplaceThoseOfAnotherInstallation) {
    const fs::path file = folder.Path() / "groups.mdb";
    std::vector<std::uint64_t> steps;
    EXPECT_EQ(ExportTables(source.FilePath(), kGroupTables, file,
                           [&](std::uint64_t done, std::uint64_t) { steps.push_back(done); }),
              "数据已经被正确导出到：'" + file.string() + "'！");
    EXPECT_EQ(steps, (std::vector<std::uint64_t>{0, 1, 2}));

    const auto result = ImportTables(working.Db(), kGroupTables, file);
    EXPECT_TRUE(result.missingTables.empty());
    EXPECT_EQ(result.message, messages::kGroupImportDone);
    EXPECT_EQ(Groups(working.Db()), Groups(source.Db()));
    EXPECT_EQ(working.Db().execAndGet("PRAGMA foreign_keys").getInt(), 1);
}

TEST_F(GroupTransferTest, ExportReplacesTheGroupTablesAndKeepsTheFilesOthers) {
    const fs::path file = File(
        "shared.mdb",
        "CREATE TABLE CT_Group (id INTEGER, Name TEXT); INSERT INTO CT_Group "
        "VALUES (99, 'stale'); CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('keep')");
    ExportTables(source.FilePath(), kGroupTables, file);
    auto exported = OpenExistingSqlite(file);
    EXPECT_EQ(Groups(*exported), Groups(source.Db()));
    EXPECT_EQ(exported->execAndGet("SELECT t FROM notes").getString(), "keep");
}

TEST_F(GroupTransferTest, AFileWithOnlyItemsKeepsTheGroupingsAndReplacesTheItems) {
    const fs::path file =
        File("items.mdb",
             "CREATE TABLE DT_GroupItem (id INTEGER PRIMARY KEY, GroupID INTEGER, Title TEXT, "
             "LowBoundary REAL, HighBoundary REAL, LowSymbol TEXT, HighSymbol TEXT);"
             "INSERT INTO DT_GroupItem VALUES (5, 7, '新项', 1, 9, '>', '<')");
    const auto groups = test::Rows(working.Db(), "ct_group", "id");
    const auto result = ImportTables(working.Db(), kGroupTables, file);
    EXPECT_EQ(result.missingTables,
              std::vector<std::string>{"您选择的文件中不存在名字为\"CT_Group\"的数据表"});
    EXPECT_EQ(test::Rows(working.Db(), "ct_group", "id"), groups);
    EXPECT_EQ(test::Rows(working.Db(), "DT_GroupItem", "id"),
              std::vector<std::string>{"5|7|'新项'|1.0|9.0|'>'|'<'"});
}

TEST_F(GroupTransferTest, ItemsOfReplacedGroupingsGoWithThem) {
    const fs::path file =
        File("groups.mdb",
             "CREATE TABLE ct_group (id INTEGER PRIMARY KEY, Name TEXT, orderstr TEXT, "
             "AutoLowest INTEGER, AutoHighest INTEGER, GroupList TEXT);"
             "INSERT INTO ct_group VALUES (1, '新一', 'id ASC', 0, 0, NULL)");
    ImportTables(working.Db(), kGroupTables, file);
    EXPECT_EQ(working.Db().execAndGet("SELECT group_concat(Title) FROM DT_GroupItem").getString(),
              "本地一的项");
}

TEST_F(GroupTransferTest, FilesThatDoNotFitChangeNothing) {
    const auto before = Groups(working.Db());
    const struct {
        fs::path file;
        const char* expected;
    } cases[] = {
        {File("columns.mdb",
              "CREATE TABLE CT_Group (id INTEGER, Name TEXT); INSERT INTO CT_Group VALUES (3, 'x');"
              "CREATE TABLE DT_GroupItem (id INTEGER, GroupID INTEGER)"),
         "运行中发生错误："},
        {File("orphans.mdb",
              "CREATE TABLE DT_GroupItem (id INTEGER PRIMARY KEY, GroupID INTEGER, Title TEXT, "
              "LowBoundary REAL, HighBoundary REAL, LowSymbol TEXT, HighSymbol TEXT);"
              "INSERT INTO DT_GroupItem VALUES (5, 42, '无主', 1, 9, '>', '<')"),
         "运行中发生错误："},
        {folder.Path() / "missing.mdb", messages::kFileMissing},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ImportError(c.file).starts_with(c.expected)) << c.file << ImportError(c.file);
        EXPECT_EQ(Groups(working.Db()), before);
    }
}

}  // namespace
}  // namespace tallwick::exchange
