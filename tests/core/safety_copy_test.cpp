// Safety copies: made before each operation that changes many records, named by time and
// operation, rotated at the limit, refused with nothing changed when the disk is full or the
// folder cannot be written, and importable like any backup.
#include "store/safety_copy.h"

#include "common/user_error.h"
#include "exchange/data_import.h"
#include "exchange/group_transfer.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "exchange_test_data.h"
#include "store/compaction.h"
#include "store/database.h"
#include "store/record_deletion.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;

std::tm At(int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 11;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

// A working database with four records and the files the operations read.
class SafetyCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i) test::AddRecord(db(), kFirst + i, "工会");
        exchange::BuildPackageTemplate(sender.FilePath(),
                                       sender.Folder() / exchange::kPackageTemplateName);
        test::AddRecord(sender.Db(), kFirst + 10, "新工会");
        package = sender.Folder() / "pkg.dat";
        exchange::ExportPackage(sender.Db(), sender.Folder() / exchange::kPackageTemplateName,
                                package, "某某区总工会");
        groups = sender.Folder() / "groups.mdb";
        exchange::ExportTables(sender.FilePath(), exchange::kGroupTables, groups);
    }

    SQLite::Database& db() { return working->Db(); }
    fs::path Folder() const { return working->Folder(); }

    std::vector<std::string> Copies() {
        std::vector<std::string> found;
        for (const auto& copy : ListSafetyCopies(Folder()))
            found.push_back(copy.operation + ":" +
                            (copy.records ? std::to_string(*copy.records) : std::string("?")));
        return found;
    }

    // The operations that change many records, each as the program runs it.
    struct Operation {
        const char* name;
        std::function<void(SafetyCopyTest&)> run;
        std::vector<std::string> copies;  // what the backups folder holds afterwards
    };
    static std::vector<Operation> Operations() {
        return {
            {"delete two",
             [](SafetyCopyTest& t) {
                 DeleteRecords(t.db(), {kFirst, kFirst + 1});
             },
             {"删除:4"}},
            {"delete one", [](SafetyCopyTest& t) { DeleteRecords(t.db(), {kFirst}); }, {}},
            {"delete all", [](SafetyCopyTest& t) { DeleteAllRecords(t.db()); }, {"删除:4"}},
            {"delete range of two",
             [](SafetyCopyTest& t) { DeleteRecordRange(t.db(), kFirst, kFirst + 1); },
             {"删除:4"}},
            {"delete range of one",
             [](SafetyCopyTest& t) { DeleteRecordRange(t.db(), kFirst + 3, kFirst + 9); },
             {}},
            {"compaction",
             [](SafetyCopyTest& t) {
                 t.working->CloseDb();
                 CompactDatabase(t.working->FilePath());
             },
             {"压缩:4"}},
            {"group import",
             [](SafetyCopyTest& t) {
                 exchange::ImportTables(t.db(), exchange::kGroupTables, t.groups);
             },
             {"分组导入:4"}},
            {"import",
             [](SafetyCopyTest& t) {
                 const auto prepared = exchange::PrepareImport(t.db(), t.package, t.Folder());
                 ASSERT_TRUE(exchange::TransferImport(t.db(), prepared, t.Folder()).imported);
             },
             {"导入:4"}},
        };
    }

    // Runs the operation on a fresh working database, `first` done to its folder before; its
    // records before and after.
    std::pair<std::vector<std::string>, std::vector<std::string>> RunFresh(
        const Operation& op, const std::function<void()>& first = {}) {
        working = std::make_unique<test::DeliveredDatabaseCopy>();
        if (first) first();
        for (int i = 0; i < 4; ++i) test::AddRecord(db(), kFirst + i, "工会");
        const auto before = test::RecordRows(db());
        try {
            op.run(*this);
        } catch (const UserError& error) {
            message = error.what();
        }
        auto reopened = OpenExistingSqlite(working->FilePath());
        return {before, test::RecordRows(*reopened)};
    }

    std::unique_ptr<test::DeliveredDatabaseCopy> working =
        std::make_unique<test::DeliveredDatabaseCopy>();
    test::DeliveredDatabaseCopy sender;
    fs::path package;
    fs::path groups;
    std::string message;
};

TEST_F(SafetyCopyTest, EachOperationOnManyRecordsIsPrecededByACopyOfTheDatabase) {
    for (const Operation& op : Operations()) {
        SCOPED_TRACE(op.name);
        message.clear();
        RunFresh(op);
        EXPECT_EQ(message, "");
        EXPECT_EQ(Copies(), op.copies);
        // The copy is the database as it was before: a backup that imports and restores.
        for (const auto& copy : ListSafetyCopies(Folder())) {
            const auto name = ParseSafetyCopyName(copy.path.filename().string());
            ASSERT_TRUE(name);
            auto opened = OpenSqlite(copy.path, SQLite::OPEN_READONLY);
            EXPECT_EQ(opened->execAndGet("PRAGMA integrity_check").getString(), "ok");
            EXPECT_EQ(fs::status(copy.path).permissions(),
                      fs::perms::owner_read | fs::perms::owner_write);
        }
    }
}

TEST_F(SafetyCopyTest, AFullDiskOrAnUnwritableFolderStopsTheOperationBeforeAnyChange) {
    const ScopedSafetyCopyPolicy tight(
        {20, {}, [](const fs::path&) -> std::uintmax_t { return 4096; }});
    for (const Operation& op : Operations()) {
        if (op.copies.empty()) continue;
        SCOPED_TRACE(op.name);
        message.clear();
        const auto [before, after] = RunFresh(op);
        EXPECT_EQ(after, before);
        EXPECT_TRUE(message.starts_with("磁盘空间不足：在“" + (Folder() / "backups").string() +
                                        "”中保存操作前的安全备份需要约"))
            << message;
        EXPECT_TRUE(message.ends_with("MB可用。操作没有进行，数据没有任何改变，请先腾出磁盘空间。"))
            << message;
        EXPECT_TRUE(fs::is_empty(Folder() / "backups"));
    }

    // One byte short is short: the two figures never read alike.
    const ScopedSafetyCopyPolicy oneShort({20, {}, [&](const fs::path&) -> std::uintmax_t {
                                               return fs::file_size(working->FilePath()) - 1;
                                           }});
    message.clear();
    RunFresh(Operations().front());
    std::smatch figures;
    ASSERT_TRUE(std::regex_search(message, figures, std::regex("需要约(\\d+) MB，只有(\\d+) MB")))
        << message;
    EXPECT_GT(std::stoi(figures[1]), std::stoi(figures[2])) << message;

    const ScopedSafetyCopyPolicy roomy({});
    for (const Operation& op : Operations()) {
        if (op.copies.empty()) continue;
        SCOPED_TRACE(op.name);
        message.clear();
        const auto [before, after] = RunFresh(op, [&] {
            std::ofstream(Folder() / "backups") << "a file where the folder should be";
        });
        EXPECT_EQ(after, before);
        EXPECT_TRUE(message.starts_with("无法在“" + (Folder() / "backups").string() +
                                        "”中保存操作前的安全备份（"))
            << message;
    }
}

TEST_F(SafetyCopyTest, NamesTellTimeAndOperationAndOnlyTheNewestAreKept) {
    std::vector<std::tm> times = {At(10, 14, 32, 7), At(10, 14, 32, 7), At(10, 14, 32, 7),
                                  At(10, 14, 32, 9), At(10, 15, 1, 0),  At(11, 9, 0, 30)};
    std::size_t next = 0;
    const ScopedSafetyCopyPolicy policy({4, [&] { return times.at(next++); }, {}});
    const std::vector<const char*> operations = {"导入", "导入", "导入", "删除", "导入", "删除"};
    std::vector<std::string> names;
    for (const char* operation : operations)
        names.push_back(MakeSafetyCopy(db(), operation).filename().string());
    EXPECT_EQ(names,
              (std::vector<std::string>{"2026-12-10_1432_导入.mdb", "2026-12-10_143207_导入.mdb",
                                        "2026-12-10_143207_导入-2.mdb", "2026-12-10_1432_删除.mdb",
                                        "2026-12-10_1501_导入.mdb", "2026-12-11_0900_删除.mdb"}));
    // Within a minute the order of writing counts, not what the names say.
    std::vector<std::string> kept;
    for (const auto& copy : ListSafetyCopies(Folder()))
        kept.push_back(copy.path.filename().string() + " " + copy.time + " " + copy.operation);
    EXPECT_EQ(kept,
              (std::vector<std::string>{"2026-12-11_0900_删除.mdb 2026-12-11 09:00 删除",
                                        "2026-12-10_1501_导入.mdb 2026-12-10 15:01 导入",
                                        "2026-12-10_1432_删除.mdb 2026-12-10 14:32 删除",
                                        "2026-12-10_143207_导入-2.mdb 2026-12-10 14:32:07 导入"}));
    // Other files of the folder are no copies and stay.
    std::ofstream(Folder() / "backups" / "notes.txt") << "mine";
    times.push_back(At(12, 8, 0, 0));
    MakeSafetyCopy(db(), "压缩");
    EXPECT_EQ(ListSafetyCopies(Folder()).size(), 4u);
    EXPECT_TRUE(fs::exists(Folder() / "backups" / "notes.txt"));
    EXPECT_FALSE(fs::exists(Folder() / "backups" / "2026-12-10_143207_导入-2.mdb"));
    EXPECT_TRUE(fs::exists(Folder() / "backups" / "2026-12-10_1432_删除.mdb"));
}

// The time a copy was written orders the copies, not the minute in its name: the copy made after
// the clock was set back is the newest and stays. A file of the user's named like a copy is no
// copy of the program's and stays too.
TEST_F(SafetyCopyTest, RotationKeepsTheCopyJustWrittenAndRemovesOnlyCopiesItWrote) {
    const fs::path folder = Folder() / "backups";
    fs::create_directories(folder);
    const fs::path mine = folder / "2026-12-01_0800_mine.mdb";
    fs::copy_file(test::DeliveredDatabasePath(), mine);
    const std::vector<std::tm> times = {At(10, 14, 0, 0), At(10, 14, 1, 0), At(10, 13, 0, 0)};
    std::size_t next = 0;
    const ScopedSafetyCopyPolicy policy({2, [&] { return times.at(next++); }, {}});
    std::vector<fs::path> made;
    for (std::size_t i = 0; i < times.size(); ++i) made.push_back(MakeSafetyCopy(db(), "导入"));
    EXPECT_FALSE(fs::exists(made[0]));
    EXPECT_TRUE(fs::exists(made[1]));
    EXPECT_TRUE(fs::exists(made[2]));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_EQ(ListSafetyCopies(Folder()).front().path, made[2]);
}

TEST(SafetyCopyName, IsReadBackOrRefused) {
    struct Case {
        std::string name;
        bool valid;
        std::string operation;
        int counter;
    };
    for (const Case& c :
         std::vector<Case>{{"2026-12-10_1432_导入.mdb", true, "导入", 1},
                           {"2026-12-10_143207_恢复-3.mdb", true, "恢复", 3},
                           {"2026-12-10_1432_分组导入.mdb", true, "分组导入", 1},
                           {"2026-12-10_1432_导入.dat", false, "", 0},
                           {"2026-13-10_1432_导入.mdb", false, "", 0},
                           {"2026-12-10_2560_导入.mdb", false, "", 0},
                           {"backup.mdb", false, "", 0},
                           {".tallwick-1-2026-12-10_1432_导入.mdb.abc", false, "", 0}}) {
        SCOPED_TRACE(c.name);
        const auto name = ParseSafetyCopyName(c.name);
        ASSERT_EQ(name.has_value(), c.valid);
        if (!name) continue;
        EXPECT_EQ(name->operation, c.operation);
        EXPECT_EQ(name->counter, c.counter);
    }
}

// A safety copy is an ordinary backup: another installation imports its records.
TEST_F(SafetyCopyTest, ACopyImportsLikeABackup) {
    const fs::path copy = MakeSafetyCopy(db(), safety_operation::kDelete);
    test::DeliveredDatabaseCopy other;
    const auto prepared = exchange::PrepareImport(other.Db(), copy, other.Folder());
    EXPECT_FALSE(prepared.HasWorkingCopy());
    const auto result = exchange::TransferImport(other.Db(), prepared, other.Folder());
    ASSERT_TRUE(result.imported) << result.message;
    EXPECT_EQ(test::RecordRows(other.Db()), test::RecordRows(db()));
}

}  // namespace
}  // namespace tallwick
