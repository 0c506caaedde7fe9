// The data list's columns by table line and its queries by choice, on the delivered catalogue.
#include "common/ascii.h"
#include "common/user_error.h"
#include "query/data_list.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using tallwick::query::AllRecordsQueries;
using tallwick::query::BuildDataListColumns;
using tallwick::query::DataListColumns;

constexpr const char* kCover = "select dt_data.c901,c902,c903,c904,c905,c906,c907,RecordState";

std::string Numbered(const char* letter, int from, int to, const char* separator) {
    std::string names;
    for (int i = from; i <= to; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "%s%03d", letter, i);
        names += (i == from ? "" : separator) + std::string(name);
    }
    return names;
}

class QueryDataListTest : public ::testing::Test {
  protected:
    DataListColumns Ticked(std::initializer_list<int> lines) {
        std::array<bool, 13> ticked{};
        for (const int line : lines) ticked[static_cast<std::size_t>(line - 1)] = true;
        return BuildDataListColumns(db, ticked);
    }

    int ColumnCount(const std::string& sql) {
        SQLite::Statement query(db, sql);
        return query.getColumnCount();
    }

    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(QueryDataListTest, ColumnListsByLine) {
    const struct {
        std::initializer_list<int> lines;
        std::string data;
        std::string data1;
    } cases[] = {
        {{1}, "," + Numbered("z", 1, 18, ","), ""},
        {{13}, "", Numbered("y", 1, 12, ",")},
        {{}, "", ""},
        {{11}, "," + Numbered("d", 1, 31, ","), ""},
        {{12}, "," + Numbered("d", 32, 55, ","), ""},
        {{12, 13, 11}, "," + Numbered("d", 1, 55, ","), Numbered("y", 1, 12, ",")},
    };
    for (const auto& item : cases) {
        const DataListColumns columns = Ticked(item.lines);
        EXPECT_EQ(columns.data, item.data);
        EXPECT_EQ(columns.data1, item.data1);
    }
}

TEST_F(QueryDataListTest, AllRecordsQueriesRunWithTheCoverColumnsFirst) {
    const auto line1 = AllRecordsQueries(Ticked({1}));
    EXPECT_EQ(line1.main, "select dt_data.c901,c902,c903,c904,c905,c906,c907,RecordState," +
                              Numbered("z", 1, 18, ",") +
                              " from dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901 "
                              "order by dt_data.c901");
    EXPECT_TRUE(line1.second.empty());
    EXPECT_EQ(ColumnCount(line1.main), 8 + 18);

    const auto line13 = AllRecordsQueries(Ticked({13}));
    EXPECT_EQ(line13.main,
              "select dt_data.c901,c902,c903,c904,c905,c906,c907,RecordState from "
              "dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901 order by "
              "dt_data.c901");
    EXPECT_EQ(line13.second, "select dt_data1.c901," + Numbered("y", 1, 12, ",") +
                                 " from dt_data1 inner join dt_data on dt_data.c901=dt_data1.c901 "
                                 "order by dt_data1.c901");
    EXPECT_EQ(ColumnCount(line13.second), 13);
    EXPECT_EQ(AllRecordsQueries(Ticked({})).main, line13.main);
}

TEST_F(QueryDataListTest, RangeAndGroupItemQueries) {
    const DataListColumns columns = Ticked({13});
    const auto range = tallwick::query::CodeRangeQueries(columns, "110000000009", "110000000001");
    EXPECT_EQ(range.main, std::string(kCover) +
                              " from dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901 "
                              "where dt_data.c901>=110000000009.00 and "
                              "dt_data.c901<=110000000009.00 order by dt_data.c901");
    EXPECT_NE(range.second.find("where dt_data1.c901>=110000000009.00 and "
                                "dt_data1.c901<=110000000009.00  order by dt_data1.c901"),
              std::string::npos);
    const auto item =
        tallwick::query::GroupItemQueries(columns, 110000000000, 120000000000, ">=", "<");
    EXPECT_NE(item.main.find(" from dt_data  inner join dt_data1 on dt_data.c901=dt_data1.c901 "
                             "where dt_data.c901>=110000000000 and dt_data.c901<120000000000 "
                             "order by dt_data.c901"),
              std::string::npos);
    EXPECT_NE(item.second.find("where dt_data.c901>=110000000000 and dt_data1.c901<120000000000 "
                               "order by dt_data1.c901"),
              std::string::npos);
    for (const auto& sql : {range.main, range.second, item.main, item.second})
        EXPECT_NO_THROW(SQLite::Statement(db, sql)) << sql;
}

TEST_F(QueryDataListTest, RefusesZeroBoundsAndForeignSymbols) {
    const DataListColumns columns;
    EXPECT_THROW(tallwick::query::CodeRangeQueries(columns, "0", "5"), tallwick::UserError);
    EXPECT_THROW(tallwick::query::CodeRangeQueries(columns, "5", ""), tallwick::UserError);
    try {
        tallwick::query::GroupItemQueries(columns, 0, 5, ">=", "<");
        ADD_FAILURE();
    } catch (const tallwick::UserError& error) {
        EXPECT_STREQ(error.what(), "自定义分组不正确");
    }
    EXPECT_THROW(tallwick::query::GroupItemQueries(columns, 1, 5, ">=", "<1 or 1"),
                 tallwick::UserError);
}

}  // namespace
