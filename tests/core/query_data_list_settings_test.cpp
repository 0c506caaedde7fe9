// What the data list dialog starts from: the ticks of exporttable.qd and the grouping items.
#include "common/file_io.h"
#include "common/user_error.h"
#include "query/data_list_settings.h"
#include "summary/groupings.h"
#include "summary/table_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace query = tallwick::query;
namespace summary = tallwick::summary;

TEST(QueryDataListSettingsTest, TicksComeFromTheFileByPosition) {
    tallwick::test::TempFolder folder;
    const auto file = folder.Path() / query::kDataListTableFileName;

    const auto missing = query::ReadDataListTables(file);
    ASSERT_EQ(missing.size(), query::kDataListTables.size());
    for (std::size_t i = 0; i < missing.size(); ++i) {
        EXPECT_EQ(missing[i].text, query::kDataListTables[i].text);
        EXPECT_TRUE(missing[i].enabled);
        EXPECT_EQ(missing[i].tick, 0);
    }

    // Texts of the file do not matter; a short file leaves the remaining lines unticked.
    summary::WriteTableList(file,
                            {{"a", true, 1}, {"b", false, 0}, {"c", true, 2}, {"d", true, 0}});
    const auto lines = query::ReadDataListTables(file);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0].text, query::kDataListTables[0].text);
    EXPECT_EQ(lines[0].tick, 1);
    EXPECT_FALSE(lines[1].enabled);
    EXPECT_EQ(lines[2].tick, 2);
    const std::array<bool, 13> expected{true, false, true};  // grey counts as ticked
    EXPECT_EQ(query::TickedDataListTables(lines), expected);

    // Written back through the list format, the ticks come back unchanged.
    summary::WriteTableList(file, lines);
    EXPECT_EQ(query::ReadDataListTables(file), lines);
}

TEST(QueryDataListSettingsTest, DeliveredFileHasTheThirteenLinesUnticked) {
    const auto file =
        tallwick::test::DeliveredDatabasePath().parent_path() / query::kDataListTableFileName;
    const auto bytes = tallwick::ReadWholeFile(file);
    const std::string content(bytes.begin(), bytes.end());
    const auto lines = summary::ParseTableList(content);
    ASSERT_EQ(lines.size(), 13u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].text, query::kDataListTables[i].text);
        EXPECT_TRUE(lines[i].enabled);
        EXPECT_EQ(lines[i].tick, 0);
    }
    EXPECT_EQ(summary::FormatTableList(lines), content);  // CR LF line ends
}

TEST(QueryDataListSettingsTest, GroupItemsOfEveryGroupingInIdOrder) {
    tallwick::test::DeliveredDatabaseCopy copy;
    auto& db = copy.Db();
    EXPECT_TRUE(query::ListAllGroupItems(db).empty());

    const auto first = summary::AddGrouping(db, "甲");
    const auto second = summary::AddGrouping(db, "乙");
    summary::GroupItemRow item;
    item.title = "一";
    item.low = 100;
    item.high = 200;
    const auto a = summary::AddGroupItem(db, second, item);
    item.title = "二";
    item.lowSymbol = ">";
    item.highSymbol = "<=";
    const auto b = summary::AddGroupItem(db, first, item);

    const auto items = query::ListAllGroupItems(db);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].id, a);
    EXPECT_EQ(items[0].title, "一");
    EXPECT_EQ(items[1].id, b);
    EXPECT_EQ(items[1].lowSymbol, ">");
    EXPECT_EQ(items[1].highSymbol, "<=");
    EXPECT_DOUBLE_EQ(items[1].low, 100);
    EXPECT_DOUBLE_EQ(items[1].high, 200);

    EXPECT_EQ(query::FindDataListGroupItem(db, b)->title, "二");
    EXPECT_FALSE(query::FindDataListGroupItem(db, b + 100));

    const auto queries = query::GroupItemQueries(query::DataListColumns{}, items[1]);
    EXPECT_NE(queries.main.find("where dt_data.c901>100 and dt_data.c901<=200 "),
              std::string::npos);
}

TEST(QueryDataListSettingsTest, ItemWithoutSymbolsIsRefused) {
    tallwick::test::DeliveredDatabaseCopy copy;
    auto& db = copy.Db();
    const auto group = summary::AddGrouping(db, "甲");
    db.exec("INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary) VALUES (" +
            std::to_string(group) + ", '缺符号', 1, 9)");
    const auto items = query::ListAllGroupItems(db);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0].lowSymbol.empty());
    EXPECT_THROW(query::GroupItemQueries(query::DataListColumns{}, items[0]), tallwick::UserError);
}

}  // namespace
