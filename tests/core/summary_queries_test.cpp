// The aggregate columns of the summary sheets, evaluated by SQLite on small record sets.
#include "summary/summary_queries.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <map>

namespace tallwick::summary {
namespace {

class SummaryQueriesTest : public ::testing::Test {
  protected:
    void Add(double code, const std::string& columns, const std::string& values) {
        db.exec("INSERT INTO dt_data (c901" + columns + ") VALUES (" + std::to_string(code) +
                values + ")");
        db.exec("INSERT INTO dt_data1 (c901) VALUES (" + std::to_string(code) + ")");
    }

    std::map<std::string, double> Totals(int sheet) {
        SQLite::Statement query(db, "select " + SheetNumber(sheet).selectList);
        std::map<std::string, double> values;
        if (query.executeStep()) {
            for (int i = 0; i < query.getColumnCount(); ++i)
                values[query.getColumnName(i)] = query.getColumn(i).getDouble();
        }
        return values;
    }

    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};  // codes at or below zero
    SQLite::Database& db = copy.Db();
};

TEST_F(SummaryQueriesTest, EveryFieldOfTheSurveyIsSummedOnceInTableOrder) {
    std::vector<std::string> fields;
    for (const SummarySheet& sheet : SummarySheets()) {
        for (const std::string& alias : sheet.aliases) {
            if (alias == "cnt") continue;
            const std::string field = alias.substr(4, 4);
            if (fields.empty() || fields.back() != field) fields.push_back(field);
        }
    }
    ASSERT_EQ(fields.size(), 242u);
    EXPECT_EQ(fields.front(), "z001");
    EXPECT_EQ(fields.back(), "y012");
    EXPECT_EQ(SummarySheets().size(), 26u);
    EXPECT_EQ(SheetNumber(3).title, "表一  工会组织建设及民主参与状况(2)");
    // Every list is valid SQL against the delivered database.
    for (const SummarySheet& sheet : SummarySheets())
        EXPECT_NO_THROW(Totals(sheet.number)) << sheet.number;
}

TEST_F(SummaryQueriesTest, CodedAnswersAreCountedPerOption) {
    Add(100000000001, ", z009, z010, b044", ", 1, 1, 4");
    Add(100000000002, ", z009, z010, b044", ", 2, 2, 1");
    Add(100000000003, ", z009, z010, b044", ", 0, 2, 0");
    Add(100000000004, ", z009, z010, b044", ", 0, 3, 3");
    auto sheet3 = Totals(3);
    EXPECT_EQ(sheet3["sum_z009_1"], 1);
    EXPECT_EQ(sheet3["sum_z009_2"], 3);  // 2 and the two unanswered 0s
    EXPECT_EQ(sheet3["sum_z010_1"], 1);
    EXPECT_EQ(sheet3["sum_z010_2"], 2);
    EXPECT_EQ(sheet3["sum_z010_3"], 1);
    auto sheet10 = Totals(10);
    EXPECT_EQ(sheet10["sum_b044_4"], 1);
    EXPECT_EQ(sheet10["sum_b044_1"], 1);
    EXPECT_EQ(sheet10["sum_b044_2"], 0);
    EXPECT_EQ(sheet10["sum_b044_3"], 1);
}

TEST_F(SummaryQueriesTest, WeightedAveragesIgnoreUnansweredRecordsAndCodesAtOrBelowZero) {
    // The average age of officials (sheet 24) and of leaders (sheet 26), each weighted by its own
    // head count.
    const struct {
        int sheet;
        std::string age, weight;
        const char* whole;
    } twins[] = {
        {24, "d023", "d012", kWholeD023Average},
        {26, "d045", "x001", kWholeD045Average},
    };
    for (const auto& twin : twins) {
        SCOPED_TRACE(twin.age);
        db.exec("DELETE FROM dt_data; DELETE FROM dt_data1");
        const std::string columns = ", " + twin.age + ", " + twin.weight + ", z001";
        Add(100000000001, columns, ", 40, 10, 1");
        Add(100000000002, columns, ", 50, 30, 2");
        Add(100000000003, columns, ", 0, 100, 4");
        Add(0, columns, ", 99, 1000, 8");
        Add(-5, ", z001", ", 16");
        EXPECT_DOUBLE_EQ(Totals(twin.sheet)["sum_" + twin.age], 47.5);
        EXPECT_EQ(Totals(2)["sum_z001"], 7);
        EXPECT_EQ(Totals(2)["cnt"], 3);
        // The whole-database figure has no filter on the code.
        EXPECT_NEAR(db.execAndGet(twin.whole).getDouble(), (400 + 1500 + 99000) / 1040.0, 1e-9);
    }
    db.exec("DELETE FROM dt_data; DELETE FROM dt_data1");
    EXPECT_EQ(db.execAndGet(kWholeD023Average).getDouble(), 0);  // no answers: 0, not NULL
    EXPECT_EQ(db.execAndGet(kWholeD045Average).getDouble(), 0);
}

TEST_F(SummaryQueriesTest, AnAnswerOutsideItsOptionsGivesTheFormulasFigure) {
    // 8 in a three-way field: each term as real arithmetic defines it, not as integer division.
    Add(100000000001, ", z010, z009", ", 8, -1");
    auto sheet3 = Totals(3);
    EXPECT_DOUBLE_EQ(sheet3["sum_z010_1"], -8);  // int(-3/4) * 8
    EXPECT_DOUBLE_EQ(sheet3["sum_z010_2"], 7.0 * -5 * -4 * 8 / 4);
    EXPECT_DOUBLE_EQ(sheet3["sum_z009_2"], -1 + 3.0 * 2 / 2);  // int(-0.5) + (3*2)/2
}

}  // namespace
}  // namespace tallwick::summary
