// The plausibility review: a keying slip outranks every clean record of its level however big
// the clean unions are; small levels are judged against every level; a confirmed answer leaves
// the list, enters the history and survives a backup and its restore.
#include "review/plausibility_review.h"
#include "review/confirmations.h"
#include "review/review_text.h"
#include "review/review_workbook.h"

#include "exchange/backup.h"
#include "exchange/restore.h"
#include "history/history_reading.h"
#include "locate/locate_fields.h"
#include "sheet_python_reader.h"
#include "store/connection.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>

namespace tallwick::review {
namespace {

constexpr double kFirst = 100000000001.0;

// One record: a cover and the answers given; every other answer empty.
void AddUnion(SQLite::Database& db, double code, int level,
              const std::map<std::string, double>& answers, int reporting = 1) {
    std::string columns = "c900, c901, c902, c903, c904, c907, RecordState";
    std::string marks = "'stamp', ?, ?, 110101, ?, ?, 1";
    for (const auto& [field, value] : answers) {
        columns += ", " + field;
        marks += ", ?";
    }
    SQLite::Statement insert(db, "INSERT INTO dt_data (" + columns + ") VALUES (" + marks + ")");
    int index = 1;
    insert.bind(index++, code);
    insert.bind(index++, "工会" + std::to_string(static_cast<long long>(code) % 1000));
    insert.bind(index++, level);
    insert.bind(index++, reporting);
    for (const auto& [field, value] : answers) insert.bind(index++, value);
    insert.exec();
    SQLite::Statement second(db, "INSERT INTO dt_data1 (c901) VALUES (?)");
    second.bind(1, code);
    second.exec();
}

int Field(const char* name) {
    return locate::LocateFieldIndex(name);
}

// Thirty township unions (level 10) of very different sizes whose skill-contest entrants (j011) run
// at about three per full-time official; one small union keyed its entrants a hundredfold.
class SlipFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < 30; ++i) {
            // Sizes from 2 to 120 officials, rates between 2.2 and 3.8 per official.
            const double officials = std::round(2 * std::pow(1.15, (i * 7) % 30));
            const double rate = 2.2 + 0.1 * ((i * 5) % 17);
            AddUnion(db, kFirst + i, 10,
                     {{"z001", officials}, {"j011", std::round(officials * rate)}});
        }
        AddUnion(db, kSlip, 10, {{"z001", 5}, {"j011", 1500}});  // 15 meant
    }

    ReviewResult Review() { return RunReview(db, catalogue); }

    static constexpr double kSlip = kFirst + 100;
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    locate::LocateCatalogue catalogue = locate::LocateCatalogue::Read(db);
};

TEST_F(SlipFixture, AHundredfoldSlipOutranksEveryCleanRecordOfItsLevel) {
    for (unsigned threads : {1u, 2u}) {
        ReviewSettings settings;
        settings.threads = threads;
        const ReviewResult result = RunReview(db, catalogue, settings);
        ASSERT_FALSE(result.ranked.empty());
        const RankedRecord& top = result.ranked.front();
        EXPECT_EQ(top.code, kSlip) << threads;
        EXPECT_EQ(top.top.field, Field("j011"));
        EXPECT_EQ(top.top.value, 1500);
        EXPECT_EQ(top.top.basis, Basis::Level);
        // The range a union of 5 officials usually reports lies around 15, far below 1,500.
        EXPECT_LT(top.top.low, 15);
        EXPECT_GT(top.top.high, 15);
        EXPECT_LT(top.top.high, 150);
        for (std::size_t i = 1; i < result.ranked.size(); ++i)
            EXPECT_GT(top.top.score, 10 * result.ranked[i].top.score) << result.ranked[i].code;
    }
}

TEST_F(SlipFixture, TheSameRecordsGiveTheSameListOnAnyNumberOfThreads) {
    ReviewSettings one;
    one.threads = 1;
    ReviewSettings three;
    three.threads = 3;
    const auto a = RunReview(db, catalogue, one).ranked;
    const auto b = RunReview(db, catalogue, three).ranked;
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].code, b[i].code);
        EXPECT_EQ(a[i].top.field, b[i].top.field);
        EXPECT_EQ(a[i].top.score, b[i].top.score);
    }
}

// Township unions (10): six reporting, two that report no data; provincial unions (1): two;
// county unions (3): one. Office staff (d012) is asked of levels 1 to 3 only.
TEST(ReviewStrata, SmallLevelsFallBackToEveryLevelAndTooFewRecordsToNone) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    double code = kFirst;
    for (int i = 0; i < 6; ++i) AddUnion(db, code++, 10, {{"z001", 10.0 + i}});
    for (int i = 0; i < 2; ++i) AddUnion(db, code++, 10, {{"z001", 3}}, 3);
    for (int i = 0; i < 2; ++i) AddUnion(db, code++, 1, {{"z001", 90}, {"d012", 40}});
    AddUnion(db, code++, 3, {{"z001", 20}, {"d012", 30}});
    const auto catalogue = locate::LocateCatalogue::Read(db);

    struct Case {
        const char* field;
        int level;
        std::size_t smallestStratum;
        std::size_t smallestSample;
        std::optional<Basis> basis;  // nullopt: not judged
        std::size_t count;
    };
    const Case cases[] = {
        {"z001", 10, 5, 3, Basis::Level, 6},      // large enough; non-reporting left out
        {"z001", 10, 7, 3, Basis::AllLevels, 9},  // one short of the stratum
        {"z001", 1, 5, 3, Basis::AllLevels, 9},   // a small level
        {"z001", 5, 5, 3, Basis::AllLevels, 9},   // a level without records
        {"z001", 1, 2, 3, Basis::Level, 2},       // a small stratum allowed
        {"d012", 1, 5, 3, Basis::AllLevels, 3},   // only the levels asked count
        {"d012", 1, 5, 4, std::nullopt, 0},       // too few records in all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " level " + std::to_string(c.level));
        ReviewSettings settings;
        settings.smallestStratum = c.smallestStratum;
        settings.smallestSample = c.smallestSample;
        const ReviewResult result = RunReview(db, catalogue, settings);
        const auto expectation = result.ExpectationOf(Field(c.field), c.level);
        ASSERT_EQ(expectation.has_value(), c.basis.has_value());
        if (!expectation) continue;
        EXPECT_EQ(expectation->basis, *c.basis);
        EXPECT_EQ(expectation->count, c.count);
    }
}

TEST_F(SlipFixture, AConfirmedAnswerLeavesTheListUntilItChangesAndSurvivesBackupAndRestore) {
    auto listed = [](const ReviewResult& result, double code) {
        for (const RankedRecord& record : result.ranked)
            if (record.code == code && record.top.field == Field("j011")) return true;
        return false;
    };
    ASSERT_TRUE(listed(Review(), kSlip));
    ConfirmAnswer(db, kSlip, "j011", 1500, "该会当年承办全县职工技能大赛");
    EXPECT_FALSE(listed(Review(), kSlip));
    const auto history = history::ReadRecordHistory(db, kSlip);
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front().operation, kConfirmedOperation);
    EXPECT_EQ(history.front().field, "j011");
    EXPECT_EQ(history.front().newValue, "1500（该会当年承办全县职工技能大赛）");

    // A backup, then the confirmation withdrawn here, then the backup restored.
    test::TempFolder files;
    const auto backup = files.Path() / "backup.mdb";
    exchange::BackupDatabase(db, backup);
    db.exec("DELETE FROM dt_confirmed");
    ASSERT_TRUE(listed(Review(), kSlip));
    copy.CloseDb();
    {
        auto connection = DatabaseConnection::Open(copy.Folder());
        exchange::RestoreBackup(connection, backup);
        const auto confirmations = ReadConfirmations(connection.Db());
        ASSERT_EQ(confirmations.size(), 1u);
        EXPECT_EQ(confirmations[0].field, "j011");
        EXPECT_EQ(confirmations[0].note, "该会当年承办全县职工技能大赛");
        EXPECT_FALSE(listed(RunReview(connection.Db(), catalogue), kSlip));

        // Another value is another answer: the review judges it again.
        connection.Db().exec("UPDATE dt_data SET j011 = 1600 WHERE c901 = " +
                             std::to_string(static_cast<long long>(kSlip)));
        EXPECT_TRUE(listed(RunReview(connection.Db(), catalogue), kSlip));
    }
}

TEST_F(SlipFixture, TheWorkbookListsTheRankedRecordsUnderTheirTitles) {
    test::TempFolder folder;
    const auto target = folder.Path() / "审核.xlsx";
    const ReviewResult result = Review();
    ExportReviewWorkbook(db, result, target);
    const test::ReadBack book = test::ReadWithOpenpyxl(target);
    ASSERT_EQ(book.sheets.size(), 1u);
    const std::string sheet = book.sheets[0];
    EXPECT_EQ(book.Cell(sheet, "A1"), "可疑数据审核");
    EXPECT_EQ(book.Cell(sheet, "B3"), "编号");
    EXPECT_EQ(book.Cell(sheet, "B4"), "100000000101");
    EXPECT_EQ(book.Cell(sheet, "D4"), "乡镇、街道工会");
    EXPECT_EQ(book.Cell(sheet, "F4"), "j011");
    EXPECT_EQ(std::stod(book.Cell(sheet, "G4")), 1500);
    EXPECT_EQ(book.Cell(sheet, "J4"), FindingText(result.ranked[0].top));
    const std::string last = "B" + std::to_string(3 + result.ranked.size());
    EXPECT_FALSE(book.Cell(sheet, last).empty());
    EXPECT_TRUE(book.Cell(sheet, "B" + std::to_string(4 + result.ranked.size())).empty());
}

// Large enough for the second reader: both halves, joined, are what one reader reads, and a
// record with code 0 (which the summary leaves out) is in neither.
TEST(ReviewRowsTest, TwoReadersReadWhatOneReads) {
    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};
    SQLite::Database& db = copy.Db();
    db.exec(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 24000) "
        "INSERT INTO dt_data (c901, c902, c904, c907, z001, j011, d055) "
        "SELECT 100000000001 + 7 * i, 'u' || i, 1 + i % 12, 1 + i % 4, i % 97, i % 13, i % 5 "
        "FROM n");
    db.exec("INSERT INTO dt_data (c901, z001) VALUES (0, 5)");
    db.exec("INSERT INTO dt_data1 (c901, y012) SELECT c901, c901 % 11 FROM dt_data");
    const ReviewRows one = ReadReviewRows(db, 1);
    const ReviewRows two = ReadReviewRows(db, 2);
    ASSERT_EQ(one.Size(), 24001u);
    EXPECT_EQ(one.codes.front(), kFirst);
    EXPECT_EQ(two.codes, one.codes);
    EXPECT_EQ(two.names, one.names);
    EXPECT_EQ(two.levels, one.levels);
    EXPECT_EQ(two.reporting, one.reporting);
    EXPECT_EQ(two.values, one.values);
}

TEST(ReviewConfirmations, AnOlderDatabaseGetsTheirTableOnItsUpgrade) {
    test::DeliveredDatabaseCopy old;
    old.Db().exec("DROP TABLE dt_confirmed; PRAGMA user_version = 4");
    EXPECT_TRUE(UpgradeSchema(old.Db()).empty());
    EXPECT_EQ(SchemaVersion(old.Db()), kSchemaVersion);
    AddUnion(old.Db(), kFirst, 10, {{"z001", 5}});
    ConfirmAnswer(old.Db(), kFirst, "z001", 5, "");
    EXPECT_EQ(ReadConfirmations(old.Db()).size(), 1u);
}

}  // namespace
}  // namespace tallwick::review
