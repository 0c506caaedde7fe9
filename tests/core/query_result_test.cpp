// The result list's three queries and the locate by name, on the delivered database.
#include "common/user_error.h"
#include "query/code_search.h"
#include "query/result_queries.h"
#include "store/list_table.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace {

using tallwick::query::BuildResultStatements;
using tallwick::query::ResultStatements;

class QueryResultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // code, name, z001, y005
        AddRecord(110000000001, "甲工会", 5, 0);
        AddRecord(110000000002, "O'Brien 工会", 20, 7.5);
        AddRecord(110000000003, "", 40, 7.5);
        AddRecord(110000000004, "乙工会", 60, 1);
    }

    void AddRecord(double code, const std::string& name, int z001, double y005) {
        SQLite::Statement data(
            db, "INSERT INTO dt_data (c901, c902, c903, z001) VALUES (?,?,110000,?)");
        data.bind(1, code);
        if (!name.empty()) data.bind(2, name);
        data.bind(3, z001);
        data.exec();
        SQLite::Statement data1(db, "INSERT INTO dt_data1 (c901, y005) VALUES (?, ?)");
        data1.bind(1, code);
        data1.bind(2, y005);
        data1.exec();
    }

    std::vector<long long> Codes(const std::string& sql) {
        SQLite::Statement query(db, sql);
        std::vector<long long> codes;
        while (query.executeStep())
            codes.push_back(static_cast<long long>(query.getColumn("c901").getDouble()));
        return codes;
    }

    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(QueryResultTest, StatementTextsFollowTheY0Rule) {
    const ResultStatements data = BuildResultStatements("where z001>=10 and z001<50");
    EXPECT_EQ(data.report,
              "SELECT * from view_data_all where z001>=10 and z001<50 order by c901 asc");
    EXPECT_EQ(data.detail, "SELECT * from dt_data where z001>=10 and z001<50 order by c901 asc");
    EXPECT_EQ(data.detail1,
              "SELECT * from dt_data1 where c901 in(select c901 from dt_data where z001>=10 and "
              "z001<50 ) order by c901 asc");
    const ResultStatements data1 = BuildResultStatements("where y005=7");
    EXPECT_EQ(data1.report,
              "SELECT * from view_data_all where c901 in(select c901 from dt_data1 where y005=7) "
              "order by c901 asc");
    EXPECT_EQ(data1.detail,
              "SELECT * from dt_data where c901 in(select c901 from dt_data1 where y005=7) order "
              "by c901 asc");
    EXPECT_EQ(data1.detail1, "SELECT * from dt_data1 where y005=7 order by c901 asc");
}

TEST_F(QueryResultTest, AllThreeQueriesHoldTheSameRecords) {
    const std::vector<long long> middle{110000000002, 110000000003};
    for (const std::string condition : {"where z001>=10 and z001<50", "where y005>7"}) {
        const ResultStatements statements = BuildResultStatements(condition);
        tallwick::query::CheckResultStatements(db, statements);
        EXPECT_EQ(Codes(statements.report), middle) << condition;
        EXPECT_EQ(Codes(statements.detail), middle) << condition;
        EXPECT_EQ(Codes(statements.detail1), middle) << condition;
    }
    const ResultStatements none = BuildResultStatements("where c901=999999999999");
    EXPECT_TRUE(Codes(none.report).empty());
    EXPECT_TRUE(Codes(none.detail1).empty());
}

// The result workbook lists the records in the order the sorted grid shows them: empty cells
// first, numbers, then texts by code point, ties in code order whichever the direction.
TEST_F(QueryResultTest, ASortedStatementOrdersAsTheListSortsInMemory) {
    AddRecord(110000000005, "甲工会", 20, 0);  // ties with record 1 by name, record 2 by z001
    const std::string report = BuildResultStatements("where c901>0").report;
    const tallwick::RecordListData list = tallwick::ReadRecordList(db, {"c902", "z001"}, report);
    for (const int column : {1, 2}) {
        for (const bool descending : {false, true}) {
            std::vector<int> rows(static_cast<std::size_t>(list.table.RowCount()));
            std::iota(rows.begin(), rows.end(), 0);
            std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
                const int order = list.table.Compare(column, a, b);
                return descending ? order > 0 : order < 0;
            });
            std::vector<long long> shown;
            for (const int row : rows)
                shown.push_back(static_cast<long long>(list.table.NumberAt(row, 0)));
            const std::string name = column == 1 ? "c902" : "z001";
            EXPECT_EQ(Codes(tallwick::query::SortedStatement(report, name, descending)), shown)
                << name << (descending ? " descending" : " ascending");
        }
    }
}

TEST_F(QueryResultTest, ARejectedConditionFailsWithTheEngineMessage) {
    for (const std::string condition : {"where z001>=", "where nosuchfield=1", "where y099=1"}) {
        try {
            tallwick::query::CheckResultStatements(db, BuildResultStatements(condition));
            ADD_FAILURE() << "accepted " << condition;
        } catch (const tallwick::UserError& error) {
            EXPECT_FALSE(std::string(error.what()).empty());
        }
    }
}

TEST_F(QueryResultTest, LocateByNameBindsTheTextAndSkipsUnnamedRecords) {
    using tallwick::query::FindCodeByName;
    EXPECT_EQ(FindCodeByName(db, " O'Brien "), 110000000002.0);
    EXPECT_EQ(FindCodeByName(db, "乙"), 110000000004.0);
    EXPECT_FALSE(FindCodeByName(db, "丙").has_value());
    const auto any = FindCodeByName(db, "");
    ASSERT_TRUE(any.has_value());
    EXPECT_NE(*any, 110000000003.0);
}

}  // namespace
