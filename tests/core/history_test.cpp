// The change history: the rows of a save, a hold, an import and each kind of deletion; the
// history through compaction, backup, package and upgrade; the hook for other operations.
#include "history/history_reading.h"
#include "history/history_rows.h"
#include "history/history_table.h"
#include "history/recorded_write.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "exchange/backup.h"
#include "exchange/data_import.h"
#include "exchange/package_export.h"
#include "exchange/package_header.h"
#include "exchange/package_template.h"
#include "exchange_test_data.h"
#include "store/compaction.h"
#include "store/connection.h"
#include "store/password.h"
#include "store/record_deletion.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <map>

namespace tallwick::history {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;

// "OPERATION FIELD OLD>NEW" per row of a code, newest first; whole-record rows as "OPERATION".
std::vector<std::string> Lines(SQLite::Database& db, double code) {
    std::vector<std::string> lines;
    for (const HistoryEntry& entry : ReadRecordHistory(db, code)) {
        lines.push_back(entry.field.empty() ? entry.operation
                                            : entry.operation + " " + entry.field + " " +
                                                  entry.oldValue + ">" + entry.newValue);
    }
    return lines;
}

int Count(SQLite::Database& db, const std::string& sql) {
    return db.execAndGet(sql).getInt();
}

class HistoryTest : public ::testing::Test {
  protected:
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    entry::EntryCatalogue catalogue = entry::EntryCatalogue::Read(db);

    // What the entry window shows: a valid cover, the survey fields zero unless set.
    std::map<std::string, entry::FieldValue> screen{{"c901", kFirst},
                                                    {"c902", std::string("市总工会")},
                                                    {"c903", std::int64_t{110101}},
                                                    {"c904", std::int64_t{10}},
                                                    {"c905", std::string("张三")},
                                                    {"c906", std::string("010-1")},
                                                    {"c907", std::int64_t{1}}};

    entry::FieldSource Screen() {
        return [this](const std::string& field) -> std::optional<entry::FieldValue> {
            if (field == "RecordState") return std::nullopt;
            const auto it = screen.find(field);
            return it == screen.end() ? entry::FieldValue{0.0} : it->second;
        };
    }

    double Write(int state, std::optional<double> existing) {
        return WriteRecordWithHistory(db, catalogue, Screen(),
                                      {existing, state, "0123456789ABCDEF"},
                                      state == 0 ? kEntryHold : kEntrySave);
    }
};

TEST_F(HistoryTest, AHoldOfANewRecordNamesWhatWasTypedAndASaveTheFieldsItChanged) {
    screen["z001"] = 12.0;
    Write(0, std::nullopt);
    EXPECT_EQ(Lines(db, kFirst),
              (std::vector<std::string>{"临时保存 c901 >100000000001", "临时保存 c902 >市总工会",
                                        "临时保存 c903 >110101", "临时保存 c904 >10",
                                        "临时保存 c905 >张三", "临时保存 c906 >010-1",
                                        "临时保存 c907 >1", "临时保存 z001 >12"}));

    screen["z001"] = 13.0;
    screen["c902"] = std::string("  区总工会 ");  // stored trimmed, and so recorded
    screen["b018"] = 7.5;                         // a decimal field
    screen["y010"] = 3.0;                         // a field of dt_data1
    db.exec("DELETE FROM dt_history");
    Write(1, kFirst);
    EXPECT_EQ(Lines(db, kFirst),
              (std::vector<std::string>{"录入保存 c902 市总工会>区总工会", "录入保存 z001 12>13",
                                        "录入保存 b018 0>7.5", "录入保存 y010 0>3"}));
    // A save that changes nothing is still in the history, as one row.
    Write(1, kFirst);
    EXPECT_EQ(Lines(db, kFirst).front(), "录入保存");

    const HistoryEntry entry = ReadRecordHistory(db, kFirst)[1];
    EXPECT_EQ(entry.question, "本级工会名称");
    EXPECT_EQ(entry.time.size(), 19u);  // YYYY-MM-DD HH:MM:SS
}

TEST_F(HistoryTest, AFailedWriteLeavesNoHistory) {
    Write(0, std::nullopt);
    db.exec("DELETE FROM dt_history");
    db.exec(
        "CREATE TRIGGER refuse BEFORE UPDATE ON dt_data1 BEGIN SELECT RAISE(ABORT, 'full'); END");
    screen["z001"] = 5.0;
    EXPECT_THROW(Write(1, kFirst), SQLite::Exception);
    EXPECT_EQ(Count(db, "SELECT count(*) FROM dt_history"), 0);
    EXPECT_EQ(Count(db, "SELECT z001 FROM dt_data"), 0);
}

TEST_F(HistoryTest, EveryKindOfDeletionRecordsOneRowPerRemovedRecord) {
    struct Case {
        const char* name;
        std::function<int(SQLite::Database&)> remove;
        std::vector<double> removed;
    };
    const Case cases[] = {
        {"one", [](SQLite::Database& d) { return DeleteRecords(d, {kFirst + 1}); }, {kFirst + 1}},
        {"marked, one of them not stored",
         [](SQLite::Database& d) {
             return DeleteRecords(d, {kFirst + 3, kFirst + 9, kFirst});
         },
         {kFirst + 3, kFirst}},
        {"range",
         [](SQLite::Database& d) { return DeleteRecordRange(d, kFirst + 1, kFirst + 2); },
         {kFirst + 1, kFirst + 2}},
        {"all",
         [](SQLite::Database& d) { return DeleteAllRecords(d); },
         {kFirst, kFirst + 1, kFirst + 2, kFirst + 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db.exec("DELETE FROM dt_data; DELETE FROM dt_data1; DELETE FROM dt_history");
        for (int i = 0; i < 4; ++i) test::AddRecord(db, kFirst + i, "工会");
        EXPECT_EQ(c.remove(db), static_cast<int>(c.removed.size()));
        EXPECT_EQ(Count(db, "SELECT count(*) FROM dt_history"), static_cast<int>(c.removed.size()));
        for (const double code : c.removed)
            EXPECT_EQ(Lines(db, code), std::vector<std::string>{"删除"});
    }
}

TEST_F(HistoryTest, TheHookRecordsWholeRecordsOnlyInsideTheCallersTransaction) {
    for (int i = 0; i < 3; ++i) test::AddRecord(db, kFirst + i, "工会");
    EXPECT_THROW(AppendWholeRecordRows(db, kRestore, "SELECT c901 FROM dt_data"), std::logic_error);
    {
        SQLite::Transaction transaction(db);
        AppendWholeRecordRows(db, kImportReplace, "SELECT c901 FROM dt_data WHERE c901 > ?1",
                              {kFirst});
        AppendWholeRecordRows(db, kRestore, std::vector<double>{kFirst});
        // Not committed: a failed operation leaves no history.
    }
    EXPECT_EQ(Count(db, "SELECT count(*) FROM dt_history"), 0);
    {
        SQLite::Transaction transaction(db);
        AppendWholeRecordRows(db, kImportReplace, "SELECT c901 FROM dt_data WHERE c901 > ?1",
                              {kFirst});
        AppendWholeRecordRows(db, kRestore, std::vector<double>{kFirst});
        transaction.commit();
    }
    EXPECT_EQ(Lines(db, kFirst), std::vector<std::string>{"恢复"});
    EXPECT_EQ(Lines(db, kFirst + 2), std::vector<std::string>{"导入替换"});
    EXPECT_TRUE(IsKnownCode(db, kFirst + 2));
    db.exec("DELETE FROM dt_data WHERE c901 = " + std::to_string(kFirst + 2));
    EXPECT_TRUE(IsKnownCode(db, kFirst + 2));  // deleted, but the history knows it
    EXPECT_FALSE(IsKnownCode(db, kFirst + 7));
}

// Export and import between two installations: the receiver records one row per imported
// record, and the package carries no history of the sender.
TEST(HistoryExchange, AnImportRecordsEachRecordAndAPackageCarriesNoHistory) {
    test::DeliveredDatabaseCopy sender;
    test::DeliveredDatabaseCopy receiver;
    exchange::BuildPackageTemplate(sender.FilePath(), sender.Folder() / "view.dll");
    for (int i = 0; i < 3; ++i) test::AddRecord(sender.Db(), kFirst + i, "工会");
    {
        SQLite::Transaction transaction(sender.Db());
        AppendWholeRecordRows(sender.Db(), kEntrySave, "SELECT c901 FROM dt_data");
        transaction.commit();
    }
    const fs::path package = sender.Folder() / "p.dat";
    exchange::ExportPackage(sender.Db(), sender.Folder() / "view.dll", package, "某区");
    test::AddRecord(receiver.Db(), kFirst + 5, "本地");

    const auto result =
        exchange::ImportDataFile(receiver.Db(), package, receiver.Folder(), receiver.Folder(),
                                 [](const std::string&) { return true; });
    ASSERT_TRUE(result && result->imported) << (result ? result->message : "declined");
    EXPECT_EQ(Count(receiver.Db(), "SELECT count(*) FROM dt_history"), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Lines(receiver.Db(), kFirst + i), std::vector<std::string>{"导入"});
    EXPECT_TRUE(Lines(receiver.Db(), kFirst + 5).empty());

    // The package itself: its tables are the survey's and no more.
    const fs::path plain = sender.Folder() / "plain.db";
    auto bytes = ReadWholeFile(package);
    exchange::UnmaskHeader(bytes);
    WriteFileAtomically(plain, cipher::Unseal(bytes, DerivePassword()));
    SQLite::Database opened(plain.string());
    EXPECT_EQ(opened
                  .execAndGet("SELECT group_concat(name) FROM (SELECT name FROM sqlite_master "
                              "WHERE type = 'table' ORDER BY name)")
                  .getString(),
              "ct_label,dt_data,dt_data1");

    // An import that fails records nothing.
    const auto again =
        exchange::ImportDataFile(receiver.Db(), package, receiver.Folder(), receiver.Folder(),
                                 [](const std::string&) { return true; });
    ASSERT_TRUE(again && !again->imported);
    EXPECT_EQ(Count(receiver.Db(), "SELECT count(*) FROM dt_history"), 3);
}

TEST_F(HistoryTest, TheHistoryOutlivesCompactionAndTravelsInABackup) {
    test::AddRecord(db, kFirst, "工会");
    DeleteRecords(db, {kFirst});
    const fs::path backup = copy.Folder() / "backup.mdb";
    exchange::BackupDatabase(db, backup);
    copy.CloseDb();
    CompactDatabase(copy.FilePath());

    auto compacted = OpenExistingSqlite(copy.FilePath());
    EXPECT_EQ(Lines(*compacted, kFirst), std::vector<std::string>{"删除"});
    SQLite::Database saved(backup.string());
    EXPECT_EQ(Lines(saved, kFirst), std::vector<std::string>{"删除"});
}

TEST(HistoryUpgrade, ADatabaseOfTheEarlierLayoutGetsAnEmptyHistory) {
    test::DeliveredDatabaseCopy old;
    old.Db().exec("DROP TABLE dt_history; PRAGMA user_version = 2");
    old.CloseDb();
    DatabaseConnection::Open(old.Folder());
    auto upgraded = OpenExistingSqlite(old.FilePath());
    EXPECT_EQ(SchemaVersion(*upgraded), kSchemaVersion);
    EXPECT_EQ(Count(*upgraded, "SELECT count(*) FROM dt_history"), 0);
    // The same layout as a database delivered with it.
    test::DeliveredDatabaseCopy fresh;
    const std::string layout =
        "SELECT group_concat(sql, ';') FROM sqlite_master WHERE tbl_name = 'dt_history'";
    EXPECT_EQ(upgraded->execAndGet(layout).getString(), fresh.Db().execAndGet(layout).getString());
}

}  // namespace
}  // namespace tallwick::history
