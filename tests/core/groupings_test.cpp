// User-defined groupings: their stored order, the item rules, deletion with their items and the
// sums of their items.
#include "summary/groupings.h"

#include "common/user_error.h"
#include "summary/grouping_statements.h"
#include "summary/summary_queries.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <random>
#include <set>

namespace tallwick::summary {
namespace {

GroupItemRow Item(std::string title, std::int64_t low, std::int64_t high,
                  std::string lowSymbol = ">=", std::string highSymbol = "<") {
    GroupItemRow item;
    item.title = std::move(title);
    item.low = low;
    item.high = high;
    item.lowSymbol = std::move(lowSymbol);
    item.highSymbol = std::move(highSymbol);
    return item;
}

std::vector<std::string> Titles(SQLite::Database& db, std::int64_t groupId) {
    std::vector<std::string> titles;
    for (const auto& item : ListGroupItems(db, groupId)) titles.push_back(item.title);
    return titles;
}

int Count(SQLite::Database& db, const std::string& table) {
    return db.execAndGet("SELECT count(*) FROM " + table).getInt();
}

class GroupingsTest : public ::testing::Test {
  protected:
    SQLite::Database& Db() { return copy.Db(); }
    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};  // random values
};

TEST_F(GroupingsTest, NewGroupingListsItsItemsInTheOrderTheyWereAdded) {
    const auto id = AddGrouping(Db(), "按规模");
    const auto grouping = FindGrouping(Db(), id);
    ASSERT_TRUE(grouping);
    EXPECT_EQ(grouping->name, "按规模");
    EXPECT_EQ(grouping->orderStr, "id ASC");
    for (const char* title : {"丙", "甲", "乙"}) AddGroupItem(Db(), id, Item(title, 1, 2));
    EXPECT_EQ(Titles(Db(), id), (std::vector<std::string>{"丙", "甲", "乙"}));
    EXPECT_EQ(FindGrouping(Db(), id)->itemCount, 3);
}

TEST_F(GroupingsTest, ItemsShowTheirBoundsAsSymbolThenInteger) {
    const auto id = AddGrouping(Db(), "g");
    AddGroupItem(Db(), id, Item("a", 100000000001, 200000000000));
    AddGroupItem(Db(), id, Item("b", 5, 9, ">", "<="));
    const auto items = ListGroupItems(Db(), id);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].lowValue, ">=100000000001");
    EXPECT_EQ(items[0].highValue, "<200000000000");
    EXPECT_EQ(items[0].low, 100000000001);
    EXPECT_EQ(items[1].lowValue, ">5");
    EXPECT_EQ(items[1].highValue, "<=9");
}

TEST_F(GroupingsTest, RefusedItemsAreNotStored) {
    struct Case {
        GroupItemRow item;
        const char* message;
    };
    const Case cases[] = {
        {Item("", 1, 2), kItemNameMissing},
        {Item("", 2, 2), kItemNameMissing},
        {Item("a", 2, 2), kItemBoundsReversed},
        {Item("a", 2, 2, ">", "<="), kItemBoundsReversed},
        {Item("a", 2, 2, ">=", "<="), kItemBoundsReversed},
        {Item("a", 3, 2), kItemBoundsReversed},
    };
    const auto id = AddGrouping(Db(), "g");
    const auto stored = AddGroupItem(Db(), id, Item("keep", 1, 2));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item.title + " " + std::to_string(c.item.low) + c.item.highSymbol);
        EXPECT_EQ(ItemProblem(c.item), c.message);
        try {
            AddGroupItem(Db(), id, c.item);
            ADD_FAILURE() << "added";
        } catch (const UserError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        auto changed = c.item;
        changed.id = stored;
        EXPECT_THROW(UpdateGroupItem(Db(), id, changed), UserError);
    }
    EXPECT_EQ(Titles(Db(), id), std::vector<std::string>{"keep"});
    EXPECT_EQ(ItemProblem(Item("a", 2, 3)), std::nullopt);
}

TEST_F(GroupingsTest, ChangingAnItemKeepsItsPlace) {
    const auto id = AddGrouping(Db(), "g");
    AddGroupItem(Db(), id, Item("a", 1, 2));
    auto b = Item("b", 3, 4);
    b.id = AddGroupItem(Db(), id, b);
    b.title = "b'";
    b.high = 40;
    UpdateGroupItem(Db(), id, b);
    const auto items = ListGroupItems(Db(), id);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].title, "b'");
    EXPECT_EQ(items[1].highValue, "<40");
    DeleteGroupItem(Db(), b.id);
    EXPECT_EQ(Titles(Db(), id), std::vector<std::string>{"a"});
}

TEST_F(GroupingsTest, StoredOrderDecidesTheListing) {
    const auto id = AddGrouping(Db(), "g");
    AddGroupItem(Db(), id, Item("mid", 20, 30));
    AddGroupItem(Db(), id, Item("low", 10, 20));
    AddGroupItem(Db(), id, Item("high", 30, 40));

    StoreItemOrder(Db(), id, "LowValue", false);
    EXPECT_EQ(FindGrouping(Db(), id)->orderStr, "LowValue DESC");
    EXPECT_EQ(Titles(Db(), id), (std::vector<std::string>{"high", "mid", "low"}));
    StoreItemOrder(Db(), id, "LowValue", true);
    EXPECT_EQ(FindGrouping(Db(), id)->orderStr, "LowValue ASC");
    EXPECT_EQ(Titles(Db(), id), (std::vector<std::string>{"low", "mid", "high"}));

    EXPECT_THROW(StoreItemOrder(Db(), id, "1; DROP TABLE ct_group; --", true),
                 std::invalid_argument);
    // A clause from elsewhere that is no sort clause of the view falls back to id order.
    Db().exec("UPDATE ct_group SET orderstr = 'nonsense DESC' WHERE id = " + std::to_string(id));
    EXPECT_EQ(Titles(Db(), id), (std::vector<std::string>{"mid", "low", "high"}));
}

TEST_F(GroupingsTest, DeletingAGroupingTakesOnlyItsOwnItems) {
    const auto gone = AddGrouping(Db(), "gone");
    const auto kept = AddGrouping(Db(), "kept");
    AddGroupItem(Db(), gone, Item("a", 1, 2));
    AddGroupItem(Db(), gone, Item("b", 2, 3));
    AddGroupItem(Db(), kept, Item("c", 1, 2));

    // A trigger that refuses the grouping's own delete stands for any failure half way.
    Db().exec(
        "CREATE TEMP TRIGGER refuse BEFORE DELETE ON ct_group BEGIN SELECT RAISE(ABORT, "
        "'refused'); END");
    EXPECT_THROW(DeleteGrouping(Db(), gone), SQLite::Exception);
    EXPECT_EQ(Titles(Db(), gone), (std::vector<std::string>{"a", "b"}));
    Db().exec("DROP TRIGGER refuse");

    DeleteGrouping(Db(), gone);
    EXPECT_FALSE(FindGrouping(Db(), gone));
    ASSERT_EQ(ListGroupings(Db()).size(), 1u);
    EXPECT_EQ(Count(Db(), "DT_GroupItem"), 1);
    EXPECT_EQ(Titles(Db(), kept), std::vector<std::string>{"c"});
}

TEST_F(GroupingsTest, NamesWithQuotesAreStoredAsTyped) {
    const auto id = AddGrouping(Db(), "O'Neil");
    RenameGrouping(Db(), id, "它's \"名\"");
    EXPECT_EQ(FindGrouping(Db(), id)->name, "它's \"名\"");
}

// The sums of all items in one pass against the statement of each item, value for value and type
// for type, on seeded records with gaps, answers outside their options and fractional amounts
// (whose sums depend on the order they are added in).
TEST_F(GroupingsTest, OnePassItemSumsEqualThePerItemStatements) {
    std::set<std::string> fields, fields1;
    for (const SummarySheet& sheet : SummarySheets()) {
        for (const std::string& alias : sheet.aliases) {
            if (alias == "cnt") continue;
            const std::string field = alias.substr(4, 4);
            (field[0] == 'y' ? fields1 : fields).insert(field);
        }
    }
    std::mt19937 random(20180925);
    const auto insert = [&](const char* table, const std::set<std::string>& columns, double code) {
        std::string names = "c901", marks = "?";
        for (const std::string& column : columns) {
            names += "," + column;
            marks += ",?";
        }
        SQLite::Statement row(
            Db(), std::string("INSERT INTO ") + table + " (" + names + ") VALUES (" + marks + ")");
        row.bind(1, code);
        int index = 2;
        for (std::size_t k = 0; k < columns.size(); ++k, ++index) {
            const auto kind = random() % 10;
            if (kind == 0)
                row.bind(index);  // NULL
            else if (kind <= 4)
                row.bind(index, static_cast<int>(random() % 7) - 1);  // -1 to 5
            else
                row.bind(index, static_cast<double>(random() % 100000) / 7.0);
        }
        row.exec();
    };
    constexpr std::int64_t base = 100000000000;
    // Stored out of code order, so that a pass in storage order would add them up differently.
    for (std::int64_t i = 0; i < 40; ++i) {
        const std::int64_t k = i * 17 % 40 + 1;
        insert("dt_data", fields, static_cast<double>(base + k));
        if (k % 5 != 0) insert("dt_data1", fields1, static_cast<double>(base + k));
    }
    insert("dt_data", fields, 0);
    insert("dt_data", fields, -3);
    insert("dt_data1", fields1, static_cast<double>(base + 45));  // no dt_data row

    const std::vector<GroupItem> items = {
        {"[10,20]", ">=", base + 10, "<=", base + 20},
        {"(10,20)", ">", base + 10, "<", base + 20},
        {"[10,20)", ">=", base + 10, "<", base + 20},
        {"(10,20]", ">", base + 10, "<=", base + 20},
        {"[15,15]", ">=", base + 15, "<=", base + 15},
        {"(15,15]", ">", base + 15, "<=", base + 15},
        {"[15,15)", ">=", base + 15, "<", base + 15},
        {"reversed", ">=", base + 20, "<=", base + 10},
        {"overlapping, codes 0 and below", ">", -10, "<=", base + 30},
        {"no record", ">=", base + 100, "<", base + 200},
        {"dt_data1 only", ">", base + 40, "<", base + 50},
        {"[10,20]", ">", 0, "<", 2 * base},  // a title twice; every record
    };
    std::vector<int> everySheet;
    for (int number = 2; number <= 27; ++number) everySheet.push_back(number);
    for (const std::vector<int>& sheets : {everySheet, {27}, {24, 2}}) {
        ItemSums sums(Db(), items, sheets);
        for (const int number : sheets) {
            SQLite::Statement combined(Db(), sums.SheetStatement(number));
            for (std::size_t i = 0; i < items.size(); ++i) {
                SCOPED_TRACE("sheet " + std::to_string(number) + ", item " + std::to_string(i));
                SQLite::Statement single(Db(), ItemStatement(number, items[i]));
                single.bind(1, items[i].title);
                single.bind(2, static_cast<std::int64_t>(i + 1));
                single.bind(3, items[i].low);
                single.bind(4, items[i].high);
                ASSERT_TRUE(single.executeStep());
                ASSERT_TRUE(combined.executeStep());
                ASSERT_EQ(combined.getColumnCount(), single.getColumnCount());
                for (int k = 0; k < single.getColumnCount(); ++k) {
                    const SQLite::Column expected = single.getColumn(k);
                    const SQLite::Column actual = combined.getColumn(k);
                    EXPECT_EQ(actual.getType(), expected.getType()) << single.getColumnName(k);
                    if (expected.isText())
                        EXPECT_EQ(actual.getString(), expected.getString());
                    else
                        EXPECT_EQ(actual.getDouble(), expected.getDouble())
                            << single.getColumnName(k);
                }
            }
            EXPECT_FALSE(combined.executeStep());
        }
    }

    // A refused item leaves no table behind that would stop the next run.
    auto invalid = items;
    invalid[3].highSymbol = "=";
    EXPECT_THROW(ItemSums(Db(), invalid, {2}), std::invalid_argument);
    ItemSums none(Db(), {}, {2, 27});
    SQLite::Statement rows(Db(), none.SheetStatement(2));
    EXPECT_FALSE(rows.executeStep());
}

}  // namespace
}  // namespace tallwick::summary
