// The record list read as it is looked at: codes at once, other columns a page at a time. Every
// shown cell must be what SQLite's own ORDER BY gives, whatever the page boundaries, the pages
// forgotten on the way, or the records changed since the read.
#include "store/record_list_rows.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tallwick::ListTable;
using tallwick::RecordListRows;

constexpr double kFirstCode = 110000000000;
constexpr int kRecords = 150;
// Pages of 16 list rows, at most 48 rows held: reading a whole list forgets pages many times.
constexpr int kPageRows = 16;
constexpr int kHeldRows = 48;

const std::vector<std::string> kNames = {"c902", "z001", "y001"};  // y001 is not in the view

class RecordListRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SQLite::Statement insert(
            db, "INSERT INTO dt_data (c901, c902, c903, z001) VALUES (?, ?, 110000, ?)");
        for (int i = 0; i < kRecords; ++i) {
            insert.bind(1, kFirstCode + 3 * i);
            // Names and numbers with many ties, some empty, so ties and empties cross pages.
            if (i % 7 == 0) {
                insert.bind(2);
            } else {
                insert.bind(2, std::string(i % 2 ? "乙" : "甲") + std::to_string(i % 5));
            }
            if (i % 11 == 0) {
                insert.bind(3);
            } else {
                insert.bind(3, (i * 37) % 13);
            }
            insert.exec();
            insert.reset();
        }
    }

    // What the list must show, row by row: SQLite's order with code order for ties.
    ListTable Expected(const std::string& orderBy, const std::string& where = "") {
        SQLite::Statement query(
            db, "SELECT c901, c902, z001 FROM dt_data " + where + " ORDER BY " + orderBy);
        return ListTable::Read(query);
    }

    void ExpectShown(RecordListRows& rows, const ListTable& expected, const std::string& what) {
        ASSERT_EQ(rows.RowCount(), expected.RowCount()) << what;
        // Down and up again, so pages are forgotten and read anew on the way.
        std::vector<int> visits;
        for (int row = 0; row < rows.RowCount(); ++row) visits.push_back(row);
        for (int row = rows.RowCount() - 1; row >= 0; row -= 5) visits.push_back(row);
        for (const int row : visits) {
            EXPECT_EQ(rows.CodeAt(row), expected.NumberAt(row, 0)) << what << " row " << row;
            EXPECT_EQ(rows.TextAt(db, row, 0), expected.TextAt(row, 1)) << what << " row " << row;
            EXPECT_EQ(rows.TextAt(db, row, 1), expected.TextAt(row, 2)) << what << " row " << row;
            EXPECT_EQ(rows.TextAt(db, row, 2), "") << what << " row " << row;
        }
    }

    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(RecordListRowsTest, ShownCellsFollowTheDatabasesOwnOrder) {
    RecordListRows rows(kPageRows, kHeldRows);
    rows.Read(db, kNames);
    EXPECT_FALSE(rows.HasColumn(2));
    ExpectShown(rows, Expected("c901"), "code order");
    struct Case {
        int name;
        bool descending;
        const char* orderBy;
    };
    for (const Case& c : {Case{0, false, "c902, c901"}, Case{0, true, "c902 DESC, c901"},
                          Case{1, false, "z001, c901"}, Case{1, true, "z001 DESC, c901"},
                          Case{2, true, "c901"}, Case{-1, false, "c901"}}) {
        rows.SetOrder(rows.SortedOrder(db, c.name, c.descending));
        ExpectShown(rows, Expected(c.orderBy), c.orderBy);
        for (const int row : {0, 17, kRecords - 1})
            EXPECT_EQ(rows.RowOfCode(rows.CodeAt(row)), row);
    }
    EXPECT_EQ(rows.RowOfCode(kFirstCode + 1), -1);

    // Back to a shown order by codes, unknown and repeated codes ignored.
    rows.SetOrder(rows.OrderOfCodes({kFirstCode + 6, 1, kFirstCode, kFirstCode + 6}));
    EXPECT_EQ(rows.CodeAt(0), kFirstCode + 6);
    EXPECT_EQ(rows.CodeAt(1), kFirstCode);
    EXPECT_EQ(rows.CodeAt(2), kFirstCode + 3);
    EXPECT_EQ(rows.CodeAt(kRecords - 1), kFirstCode + 3 * (kRecords - 1));
}

// The list is read once and looked at for a long time, while records are saved and deleted.
TEST_F(RecordListRowsTest, RecordsChangedSinceTheReadShowAsTheyAreNow) {
    RecordListRows rows(kPageRows, kHeldRows);
    rows.Read(db, kNames);
    const double shownEarly = kFirstCode + 3;  // its page is held before the change
    EXPECT_EQ(rows.TextAt(db, 1, 0), "乙1");
    db.exec("UPDATE dt_data SET c902 = '改' WHERE c901 = " + std::to_string(shownEarly) +
            " OR c901 = " + std::to_string(kFirstCode + 300));
    db.exec("DELETE FROM dt_data WHERE c901 = " + std::to_string(kFirstCode + 303));
    db.exec("INSERT INTO dt_data (c901, c902, c903) VALUES (" + std::to_string(kFirstCode + 301) +
            ", '新', 110000)");

    EXPECT_EQ(rows.TextAt(db, 1, 0), "乙1") << "a held page shows what was read until refreshed";
    EXPECT_TRUE(rows.Refresh(db, shownEarly));
    EXPECT_EQ(rows.TextAt(db, 1, 0), "改");
    EXPECT_EQ(rows.TextAt(db, 100, 0), "改") << "a page read after the change shows it";
    EXPECT_EQ(rows.TextAt(db, 101, 0), "") << "the deleted record";
    EXPECT_EQ(rows.TextAt(db, 101, 1), "");
    EXPECT_EQ(rows.TextAt(db, 102, 0), "甲2") << "the inserted record is not in the list";
    EXPECT_FALSE(rows.Refresh(db, kFirstCode + 303));
    EXPECT_FALSE(rows.Refresh(db, kFirstCode + 301));

    // Sorting reads the column anew; the deleted record sorts as an empty cell.
    rows.SetOrder(rows.SortedOrder(db, 0, false));
    EXPECT_EQ(rows.CodeAt(0), kFirstCode);  // an empty name, the lowest code
    db.exec("INSERT INTO dt_data (c901, c902, c903) VALUES (" + std::to_string(kFirstCode + 303) +
            ", '回', 110000)");
    EXPECT_TRUE(rows.Refresh(db, kFirstCode + 303)) << "stored again";
    EXPECT_EQ(rows.TextAt(db, rows.RowOfCode(kFirstCode + 303), 0), "回");
}

// A query result list is read whole: its statement would run again for every page.
TEST_F(RecordListRowsTest, ARowSourceIsReadWholeAndRefreshedThroughItself) {
    const std::string source = "SELECT * FROM view_data_all WHERE c902 LIKE '甲%'";
    RecordListRows rows(kPageRows, kHeldRows);
    rows.Read(db, kNames, source);
    const std::string where = "WHERE c902 LIKE '甲%'";
    ExpectShown(rows, Expected("c901", where), "a query's rows");
    rows.SetOrder(rows.SortedOrder(db, 1, true));
    ExpectShown(rows, Expected("z001 DESC, c901", where), "a query's rows by z001 descending");

    const double code = rows.CodeAt(0);
    db.exec("UPDATE dt_data SET z001 = 99 WHERE c901 = " + std::to_string(code));
    EXPECT_TRUE(rows.Refresh(db, code));
    EXPECT_EQ(rows.TextAt(db, 0, 1), "99");
    db.exec("UPDATE dt_data SET c902 = '乙' WHERE c901 = " + std::to_string(code));
    EXPECT_FALSE(rows.Refresh(db, code)) << "no longer one of the query's rows";
}

}  // namespace
