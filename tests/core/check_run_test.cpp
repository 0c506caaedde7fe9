// Check runs over stored records: scopes, states, the result file, stopping and pausing.
#include "check/check_run.h"
#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "common/user_error.h"
#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

namespace tallwick::check {
namespace {

TEST(CheckCondition, TextsOfEveryScope) {
    const std::pair<CheckScope, std::string> cases[] = {
        {CheckScope::All(), " where c907<=2"},
        {CheckScope::One(100000000001.0), " where dt_data.c901=100000000001 and c907<=2"},
        {CheckScope::Selection({300000000003.0, 100000000001.0, 200000000002.0}),
         " where dt_data.c901  in (300000000003,100000000001,200000000002) and c907<=2"},
        {CheckScope::Range(100000000000.0, 199999999999.0),
         " where c907<=2 and dt_data.c901>=100000000000.00 and dt_data.c901<=199999999999.00"},
    };
    for (const auto& [scope, expected] : cases) EXPECT_EQ(CheckCondition(scope), expected);
}

TEST(ParseRangeEntry, EmptyOrZeroIsRefusedAndAReversedRangeNarrowsToTheLowerBound) {
    for (const auto& [low, high] :
         std::vector<std::pair<std::string, std::string>>{{"", "200000000000"},
                                                          {"100000000000", ""},
                                                          {"0", "5"},
                                                          {"", ""},
                                                          {"nan", "200000000000"},
                                                          {"100000000000", "nan"},
                                                          {"inf", "inf"},
                                                          {"-inf", "100000000000"}}) {
        try {
            ParseRangeEntry(low, high);
            ADD_FAILURE() << low << " / " << high;
        } catch (const UserError& error) {
            EXPECT_STREQ(error.what(), "请输入逻辑检查的范围");
        }
    }
    const RangeEntry reversed = ParseRangeEntry("200000000000", "100000000000");
    EXPECT_EQ(reversed.scope.low, 200000000000.0);
    EXPECT_EQ(reversed.scope.high, 200000000000.0);
    EXPECT_EQ(reversed.highText, "200000000000");
}

std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 118;
    t.tm_mday = 1;
    return t;
}

class CheckRunTest : public ::testing::Test {
  protected:
    // A record that breaks no rule: a union above county level with one full-time official.
    void AddRecord(double code, const std::string& name, int recordState,
                   const std::string& extraColumns = "", const std::string& extraValues = "",
                   int c907 = 1, bool withSecondRow = true) {
        db.exec("INSERT INTO dt_data (c901, c902, c904, c907, RecordState, z001, z003" +
                extraColumns + ") VALUES (" + std::to_string(code) + ", '" + name + "', 4, " +
                std::to_string(c907) + ", " + std::to_string(recordState) + ", 1, 1" + extraValues +
                ")");
        if (withSecondRow)
            db.exec("INSERT INTO dt_data1 (c901) VALUES (" + std::to_string(code) + ")");
    }

    // Records 100000000001 onwards, every `faultyEvery`th breaking rule 1 (named 错, else 对).
    void AddNumberedRecords(int count, int faultyEvery) {
        SQLite::Transaction transaction(db);
        for (int i = 1; i <= count; ++i) {
            if (i % faultyEvery == 0)
                AddRecord(100000000000.0 + i, "错", 0, ", z002", ", 9");
            else
                AddRecord(100000000000.0 + i, "对", 0);
        }
        transaction.commit();
    }

    int StateOf(double code) {
        SQLite::Statement query(db, "SELECT RecordState FROM dt_data WHERE c901 = ?");
        query.bind(1, code);
        return query.executeStep() ? query.getColumn(0).getInt() : -1;
    }

    std::string ReportText() {
        std::ifstream in(report.Path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    CheckRunResult Run(const CheckScope& scope, const CheckProgress& progress = {}) {
        return CheckDataset(db, scope, rules, report, progress);
    }

    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    test::TempFolder temp;
    CompiledRuleSet rules{FieldHints::Load(db)};
    CheckReport report{CheckReportPath(temp.Path(), "测试"), FixedTime};
};

TEST_F(CheckRunTest, MarksCleanAndFaultyRecordsAndWritesTotals) {
    AddRecord(100000000001.0, "甲", 0);
    AddRecord(100000000002.0, "乙", 1, ", z002, z007, z008", ", 5, 1, 3");  // rules 1 and 4
    AddRecord(100000000003.0, "丙", 2);
    AddRecord(100000000004.0, "不报", 0, ", z002", ", 9", 3);         // not reporting: skipped
    AddRecord(100000000005.0, "缺行", 0, ", z002", ", 9", 1, false);  // no second row: skipped

    const CheckRunResult result = Run(CheckScope::All());
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.recordsChecked, 3u);
    EXPECT_EQ(result.unitsWithErrors, 1u);
    EXPECT_EQ(result.errorItems, 2u);
    EXPECT_TRUE(result.totalsWritten);
    EXPECT_EQ(StateOf(100000000001.0), 1);
    EXPECT_EQ(StateOf(100000000002.0), 2);
    EXPECT_EQ(StateOf(100000000003.0), 1);
    EXPECT_EQ(StateOf(100000000004.0), 0);
    EXPECT_EQ(StateOf(100000000005.0), 0);

    const std::string text = ReportText();
    EXPECT_NE(text.find("100000000002  乙的数据有错误\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  判断规则：z002<=z001\r\n"), std::string::npos);
    EXPECT_NE(text.find("  判断规则：z008<=z007\r\n"), std::string::npos);
    EXPECT_NE(text.find("共有1个单位的数据存在逻辑错误！\r\n共有2个逻辑错误项！\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("甲"), std::string::npos);
}

// Answers the entry window would not take (a yes/no answer of 82) are errors of their own kind,
// after the rule errors of the record; a record with no other error is faulty for them alone.
TEST_F(CheckRunTest, AnswersOutsideTheirLimitsAreReportedAfterTheRuleErrors) {
    AddRecord(100000000001.0, "甲", 0, ", z002, z009", ", 9, 82");
    AddRecord(100000000002.0, "乙", 1, ", z009", ", 82");
    AddRecord(100000000003.0, "丙", 0, ", z009", ", 2");
    const CheckRunResult result = Run(CheckScope::All());
    EXPECT_EQ(result.unitsWithErrors, 2u);
    EXPECT_EQ(StateOf(100000000001.0), 2);
    EXPECT_EQ(StateOf(100000000002.0), 2);
    EXPECT_EQ(StateOf(100000000003.0), 1);
    const std::string limit =
        "  判断规则：取值范围：z009的取值应为0、1或2\r\n  规则说明：是否建立女职工委员会的值为82，"
        "超出了规定的取值范围\r\n";
    const std::string text = ReportText();
    const auto first = text.find("100000000001  甲的数据有错误");
    const auto rule = text.find("  判断规则：z002<=z001", first);
    const auto firstLimit = text.find(limit, first);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_LT(rule, firstLimit) << text;
    EXPECT_NE(text.find(limit, text.find("100000000002  乙的数据有错误")), std::string::npos)
        << text;
}

TEST_F(CheckRunTest, WithoutMarkCleanOnlyFaultsAreRecorded) {
    AddRecord(100000000001.0, "甲", 0);
    CheckDataset(db, CheckScope::All(), rules, report, {}, false);
    EXPECT_EQ(StateOf(100000000001.0), 0);
}

TEST_F(CheckRunTest, NothingToCheckLeavesTheHeaderAndNoTotals) {
    AddRecord(100000000001.0, "甲", 0, ", z002", ", 9", 3);
    const CheckRunResult result = Run(CheckScope::All());
    EXPECT_EQ(result.recordsChecked, 0u);
    EXPECT_FALSE(result.totalsWritten);
    const std::string text = ReportText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
}

TEST_F(CheckRunTest, ScopesSelectTheirRecords) {
    for (int i = 1; i <= 5; ++i) AddRecord(100000000000.0 + i, "单位" + std::to_string(i), 0);
    EXPECT_EQ(Run(CheckScope::One(100000000003.0)).recordsChecked, 1u);
    EXPECT_EQ(Run(CheckScope::Selection({100000000005.0, 100000000001.0})).recordsChecked, 2u);
    EXPECT_EQ(Run(ParseRangeEntry("100000000002", "100000000004").scope).recordsChecked, 3u);
    EXPECT_EQ(Run(ParseRangeEntry("100000000002", "1").scope).recordsChecked, 1u);
    EXPECT_EQ(StateOf(100000000001.0), 1);
    EXPECT_EQ(StateOf(100000000002.0), 1);
}

TEST_F(CheckRunTest, AStoppedRunKeepsTheStatesItWroteAndWritesNoTotals) {
    AddRecord(100000000001.0, "甲", 0, ", z002", ", 9");
    AddRecord(100000000002.0, "乙", 0, ", z002", ", 9");
    AddRecord(100000000003.0, "丙", 0, ", z002", ", 9");
    const CheckRunResult result = Run(CheckScope::All(), [](std::uint64_t done, std::uint64_t) {
        return done == 2 ? RunControl::Stop : RunControl::Continue;
    });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.recordsChecked, 2u);
    EXPECT_EQ(ReportText().find("共有"), std::string::npos);
    EXPECT_TRUE(ReportText().ends_with(std::string(kReportInterrupted) + "\r\n"));

    // Committed: another connection sees the two states.
    auto other = OpenExistingSqlite(copy.FilePath());
    EXPECT_EQ(other->execAndGet("SELECT count(*) FROM dt_data WHERE RecordState = 2").getInt(), 2);
}

// States are committed in batches of 2,000 records: a run must go on, and stop, past a batch.
TEST_F(CheckRunTest, RunsOfMoreThanOneBatchFinishAndKeepTheirStates) {
    constexpr int kRecords = 4100;  // two full batches and part of a third
    AddNumberedRecords(kRecords, 1000);
    auto other = OpenExistingSqlite(copy.FilePath());
    const auto count = [&](int state) {
        return other
            ->execAndGet("SELECT count(*) FROM dt_data WHERE RecordState = " +
                         std::to_string(state))
            .getInt();
    };

    const CheckRunResult stopped = Run(CheckScope::All(), [](std::uint64_t done, std::uint64_t) {
        return done == 2500 ? RunControl::Stop : RunControl::Continue;
    });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.recordsChecked, 2500u);
    EXPECT_EQ(count(1), 2498);
    EXPECT_EQ(count(2), 2);

    const CheckRunResult finished = Run(CheckScope::All());
    EXPECT_FALSE(finished.stopped);
    EXPECT_EQ(finished.recordsChecked, static_cast<std::uint64_t>(kRecords));
    EXPECT_EQ(finished.unitsWithErrors, 4u);
    EXPECT_TRUE(finished.totalsWritten);
    EXPECT_EQ(count(1), kRecords - 4);
    EXPECT_EQ(count(2), 4);
    EXPECT_NE(ReportText().find("共有4个单位的数据存在逻辑错误！\r\n"), std::string::npos);
}

// A run whose result file cannot be written has no result to show for its states: every record
// keeps the state it had, those of batches already committed too.
TEST_F(CheckRunTest, ARunThatCannotWriteItsResultLeavesEveryStateAsItWas) {
    AddNumberedRecords(2100, 1000);
    db.exec("UPDATE dt_data SET RecordState = 1 WHERE c901 = 100000000001");
    std::filesystem::create_directories(report.Path() / "in the way");
    EXPECT_THROW(Run(CheckScope::All()), UserError);
    EXPECT_EQ(db.execAndGet("SELECT group_concat(RecordState || ':' || n) FROM (SELECT "
                            "RecordState, count(*) n FROM dt_data GROUP BY RecordState)")
                  .getString(),
              "0:2099,1:1");
}

// Notes made on other threads, finishing in another order than asked and more of them than the
// run holds back at once: each follows its own record's errors, none is lost at the end, and a
// record without a note gets none.
TEST_F(CheckRunTest, LateNotesFollowTheirOwnRecords) {
    constexpr int kRecords = 600;  // 300 with errors: more than the run keeps waiting
    AddNumberedRecords(kRecords, 2);
    const UnitNotes notes = [](const RecordValues& record) -> UnitNote {
        const auto i = static_cast<int>(record.c901 - 100000000000.0);
        return std::async(std::launch::async, [i]() -> std::optional<std::string> {
            // The first notes come last, when the run has long reached its bound.
            std::this_thread::sleep_for(std::chrono::milliseconds(i <= 20 ? 400 : i % 7));
            if (i % 3 == 0) return std::nullopt;
            return "说明" + std::to_string(i) + "。";
        });
    };
    const CheckRunResult result =
        CheckDataset(db, CheckScope::All(), rules, report, {}, true, notes);
    EXPECT_EQ(result.unitsWithErrors, static_cast<std::uint64_t>(kRecords / 2));

    const std::string text = ReportText();
    std::size_t searchFrom = 0;
    for (int i = 2; i <= kRecords; i += 2) {
        SCOPED_TRACE(i);
        const std::size_t unit =
            text.find(std::to_string(100000000000LL + i) + "  错的数据有错误\r\n", searchFrom);
        ASSERT_NE(unit, std::string::npos);
        const std::size_t next = text.find("的数据有错误", unit + 30);
        const std::size_t note = text.find("  说明", unit);
        if (i % 3 == 0) {
            EXPECT_TRUE(note == std::string::npos || note > next);
        } else {
            ASSERT_LT(note, next);
            EXPECT_EQ(text.substr(note, text.find("\r\n", note) - note),
                      "  说明" + std::to_string(i) + "。");
            EXPECT_GT(note, text.find("判断规则：z002<=z001", unit));
        }
        searchFrom = unit + 1;
    }
}

TEST_F(CheckRunTest, APausedRunDoesNotAdvanceUntilResumed) {
    AddRecord(100000000001.0, "甲", 0);
    AddRecord(100000000002.0, "乙", 0);
    std::vector<std::uint64_t> seen;
    int pauses = 0;
    const CheckRunResult result =
        Run(CheckScope::All(), [&](std::uint64_t done, std::uint64_t total) {
            seen.push_back(done);
            EXPECT_EQ(total, 2u);
            if (done == 1 && pauses < 3) {
                ++pauses;
                return RunControl::Pause;
            }
            return RunControl::Continue;
        });
    EXPECT_EQ(result.recordsChecked, 2u);
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{0, 1, 1, 1, 1, 2}));
}

}  // namespace
}  // namespace tallwick::check
