// Re-submitted packages whose codes partly exist: keep, replace, per-code decisions, refusal,
// the conflict view's data, the history of each import, and the transaction hook.
#include "common/user_error.h"
#include "exchange/conflict_resolution.h"
#include "exchange/data_import.h"
#include "exchange/import_history.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "exchange_test_data.h"
#include "store/database.h"
#include "store/safety_copy.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;

// The receiver holds the codes 1 to 3; the unit sends 2 and 3 corrected and 4 and 5 new.
class ResubmissionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) test::AddRecord(db, kFirst + i, "原有" + std::to_string(i), 2);
        BuildPackageTemplate(sender.FilePath(), sender.Folder() / kPackageTemplateName);
        for (int i = 1; i < 5; ++i)
            test::AddRecord(sender.Db(), kFirst + i, "新报" + std::to_string(i));
        // The corrected record 2 differs in a survey field of each table; 3 in its name only.
        sender.Db().exec("UPDATE dt_data SET z001 = 70, b018 = NULL WHERE c901 = 100000000002");
        sender.Db().exec("UPDATE dt_data1 SET y012 = 90 WHERE c901 = 100000000002");
        sender.Db().exec("UPDATE dt_data SET c902 = '原有2' WHERE c901 = 100000000003");
        package = sender.Folder() / "pkg.dat";
        ExportPackage(sender.Db(), sender.Folder() / kPackageTemplateName, package, "某某区总工会");
        before = test::RecordRows(db);
    }

    ImportResult Decide(const std::set<double>& replace) {
        const auto prepared = PrepareImport(db, package, receiver.Folder());
        return ImportWithDecisions(db, prepared, ImportDecisions{replace}, reports.Path());
    }

    // Record rows of the given codes, as in the database named.
    static std::vector<std::string> RowsOf(SQLite::Database& from, const std::string& codes) {
        std::vector<std::string> rows;
        for (const char* table : {"dt_data", "dt_data1"}) {
            for (const auto& row : test::Rows(from, table))
                for (const char digit : codes)
                    if (row.find("10000000000" + std::string(1, digit) + ".0") != std::string::npos)
                        rows.push_back(std::string(table) + ":" + row);
        }
        return rows;
    }

    std::vector<std::string> Codes() {
        std::vector<std::string> codes;
        SQLite::Statement query(db,
                                "SELECT (CAST(c901 AS INTEGER) % 10) || ':' || c902 || ':' || "
                                "RecordState FROM dt_data ORDER BY c901");
        while (query.executeStep()) codes.push_back(query.getColumn(0).getString());
        return codes;
    }

    test::DeliveredDatabaseCopy receiver;
    test::DeliveredDatabaseCopy sender;
    SQLite::Database& db = receiver.Db();
    test::TempFolder reports;
    fs::path package;
    std::vector<std::string> before;
};

TEST_F(ResubmissionTest, KeepAddsOnlyTheNewCodesAndReplaceAlsoTakesTheCorrectedRecords) {
    struct Case {
        const char* name;
        std::set<double> replace;
        std::vector<std::string> codes;
        std::string fromSender;  // records whose rows, in both tables, are the incoming ones
        std::string untouched;   // records whose rows are as they were
        std::uint64_t added, replaced, kept;
    };
    const std::vector<Case> cases = {
        {"keep",
         {},
         {"1:原有0:2", "2:原有1:2", "3:原有2:2", "4:新报3:1", "5:新报4:1"},
         "45",
         "123",
         2,
         0,
         2},
        {"replace",
         {kFirst + 1, kFirst + 2},
         {"1:原有0:2", "2:新报1:1", "3:原有2:1", "4:新报3:1", "5:新报4:1"},
         "2345",
         "1",
         2,
         2,
         0},
        {"replace one",
         {kFirst + 1, kFirst + 9},
         {"1:原有0:2", "2:新报1:1", "3:原有2:2", "4:新报3:1", "5:新报4:1"},
         "245",
         "13",
         2,
         1,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto original = RowsOf(db, c.untouched);
        const auto result = Decide(c.replace);
        EXPECT_TRUE(result.imported) << result.message;
        EXPECT_EQ(Codes(), c.codes);
        EXPECT_EQ(RowsOf(db, c.fromSender), RowsOf(sender.Db(), c.fromSender));
        EXPECT_EQ(RowsOf(db, c.untouched), original);
        EXPECT_EQ(result.added, c.added);
        EXPECT_EQ(result.replaced, c.replaced);
        EXPECT_EQ(result.kept, c.kept);
        EXPECT_EQ(result.message, "数据已经被正确地从'" + package.string() + "'导入！\n新增" +
                                      std::to_string(c.added) + "条记录，替换" +
                                      std::to_string(c.replaced) + "条记录，保留" +
                                      std::to_string(c.kept) + "条现有记录。");
        const auto history = ReadHistory(db);
        ASSERT_FALSE(history.empty());
        EXPECT_EQ(history.front().label, "某某区总工会");
        EXPECT_EQ(history.front().fileName, fs::absolute(package).string());
        EXPECT_EQ(history.front().operation, "导入");
        EXPECT_EQ(history.front().records, 4);
        EXPECT_EQ(history.front().added, static_cast<std::int64_t>(c.added));
        EXPECT_EQ(history.front().replaced, static_cast<std::int64_t>(c.replaced));
        EXPECT_EQ(history.front().kept, static_cast<std::int64_t>(c.kept));
        EXPECT_TRUE(history.front().succeeded);
        EXPECT_EQ(history.front().outcome, "成功");
        // Back to the receiver's records for the next case.
        db.exec("DELETE FROM dt_data; DELETE FROM dt_data1");
        for (int i = 0; i < 3; ++i) test::AddRecord(db, kFirst + i, "原有" + std::to_string(i), 2);
        ASSERT_EQ(test::RecordRows(db), before);
    }
}

TEST_F(ResubmissionTest, RefusalChangesNoRecordAndIsEnteredAsAConflict) {
    const auto prepared = PrepareImport(db, package, receiver.Folder());
    const auto result = TransferImport(db, prepared, reports.Path());
    EXPECT_FALSE(result.imported);
    EXPECT_TRUE(result.conflictReport);
    EXPECT_EQ(test::RecordRows(db), before);
    // Nothing could change, so no safety copy was made for it.
    EXPECT_TRUE(ListSafetyCopies(receiver.Folder()).empty());
    const auto history = ReadHistory(db);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_FALSE(history[0].succeeded);
    // A step of the re-submission, not a failure: the user settles the codes next.
    EXPECT_EQ(history[0].operation, kHistoryConflict);
    EXPECT_EQ(history[0].outcome, "有2条数据的编号已经存在，等待逐条处理");
    EXPECT_EQ(history[0].label, "某某区总工会");
    EXPECT_EQ(history[0].added + history[0].replaced + history[0].kept, 0);
}

TEST_F(ResubmissionTest, TheConflictViewGetsEachCollisionWithItsDifferingFields) {
    const auto prepared = PrepareImport(db, package, receiver.Folder());
    EXPECT_EQ(CollidingCodes(db, prepared), (std::vector<double>{kFirst + 1, kFirst + 2}));
    const auto collisions = ListCollisions(db, prepared);
    ASSERT_EQ(collisions.size(), 2u);
    EXPECT_EQ(collisions[0].code, kFirst + 1);
    EXPECT_EQ(collisions[0].existingName, "原有1");
    EXPECT_EQ(collisions[0].incomingName, "新报1");
    EXPECT_EQ(collisions[0].existingState, 2);
    EXPECT_EQ(collisions[0].incomingState, 1);
    // c902, RecordState, z001, b018 and y012; the processor stamp is no survey field.
    EXPECT_EQ(collisions[0].differingFields, 5);
    EXPECT_EQ(collisions[1].differingFields, 1);

    const auto fields = DescribeDifferences(db, prepared, kFirst + 1);
    std::vector<std::string> shown;
    for (const auto& field : fields)
        shown.push_back(field.field + "|" + field.question + "|" + field.existing + "|" +
                        field.incoming);
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "c902|本级工会名称|原有1|新报1", "z001|本级工会专职工会干部|7|70",
                         "b018|" +
                             db.execAndGet("SELECT Hint FROM DT_FieldList WHERE FieldName = "
                                           "'b018'")
                                 .getString() +
                             "|2.5|",
                         "y012|" +
                             db.execAndGet("SELECT Hint FROM DT_FieldList WHERE FieldName = "
                                           "'y012'")
                                 .getString() +
                             "|9|90",
                         "RecordState|数据状态|2|1"}));
    EXPECT_TRUE(DescribeDifferences(db, prepared, kFirst + 7).empty());
}

// The hook sees the codes inside the transaction; a failing hook takes the whole import back.
// A bad value in the file refuses the import whatever was decided; the guards of the record
// tables are back exactly as they were.
TEST_F(ResubmissionTest, ABadRecordRefusesTheImportAndLeavesTheGuardsInPlace) {
    const std::string triggers =
        "SELECT group_concat(name || sql, ';') FROM (SELECT name, sql FROM sqlite_master "
        "WHERE type = 'trigger' ORDER BY name)";
    const std::string guards = db.execAndGet(triggers).getString();
    test::DropLimitGuards(sender.Db());
    sender.Db().exec("UPDATE dt_data SET z003 = 'x' WHERE c901 = 100000000004");
    ExportPackage(sender.Db(), sender.Folder() / kPackageTemplateName, package, "某某区总工会");

    const auto result = Decide({kFirst + 1, kFirst + 2});
    EXPECT_FALSE(result.imported);
    EXPECT_EQ(
        result.message,
        "导入文件中编号为100000000004的记录的字段z003（专职干部中研究生）不是整数，没有导入任何"
        "数据。");
    EXPECT_EQ(test::RecordRows(db), before);
    EXPECT_EQ(db.execAndGet(triggers).getString(), guards);
    const auto history = ReadHistory(db);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_FALSE(history[0].succeeded);
    EXPECT_EQ(history[0].outcome, result.message);

    // A good import afterwards leaves them as they were too.
    sender.Db().exec("UPDATE dt_data SET z003 = 1 WHERE c901 = 100000000004");
    fs::remove(package);
    ExportPackage(sender.Db(), sender.Folder() / kPackageTemplateName, package, "某某区总工会");
    EXPECT_TRUE(Decide({kFirst + 1}).imported);
    EXPECT_EQ(db.execAndGet(triggers).getString(), guards);
    EXPECT_THROW(db.exec("UPDATE dt_data SET z003 = 'x' WHERE c901 = 100000000004"),
                 SQLite::Exception);
}

// The incoming rows are judged as the working tables store them: rows that stay out are not
// judged, both tables are, and a file that declares a column otherwise is judged after the copy,
// where its text '7' has become the number 7.
TEST_F(ResubmissionTest, IncomingRowsAreJudgedAsTheyWillBeStored) {
    test::DropLimitGuards(sender.Db());
    const fs::path senderTemplate = sender.Folder() / kPackageTemplateName;
    struct Case {
        const char* name;
        std::string senderChange;
        std::string senderSchemaChange;
        bool imported;
        std::string senderUndo;
    };
    const std::vector<Case> cases = {
        {"a bad value in a kept record", "UPDATE dt_data SET z003 = 'x' WHERE c901 = 100000000003",
         "", true, "UPDATE dt_data SET z003 = 0 WHERE c901 = 100000000003"},
        {"a bad value in the second table",
         "UPDATE dt_data1 SET y012 = 'x' WHERE c901 = 100000000005", "", false,
         "UPDATE dt_data1 SET y012 = 0 WHERE c901 = 100000000005"},
        {"a column declared as text", "UPDATE dt_data SET z003 = '7' WHERE c901 = 100000000004",
         "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = replace(sql, "
         "'z003 INTEGER', 'z003 TEXT') WHERE name = 'dt_data'; PRAGMA writable_schema = OFF",
         true, "UPDATE dt_data SET z003 = 0 WHERE c901 = 100000000004"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.senderSchemaChange.empty()) {
            // The package's tables are defined as the sender's are; the last case changes them.
            const int version = sender.Db().execAndGet("PRAGMA schema_version").getInt();
            sender.Db().exec(c.senderSchemaChange +
                             "; PRAGMA schema_version = " + std::to_string(version + 1));
        }
        BuildPackageTemplate(sender.FilePath(), senderTemplate);
        sender.Db().exec(c.senderChange);
        fs::remove(package);
        ExportPackage(sender.Db(), senderTemplate, package, "某某区总工会");
        sender.Db().exec(c.senderUndo);
        const auto prepared = PrepareImport(db, package, receiver.Folder());
        const auto result =
            ImportWithDecisions(db, prepared, ImportDecisions{{kFirst + 1}}, reports.Path());
        EXPECT_EQ(result.imported, c.imported) << result.message;
        if (result.imported) {
            EXPECT_EQ(db.execAndGet("SELECT quote(z003) FROM dt_data WHERE c901 = 100000000003")
                          .getString(),
                      "0");
            EXPECT_EQ(db.execAndGet("SELECT quote(z003) FROM dt_data WHERE c901 = 100000000004")
                          .getString(),
                      c.senderSchemaChange.empty() ? "0" : "7");
            db.exec(
                "DELETE FROM dt_data WHERE c901 > 100000000003; DELETE FROM dt_data1 WHERE "
                "c901 > 100000000003");
        }
    }
}

// The history stays in this installation: a package carries the record tables and the label.
TEST_F(ResubmissionTest, TheHistoryDoesNotTravelInPackages) {
    ASSERT_TRUE(Decide({}).imported);
    ASSERT_EQ(ReadHistory(db).size(), 1u);
    db.exec("UPDATE dt_data SET RecordState = 1");
    const fs::path out = receiver.Folder() / "out.dat";
    BuildPackageTemplate(receiver.FilePath(), receiver.Folder() / kPackageTemplateName);
    ExportPackage(db, receiver.Folder() / kPackageTemplateName, out, "本级");

    test::DeliveredDatabaseCopy third;
    const auto prepared = PrepareImport(third.Db(), out, third.Folder());
    auto plain = OpenSqlite(prepared.ReadableFile(), SQLite::OPEN_READONLY);
    EXPECT_EQ(plain
                  ->execAndGet("SELECT group_concat(name, ',') FROM (SELECT name FROM "
                               "sqlite_master WHERE type = 'table' ORDER BY name)")
                  .getString(),
              "ct_label,dt_data,dt_data1");
}

}  // namespace
}  // namespace tallwick::exchange
