#include "check/compiled_rules.h"

#include "check/message_parse.h"
#include "check/row_snapshot.h"
#include "store/raw_statement.h"
#include "test_support.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tallwick::check::CompiledRuleSet;
using tallwick::check::FieldHints;
using tallwick::check::LogicError;
using tallwick::check::Parse;
using tallwick::check::RecordColumns;
using tallwick::check::RecordValues;
using Rules = std::vector<int>;

// A grassroots union (c904 = 3) whose answers pass every check; the cases below change a few
// values of it.
RecordValues CleanRecord() {
    RecordValues r;
    r.c904 = 3;
    r.z001 = 10;
    r.z003 = 10;
    r.x001 = 5;
    r.x003 = 5;
    r.d005 = 10;
    r.d007 = 1;
    r.d012 = 5;
    r.d014 = 5;
    r.d024 = 5;
    r.d039 = 5;
    r.d046 = 5;
    r.d050 = 5;
    r.d023 = 40;
    r.d045 = 40;
    return r;
}

struct Value {
    const char* field;
    double value;
};
using Changes = std::vector<Value>;

void Set(RecordValues& r, std::string_view field, double value) {
#define SET_REAL(name)    \
    if (field == #name) { \
        r.name = value;   \
        return;           \
    }
#define SET_INTEGER(name)                          \
    if (field == #name) {                          \
        r.name = static_cast<std::int64_t>(value); \
        return;                                    \
    }
    TALLWICK_REAL_FIELDS(SET_REAL)
    TALLWICK_INTEGER_FIELDS(SET_INTEGER)
#undef SET_REAL
#undef SET_INTEGER
    ADD_FAILURE() << "no field " << field;
}

RecordValues CleanRecordWith(const Changes& changes) {
    RecordValues record = CleanRecord();
    for (const auto& [field, value] : changes) Set(record, field, value);
    return record;
}

std::string Describe(const Changes& changes) {
    std::ostringstream out;
    out.precision(15);
    for (const auto& [field, value] : changes) out << field << '=' << value << ' ';
    return out.str();
}

struct RuleCase {
    Changes changes;
    Rules failing;
};

void ExpectFailing(const CompiledRuleSet& rules, const std::vector<RuleCase>& cases) {
    for (const auto& [changes, failing] : cases) {
        EXPECT_EQ(rules.FailingRules(CleanRecordWith(changes)), failing) << Describe(changes);
    }
}

class CompiledRules : public ::testing::Test {
  protected:
    const CompiledRuleSet rules{FieldHints()};
};

TEST_F(CompiledRules, CleanRecordPassesEveryCheck) {
    EXPECT_EQ(rules.FailingRules(CleanRecord()), Rules{});
    RecordValues ungraded = CleanRecord();
    ungraded.c904 = 4;
    EXPECT_EQ(rules.FailingRules(ungraded), Rules{});
}

TEST_F(CompiledRules, EmptyRecordFailsTheRulesThatNeedAnswers) {
    RecordValues empty;
    EXPECT_EQ(rules.FailingRules(empty), (Rules{3, 11, 118, 119, 134}));
    empty.c904 = 4;
    EXPECT_EQ(rules.FailingRules(empty), Rules{3});
}

TEST_F(CompiledRules, EdgeCases) {
    const std::vector<RuleCase> cases{
        // At most one of the four may be 1.
        {{{"x004", 1}, {"x005", 1}}, {18}},
        {{{"x006", 1}, {"x007", 1}}, {18}},
        {{{"x007", 1}}, {}},
        {{{"x004", 2}, {"x005", 2}, {"x006", 2}, {"x007", 2}}, {}},
        // An integer count against a decimal amount.
        {{{"b017", 5}, {"b018", 5.5}}, {}},
        {{{"b017", 5}, {"b018", 5}}, {38}},
        {{{"b017", 5}, {"b018", 5.000001}}, {}},
        {{{"b018", 0.1}}, {38}},
        {{{"d023", 65}}, {}},
        {{{"d023", 66}}, {117}},
        {{{"d023", 19}}, {118}},
        {{{"d023", 20}}, {}},
        {{{"d045", 66}}, {133}},
        {{{"d045", 19}}, {134}},
        // Three positive rising values pass however large their product.
        {{{"z016", 1000}, {"z017", 2000}, {"z018", 3000}}, {}},
        {{{"z016", 99999997}, {"z017", 99999998}, {"z018", 99999999}}, {}},
        {{{"z016", 2097152}, {"z017", 2097153}, {"z018", 2097154}}, {}},
        {{{"z016", 1}, {"z017", 2}}, {10}},
        {{{"z016", -1}, {"z017", 1}, {"z018", 3}}, {10}},
        {{{"z016", -2}, {"z017", -1}, {"z018", 5}}, {}},
        {{{"z016", 2}, {"z017", 2}, {"z018", 3}}, {10}},
        {{{"z016", 1}, {"z017", 3}, {"z018", 3}}, {10}},
        // Sums of large stored values do not wrap around.
        {{{"z001", 0x1p62}, {"z003", 0x1p62}, {"z007", 0x1p62}}, {}},
    };
    ExpectFailing(rules, cases);
}

TEST_F(CompiledRules, GradeSwitchesOffTheGrassrootsRules) {
    for (int age = 0; age <= 65; ++age) {
        RecordValues record = CleanRecord();
        record.c904 = 4;
        record.d023 = age;
        EXPECT_EQ(rules.FailingRules(record), Rules{}) << "d023=" << age;
    }
    const std::vector<RuleCase> cases{
        {{{"c904", 4}, {"x001", 0}, {"x003", 0}}, {}},
        {{{"x001", 0}, {"x003", 0}}, {11, 127, 128, 129}},
        {{{"c904", 4}, {"d008", 1}, {"d009", 1}}, {}},
        {{{"d008", 1}, {"d009", 1}}, {111}},
        {{{"c904", 4}, {"d032", 1}}, {}},
        {{{"d032", 1}}, {119}},
        {{{"c904", 4}, {"d050", 4}}, {}},
        {{{"d050", 4}}, {129}},
    };
    ExpectFailing(rules, cases);
}

TEST_F(CompiledRules, BoundariesAcrossThePages) {
    const std::vector<RuleCase> cases{
        // Page 1
        {{{"z002", 10}}, {}},
        {{{"z002", 11}}, {1}},
        {{{"z004", 1}}, {2}},
        {{{"z009", 1}, {"z011", 10}}, {}},
        {{{"z009", 1}, {"z011", 10}, {"z012", 1}}, {6}},
        {{{"z009", 1}, {"z011", 1}, {"z013", 1}, {"z014", 2}}, {}},
        {{{"z009", 1}, {"z011", 1}, {"z013", 1}, {"z014", 1}}, {8}},
        {{{"z013", 1}, {"z014", 2}}, {8}},
        {{{"z009", 1}, {"z011", 1}, {"z010", 3}}, {}},
        {{{"z009", 1}, {"z011", 1}, {"z010", 4}}, {9}},
        {{{"z010", 1}}, {9}},
        // Page 2
        {{{"x003", 0}}, {13}},
        {{{"x003", 6}}, {13}},
        {{{"c904", 4}, {"x001", 10}}, {}},
        {{{"c904", 4}, {"x001", 11}}, {23}},
        // Page 3
        {{{"b001", 1}}, {25}},
        {{{"b001", 1}, {"b002", 1}}, {}},
        {{{"b030", 1}}, {31}},
        {{{"b030", 1}, {"b031", 1}}, {}},
        {{{"b031", 1}}, {36}},
        {{{"b019", 3}, {"b020", 3.0001}}, {}},
        {{{"b019", 3}, {"b020", 3}}, {39}},
        {{{"b020", 0.5}}, {39}},
        {{{"b022", 1}}, {40}},
        {{{"b021", 1}, {"b022", 2}}, {}},
        {{{"b021", 2}, {"b022", 1}, {"b023", 1}}, {41}},
        {{{"b008", 1}, {"b009", 1}, {"b011", 1}, {"b013", 1}, {"b027", 1}}, {}},
        {{{"b008", 1}, {"b009", 1}, {"b011", 1}, {"b013", 1}}, {44}},
        {{{"b030", 1}, {"b031", 2}, {"b032", 2}, {"b033", 2.5}}, {}},
        {{{"b030", 1}, {"b031", 2}, {"b032", 2}, {"b033", 2}}, {45}},
        // Page 4
        {{{"b043", 1}, {"b044", 1}, {"b045", 1}}, {}},
        {{{"b043", 1}, {"b044", 1}}, {47}},
        {{{"b046", 1}}, {47}},
        {{{"b043", 1}, {"b045", 1}, {"b044", 5}}, {48}},
        {{{"b037", 1}, {"b038", 2}, {"b039", 3}}, {}},
        {{{"b037", 1}, {"b039", 3}}, {50}},
        {{{"b037", 2}, {"b038", 2}, {"b039", 3}}, {52}},
        {{{"b042", 1}}, {51}},
        {{{"b040", 1}, {"b041", 2}, {"b042", 2}}, {53}},
        {{{"b040", 99999997}, {"b041", 99999998}, {"b042", 99999999}}, {}},
        // Page 5
        {{{"f008", 1}}, {56}},
        {{{"f008", 1}, {"f009", 1}}, {}},
        {{{"f010", 1}}, {57}},
        {{{"f011", 1}}, {55}},
        {{{"f017", 1}, {"f019", 2}, {"f020", 2}}, {}},
        {{{"f017", 1}, {"f019", 2}, {"f020", 1}}, {63}},
        {{{"f020", 1}}, {63}},
        // Page 6
        {{{"l001", 1}}, {70}},
        {{{"l001", 1}, {"l002", 1}}, {}},
        {{{"l002", 1}}, {65}},
        {{{"l003", 1}}, {66}},
        {{{"l006", 1}}, {67}},
        // Page 7
        {{{"j020", 1}, {"j021", 1}, {"j022", 1}, {"j023", 1}, {"j024", 1.5}}, {}},
        {{{"j020", 1}, {"j021", 1}, {"j022", 1}, {"j023", 1}, {"j024", 1}}, {72}},
        {{{"j024", 0.5}}, {72}},
        {{{"j015", 1}, {"j016", 2}, {"j018", 2}}, {}},
        {{{"j015", 1}, {"j016", 2}, {"j018", 3}}, {79}},
        {{{"j015", 1}, {"j016", 1}}, {79}},
        {{{"j018", 1}}, {79}},
        {{{"j021", 1}}, {80}},
        // Page 8
        {{{"s006", 1}}, {85}},
        {{{"s019", 1}}, {84}},
        {{{"s022", 1}}, {84}},
        {{{"s005", 1}, {"s006", 1}, {"s019", 1}}, {}},
        {{{"s005", 1}, {"s008", 1}, {"s009", 9}}, {}},
        {{{"s005", 1}, {"s008", 1}, {"s009", 10}}, {87}},
        {{{"s005", 1}, {"s008", 1}}, {87}},
        {{{"s011", 1}}, {88}},
        {{{"s013", 1}, {"s014", 2}}, {}},
        {{{"s013", 1}, {"s014", 1}}, {83}},
        {{{"s013", 1}}, {91}},
        // Page 9
        {{{"w008", 1}}, {92}},
        {{{"w005", 1}}, {96}},
        {{{"w004", 1}, {"w005", 2}}, {}},
        {{{"w004", 2}, {"w005", 2}}, {97}},
        // Page 10
        {{{"n001", 6}, {"n002", 4}}, {}},
        {{{"n001", 6}, {"n002", 5}}, {99}},
        {{{"g001", 1}, {"g002", 1}}, {101}},
        {{{"g004", 1}}, {102}},
        // Pages 11 and 12
        {{{"d008", 9}}, {}},
        {{{"d008", 10}}, {107}},
        {{{"d015", 1}}, {113}},
        {{{"d025", 1}}, {115}},
        {{{"d030", 1}}, {116}},
        {{{"d040", 1}}, {122, 127}},
        {{{"d054", 1}}, {132}},
        {{{"d033", 5}}, {}},
        {{{"d033", 6}}, {120, 135}},
        // Page 13
        {{{"y003", 1}, {"y004", 0.5}, {"y005", 0.5}}, {}},
        {{{"y003", 1}, {"y004", 0.5}, {"y005", 0.6}}, {136}},
        {{{"y003", 1}, {"y004", -0.5}}, {136, 138}},
        {{{"y003", -1}, {"y004", 1}}, {}},
        {{{"y004", 0.001}}, {138}},
        {{{"y008", 1}, {"y009", 1}, {"y010", 0.5}}, {}},
        {{{"y008", 1}, {"y009", 1}, {"y010", 0.5}, {"y012", 2}}, {139}},
        {{{"y011", 1}}, {139}},
        {{{"y010", -0.5}}, {139}},
    };
    ExpectFailing(rules, cases);
}

TEST_F(CompiledRules, PairedChecksReportTheSameRule) {
    struct Pair {
        int first;
        int second;
        Changes failFirst;
        Changes failSecond;
    };
    const Pair pairs[] = {
        {6, 7, {{"z009", 1}}, {{"z011", 1}}},
        {40, 41, {{"b023", 1}}, {{"b021", 1}}},
        {56, 57, {{"f008", 1}}, {{"f009", 1}}},
        {96, 97, {{"w005", 3}}, {{"w004", 3}, {"w005", 3}}},
    };
    const FieldHints hints({{"z009", "建会"}, {"z011", "会员数"}});
    const CompiledRuleSet named(hints);
    for (const auto& [first, second, failFirst, failSecond] : pairs) {
        std::vector<LogicError> reported;
        for (const Changes& changes : {failFirst, failSecond}) {
            EXPECT_FALSE(named.CheckRecord(CleanRecordWith(changes), [&](const LogicError& error) {
                reported.push_back(error);
            }));
        }
        EXPECT_EQ(named.FailingRules(CleanRecordWith(failFirst)), Rules{first});
        EXPECT_EQ(named.FailingRules(CleanRecordWith(failSecond)), Rules{second});
        ASSERT_EQ(reported.size(), 2u) << "rules " << first << " and " << second;
        EXPECT_EQ(reported[0].rule, reported[1].rule);
        EXPECT_EQ(reported[0].focus, reported[1].focus);
        const auto checks = CompiledRuleSet::Checks();
        EXPECT_EQ(reported[0].explanation, Parse(checks[first - 1].messageTemplate, hints));
        EXPECT_EQ(reported[1].explanation, Parse(checks[second - 1].messageTemplate, hints));
    }
}

TEST(CompiledRuleSetReport, HandsOnEveryFailureInTableOrder) {
    const FieldHints hints({{"z001", "会员"}, {"z007", "其他"}, {"x001", "专职"}});
    const CompiledRuleSet rules(hints);
    std::vector<LogicError> reported;
    const auto collect = [&](const LogicError& error) { reported.push_back(error); };

    EXPECT_TRUE(rules.CheckRecord(CleanRecord(), collect));
    EXPECT_TRUE(reported.empty());

    EXPECT_FALSE(rules.CheckRecord(RecordValues{}, collect));
    ASSERT_EQ(reported.size(), 5u);
    EXPECT_EQ(reported[0], (LogicError{"z001+z007>0", "[会员]、[其他]的和必须大于0", 1, "z001"}));
    EXPECT_EQ(reported[1], (LogicError{"(c904<4 and x001>0)or c904 >3",
                                       "如果c904<4，那么[专职]必须大于0", 2, "x001"}));
    EXPECT_EQ(reported[2].rule, "(c904<=3 and d023>=20) or (c904>3)");
    EXPECT_EQ(reported[3].page, 12);
    EXPECT_EQ(reported[4].focus, "d045");
}

// The compiled checks are the rules of the rule table; both roads must report the same words.
TEST(CompiledRuleSetTable, MatchesTheDeliveredRuleTable) {
    struct Row {
        std::string rule, messageTemplate, focus;
        int page;
    };
    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Statement query(copy.Db(),
                            "SELECT rule, explain, focus, page_id FROM dt_logic ORDER BY id");
    std::vector<Row> rows;
    while (query.executeStep()) {
        rows.push_back({query.getColumn(0).getString(), query.getColumn(1).getString(),
                        query.getColumn(2).getString(), query.getColumn(3).getInt()});
    }
    const auto checks = CompiledRuleSet::Checks();
    ASSERT_EQ(checks.size(), static_cast<std::size_t>(CompiledRuleSet::kRuleCount));
    ASSERT_EQ(rows.size(), checks.size());
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const auto& check = checks[i];
        SCOPED_TRACE("rule " + std::to_string(check.number));
        EXPECT_EQ(check.number, static_cast<int>(i) + 1);
        EXPECT_EQ(check.rule, rows[i].rule);
        EXPECT_EQ(check.messageTemplate, rows[i].messageTemplate);
        EXPECT_EQ(check.focus, rows[i].focus);
        EXPECT_EQ(CompiledRuleSet::PageOf(check.number), rows[i].page);
    }
}

// A misspelt field name in a template would reach the user as the bare name.
TEST(CompiledRuleSetTable, EveryNameInTheTemplatesHasAHint) {
    tallwick::test::DeliveredDatabaseCopy copy;
    const FieldHints hints = FieldHints::Load(copy.Db());
    const std::regex fieldName("[a-z][0-9]{3}");
    for (const auto& check : CompiledRuleSet::Checks()) {
        const std::string messageTemplate(check.messageTemplate);
        for (std::sregex_iterator it(messageTemplate.begin(), messageTemplate.end(), fieldName),
             end;
             it != end; ++it) {
            EXPECT_TRUE(hints.Find(it->str()).has_value())
                << it->str() << " in rule " << check.number;
        }
        EXPECT_TRUE(hints.Find(check.focus).has_value()) << "focus of rule " << check.number;
    }
}

constexpr const char* kRunQuery =
    "select dt_data.*,dt_data1.y001,dt_data1.y002,dt_data1.y003,dt_data1.y004,dt_data1.y005,"
    "dt_data1.y006,dt_data1.y007,dt_data1.y008,dt_data1.y009,dt_data1.y010,dt_data1.y011,"
    "dt_data1.y012 from dt_data inner join dt_data1 on dt_data.c901 = dt_data1.c901";

TEST(CompiledRecordColumns, ReadsTheRowOfTheRunQuery) {
    tallwick::test::DeliveredDatabaseCopy copy;
    auto& db = copy.Db();
    db.exec("DELETE FROM dt_data; DELETE FROM dt_data1;");
    db.exec(
        "INSERT INTO dt_data (c901, c902, c904, z001, z002, b018, d055, j024) "
        "VALUES (440100000001, '甲工会', 3, 12, NULL, 5.5, 3000000000, NULL)");
    db.exec(
        "INSERT INTO dt_data1 (c901, y003, y004, y010, y012) VALUES (440100000001, NULL, 1.25, "
        "-0.5, 7)");

    SQLite::Statement query(db, kRunQuery);
    const RecordColumns columns(query);
    ASSERT_TRUE(query.executeStep());
    const RecordValues r = columns.Read(query);
    EXPECT_EQ(r.c901, 440100000001.0);
    EXPECT_EQ(r.c904, 3);
    EXPECT_EQ(r.z001, 12);
    EXPECT_EQ(r.z002, 0);  // NULL
    EXPECT_EQ(r.z003, 0);  // the column default
    EXPECT_EQ(r.b018, 5.5);
    EXPECT_EQ(r.d055, 3000000000);
    EXPECT_EQ(r.j024, 0.0);  // NULL
    EXPECT_EQ(r.y003, 0);    // NULL
    EXPECT_EQ(r.y004, 1.25);
    EXPECT_EQ(r.y010, -0.5);
    EXPECT_EQ(r.y012, 7);
    EXPECT_FALSE(query.executeStep());
    EXPECT_THROW(columns.Read(query), SQLite::Exception);
}

TEST(CompiledRecordColumns, RefusesARecordSetWithoutAColumn) {
    tallwick::test::DeliveredDatabaseCopy copy;
    std::string withoutY012 = kRunQuery;
    withoutY012.replace(withoutY012.find(",dt_data1.y012"), 14, "");
    SQLite::Statement query(copy.Db(), withoutY012);
    EXPECT_THROW(RecordColumns{query}, SQLite::Exception);
}

}  // namespace

// The check run reads each row once into a snapshot; every field must come out as reading it
// through the wrapper gives it, whatever each value is stored as.
TEST(CompiledRecordColumns, ASnapshotReadsAsTheStatementDoes) {
    tallwick::test::DeliveredDatabaseCopy copy{tallwick::test::WithoutLimitGuards{}};
    auto& db = copy.Db();
    db.exec("DELETE FROM dt_data; DELETE FROM dt_data1;");
    db.exec(
        "INSERT INTO dt_data (c901, c902, c904, z001, z002, z003, b016, b018, d055, j024) VALUES "
        "(440100000001, '甲', 3, 12, NULL, 4.75, 7, 5.5, 3000000000, '2.5x'),"
        "(440100000002, '乙', '4', 'abc', -3, 1e300, NULL, -0.25, 9007199254740993, 6)");
    db.exec(
        "INSERT INTO dt_data1 (c901, y003, y004, y010, y012) VALUES "
        "(440100000001, NULL, 1.25, -0.5, 7), (440100000002, '8', 2, NULL, 1.5)");

    SQLite::Statement query(db, kRunQuery + std::string(" ORDER BY dt_data.c901"));
    tallwick::RawStatement raw(db, kRunQuery + std::string(" ORDER BY dt_data.c901"));
    const RecordColumns columns(query);
    tallwick::check::RowSnapshot snapshot;
    int rows = 0;
    while (query.executeStep()) {
        ASSERT_TRUE(raw.Step());
        snapshot.Load(raw.Handle());
        const RecordValues wrapped = columns.Read(query);
        const RecordValues loaded = columns.Read(snapshot);
#define TALLWICK_EXPECT_SAME(name) EXPECT_EQ(loaded.name, wrapped.name) << #name << " row " << rows;
        TALLWICK_REAL_FIELDS(TALLWICK_EXPECT_SAME)
        TALLWICK_INTEGER_FIELDS(TALLWICK_EXPECT_SAME)
#undef TALLWICK_EXPECT_SAME
        ++rows;
    }
    EXPECT_EQ(rows, 2);
}
