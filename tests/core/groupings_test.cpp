// User-defined groupings: their stored order, the item rules and deletion with their items.
#include "summary/groupings.h"

#include "common/user_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

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
    test::DeliveredDatabaseCopy copy;
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

}  // namespace
}  // namespace tallwick::summary
