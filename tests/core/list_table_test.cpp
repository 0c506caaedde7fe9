// The in-memory result set behind the record list: display texts, sort order, and reading the
// record list from view_data_all.
#include "store/list_table.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tallwick::ListTable;

ListTable ReadValues(SQLite::Database& db, const std::string& sql) {
    SQLite::Statement query(db, sql);
    return ListTable::Read(query);
}

class ListTableTest : public ::testing::Test {
  protected:
    void AddRecord(const std::string& code, const std::string& name) {
        SQLite::Statement insert(db,
                                 "INSERT INTO dt_data (c901, c902, c903) VALUES (?, ?, 110000)");
        insert.bind(1, std::stod(code));
        insert.bind(2, name);
        insert.exec();
    }

    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(ListTableTest, CellsReadAsTheListShowsThem) {
    const ListTable table =
        ReadValues(db,
                   "SELECT 100000000001.0, 1.5, -0.0, -42, NULL, '工会''s', 0.1, 1e21 "
                   "UNION ALL SELECT 7, 2, 3, 4, 'x', '', 5, 6");
    ASSERT_EQ(table.RowCount(), 2);
    ASSERT_EQ(table.ColumnCount(), 8);
    const std::vector<std::string> first = {
        "100000000001", "1.5", "0", "-42", "", "工会's", "0.1", "1000000000000000000000"};
    for (int c = 0; c < table.ColumnCount(); ++c) EXPECT_EQ(table.TextAt(0, c), first[c]) << c;
    EXPECT_EQ(table.KindAt(0, 4), ListTable::Kind::Null);
    EXPECT_EQ(table.KindAt(1, 4), ListTable::Kind::Text);
    EXPECT_EQ(table.TextAt(1, 5), "");
    EXPECT_EQ(table.NumberAt(0, 0), 100000000001.0);
}

TEST_F(ListTableTest, CompareOrdersEmptyThenNumbersThenTexts) {
    // One column holding every kind, rows listed in their expected order.
    const ListTable table = ReadValues(db,
                                       "SELECT NULL UNION ALL SELECT -3 UNION ALL SELECT 2.5 "
                                       "UNION ALL SELECT 3 UNION ALL SELECT 9007199254740993 "
                                       "UNION ALL SELECT '' UNION ALL SELECT 'B' "
                                       "UNION ALL SELECT 'a' UNION ALL SELECT '工'");
    for (int a = 0; a < table.RowCount(); ++a) {
        for (int b = 0; b < table.RowCount(); ++b) {
            const int order = table.Compare(0, a, b);
            EXPECT_EQ(order < 0, a < b) << a << " vs " << b;
            EXPECT_EQ(order == 0, a == b) << a << " vs " << b;
        }
    }
}

TEST_F(ListTableTest, RecordListReadsTheNamedColumnsInCodeOrder) {
    AddRecord("100000000003", "丙");
    AddRecord("100000000001", "甲");
    AddRecord("100000000002", "乙");

    const auto data = tallwick::ReadRecordList(db, {"C902", "nosuch", "c903", "y001"});
    // Names match in any case; the view lacks the other two (y001 lives in dt_data1).
    EXPECT_EQ(data.columnOf, (std::vector<int>{1, -1, 2, -1}));
    ASSERT_EQ(data.table.ColumnCount(), 3);
    ASSERT_EQ(data.table.RowCount(), 3);
    const std::vector<std::string> codes = {"100000000001", "100000000002", "100000000003"};
    const std::vector<std::string> names = {"甲", "乙", "丙"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(data.table.TextAt(row, 0), codes[row]);
        EXPECT_EQ(data.table.TextAt(row, 1), names[row]);
        EXPECT_EQ(data.table.TextAt(row, 2), "110000");
    }
}

}  // namespace
