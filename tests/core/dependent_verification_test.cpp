#include "verify/third_keying.h"
#include "verify/verification_marks.h"
#include "verify/verified_record.h"

#include "exchange_test_data.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace tallwick {
namespace {

using Outcome = verify::ThirdKeyingRule::Outcome;
using entry::FieldValue;

TEST(ThirdKeyingRule, TheThirdKeyingDecides) {
    const struct {
        const char* name;
        FieldValue stored;
        std::vector<FieldValue> keyings;
        std::vector<Outcome> outcomes;
    } cases[] = {
        {"agrees", std::int64_t{46}, {std::int64_t{46}}, {Outcome::Agrees}},
        {"whole and decimal agree", std::int64_t{3}, {3.0}, {Outcome::Agrees}},
        {"an empty box is 0", std::int64_t{0}, {FieldValue{}}, {Outcome::Agrees}},
        {"texts without surrounding blanks",
         std::string("甲工会"),
         {std::string(" 甲工会 ")},
         {Outcome::Agrees}},
        {"a slip of this pass",
         std::int64_t{46},
         {std::int64_t{64}, std::int64_t{46}},
         {Outcome::AskAgain, Outcome::StoredStands}},
        {"an error of the first keying",
         std::int64_t{64},
         {std::int64_t{46}, std::int64_t{46}},
         {Outcome::AskAgain, Outcome::NewReplaces}},
        {"three values: the latest two must agree",
         std::int64_t{46},
         {std::int64_t{64}, std::int64_t{65}, std::int64_t{64}, std::int64_t{64}},
         {Outcome::AskAgain, Outcome::AskAgain, Outcome::AskAgain, Outcome::NewReplaces}},
        {"a text keyed differently",
         std::string("王五"),
         {std::string("王伍"), std::string("王伍")},
         {Outcome::AskAgain, Outcome::NewReplaces}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        verify::ThirdKeyingRule rule(c.stored);
        std::vector<Outcome> outcomes;
        for (const auto& keyed : c.keyings) outcomes.push_back(rule.Key(keyed));
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_FALSE(rule.Pending());
    }
}

constexpr double kCode = 100000000001.0;

std::vector<std::string> HistoryRows(SQLite::Database& db) {
    SQLite::Statement query(db,
                            "SELECT Operation || '|' || ifnull(FieldName, '') || '|' || "
                            "ifnull(OldValue, '') || '|' || ifnull(NewValue, '') FROM dt_history "
                            "ORDER BY id");
    std::vector<std::string> rows;
    while (query.executeStep()) rows.push_back(query.getColumn(0).getString());
    return rows;
}

TEST(VerifiedRecord, ReplacesWhatTheThirdKeyingConfirmedAndMarksThePass) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    test::AddRecord(db, kCode, "甲工会", 1);  // z001 7, d055 3, c900 'stamp'
    EXPECT_FALSE(verify::LastVerificationOf(db, kCode));

    // z001 was keyed 7 for 17 the first time; d055 was slipped in this pass.
    verify::VerifiedRecord pass{
        kCode,
        242,
        {{"z001", std::int64_t{7}, std::int64_t{17}, Outcome::NewReplaces},
         {"d055", std::int64_t{3}, std::int64_t{8}, Outcome::StoredStands}}};
    // A value outside the field's limits leaves everything as it was, the mark included.
    verify::VerifiedRecord broken = pass;
    broken.differences.push_back(
        {"c902", std::string("甲"), std::string(61, 'x'), Outcome::NewReplaces});
    EXPECT_ANY_THROW(verify::SaveVerifiedRecord(db, broken, 1));
    EXPECT_TRUE(HistoryRows(db).empty());
    EXPECT_FALSE(verify::LastVerificationOf(db, kCode));

    verify::SaveVerifiedRecord(db, pass, 2);
    EXPECT_EQ(db.execAndGet("SELECT z001 || '/' || d055 || '/' || RecordState || '/' || c900 "
                            "FROM dt_data")
                  .getString(),
              "17/3/2/stamp");
    EXPECT_EQ(HistoryRows(db), std::vector<std::string>{"校验录入|z001|7|17"});
    const auto last = verify::LastVerificationOf(db, kCode);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->time.size(), 19u);

    const auto rates = verify::ReadVerificationRates(db);
    ASSERT_EQ(rates.size(), 2u);  // the first keying's processor, then all
    for (const auto& rate : rates) {
        EXPECT_EQ(rate.records, 1u);
        EXPECT_EQ(rate.answersKeyed, 242u);
        EXPECT_EQ(rate.differences, 2u);
        EXPECT_EQ(rate.confirmed, 1u);
        EXPECT_EQ(rate.withdrawn, 1u);
        EXPECT_NEAR(rate.DifferencesPerThousand(), 8.264, 0.001);
        EXPECT_NEAR(rate.ConfirmedPerThousand(), 4.132, 0.001);
    }
    EXPECT_EQ(rates.front().processor, "stamp");
}

TEST(VerificationSample, TheSameSeedDrawsTheSameRecordsNotYetVerified) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    for (int i = 0; i < 95; ++i) test::AddRecord(db, kCode + i, "工会");
    const auto first = verify::DrawSample(db, 10, 20181001);
    EXPECT_EQ(first.size(), 10u);  // 9.5 rounded up
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
    EXPECT_EQ(verify::DrawSample(db, 10, 20181001), first);
    EXPECT_NE(verify::DrawSample(db, 10, 20181002), first);
    EXPECT_EQ(verify::DrawSample(db, 100, 1).size(), 95u);

    {
        SQLite::Transaction transaction(db);
        verify::AppendVerificationMark(db, {first.front(), "stamp", 242, 0, 0});
        transaction.commit();
    }
    const auto later = verify::DrawSample(db, 100, 20181001);
    EXPECT_EQ(later.size(), 94u);
    EXPECT_EQ(std::count(later.begin(), later.end(), first.front()), 0);
}

TEST(VerificationUpgrade, ADatabaseOfTheEarlierLayoutGetsTheMarksTable) {
    test::DeliveredDatabaseCopy old;
    old.Db().exec("DROP TABLE dt_verification; PRAGMA user_version = 5");
    old.CloseDb();
    DatabaseConnection::Open(old.Folder());
    auto upgraded = OpenExistingSqlite(old.FilePath());
    EXPECT_EQ(SchemaVersion(*upgraded), kSchemaVersion);
    test::DeliveredDatabaseCopy fresh;
    const std::string layout =
        "SELECT group_concat(sql, ';') FROM sqlite_master WHERE tbl_name = 'dt_verification'";
    EXPECT_EQ(upgraded->execAndGet(layout).getString(), fresh.Db().execAndGet(layout).getString());
}

}  // namespace
}  // namespace tallwick
