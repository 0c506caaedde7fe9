// The delivered database as the rest of the program reads it: tables, code rows, views.
#include "store/schema_version.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tallwick {
namespace {

std::vector<std::string> Column0(SQLite::Database& db, const std::string& sql) {
    std::vector<std::string> values;
    SQLite::Statement query(db, sql);
    while (query.executeStep()) values.push_back(query.getColumn(0).getString());
    return values;
}

std::string One(SQLite::Database& db, const std::string& sql) {
    return db.execAndGet(sql).getString();
}

class SchemaTest : public ::testing::Test {
  protected:
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
};

TEST_F(SchemaTest, RecordTablesHoldEveryFieldWithItsType) {
    std::map<std::string, std::string> types;
    SQLite::Statement info(db, "PRAGMA table_info(dt_data)");
    while (info.executeStep()) types[info.getColumn(1).getString()] = info.getColumn(2).getString();
    EXPECT_EQ(types.size(), 9u + 230u);
    for (const char* real : {"c901", "b016", "b018", "b020", "b033", "j024"})
        EXPECT_EQ(types[real], "REAL") << real;
    for (const char* text : {"c900", "c902", "c905", "c906"})
        EXPECT_EQ(types[text], "TEXT") << text;
    for (const char* integer : {"c903", "c904", "c907", "RecordState", "z001", "d055", "b017"}) {
        EXPECT_EQ(types[integer], "INTEGER") << integer;
    }
    EXPECT_EQ(
        Column0(db, "SELECT name FROM pragma_table_info('dt_data1') WHERE type = 'REAL'"),
        (std::vector<std::string>{"c901", "y001", "y002", "y004", "y005", "y006", "y007", "y010"}));
    EXPECT_EQ(One(db, "SELECT count(*) FROM pragma_table_info('dt_data1')"), "13");
    // The staging tables mirror the record tables column for column.
    EXPECT_EQ(Column0(db, "SELECT name FROM pragma_table_info('dt_data_dt_data')"),
              Column0(db, "SELECT name FROM pragma_table_info('dt_data')"));
    EXPECT_EQ(Column0(db, "SELECT name FROM pragma_table_info('dt_data_dt_data1')"),
              Column0(db, "SELECT name FROM pragma_table_info('dt_data1')"));
}

TEST_F(SchemaTest, CodesAreUniqueAndUnenteredValuesAreZero) {
    db.exec("INSERT INTO dt_data (c901, c902) VALUES (100000000001, '工会')");
    db.exec("INSERT INTO dt_data1 (c901) VALUES (100000000001)");
    EXPECT_THROW(db.exec("INSERT INTO dt_data (c901) VALUES (100000000001)"), SQLite::Exception);
    EXPECT_THROW(db.exec("INSERT INTO dt_data1 (c901) VALUES (100000000001)"), SQLite::Exception);
    EXPECT_EQ(One(db, "SELECT z001 + d055 + RecordState FROM dt_data"), "0");
    EXPECT_EQ(One(db, "SELECT y012 || ' ' || y010 FROM dt_data1"), "0 0.0");
    EXPECT_EQ(One(db, "SELECT count(*) as cnt from dt_data where RecordState<>1"), "1");
    EXPECT_EQ(One(db, "SELECT MAX(c901)+1 as NSI FROM dt_data"), "100000000002.0");
}

TEST_F(SchemaTest, CodeTablesCarryTheCodesTheRulesNameAndNothingOffersZero) {
    EXPECT_EQ(One(db, "SELECT count(*) FROM CT_CityName"), "3227");
    EXPECT_EQ(One(db, "Select CombName from CT_CityName where ID=110108"), "北京市海淀区");
    EXPECT_EQ(
        One(db, "SELECT count(*) FROM CT_CityName WHERE ID <> Code1 * 10000 + Code2 * 100 + Code3"),
        "0");

    const auto levels = Column0(db, "SELECT ID FROM CT_LevelCode WHERE ID<>0 ORDER BY Sequence");
    EXPECT_EQ(levels.front(), "1");
    EXPECT_NE(std::find(levels.begin(), levels.end(), "10"), levels.end());
    EXPECT_EQ(One(db, "SELECT Name FROM CT_LevelCode WHERE ID = 10"), "乡镇、街道工会");
    EXPECT_EQ(One(db, "SELECT count(*) FROM CT_LevelCode WHERE ID = 0"), "1");

    EXPECT_EQ(Column0(db, "SELECT ID FROM CT_state ORDER BY Sequence"),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(One(db, "SELECT count(*) FROM ct_sheetName WHERE CodeID BETWEEN 0 AND 13"), "14");
    EXPECT_EQ(One(db, "select * from ct_label"), "默认数据库");
    EXPECT_EQ(One(db, "PRAGMA user_version"), std::to_string(kSchemaVersion));
}

TEST_F(SchemaTest, RecordListViewOffersEveryCatalogueColumnButTheSecondTable) {
    const auto viewColumns = Column0(db, "SELECT name FROM pragma_table_info('view_data_all')");
    const std::set<std::string> offered(viewColumns.begin(), viewColumns.end());
    for (const auto& name : Column0(db, "SELECT ShowName FROM DT_FieldList ORDER BY sequence")) {
        EXPECT_EQ(offered.count(name), name[0] == 'y' ? 0u : 1u) << name;
    }
    db.exec(
        "INSERT INTO dt_data (c901, c902, c904, RecordState) VALUES (100000000002, 'b', 10, 0)");
    db.exec("INSERT INTO dt_data (c901, c902, c904, RecordState) VALUES (100000000001, 'a', 1, 2)");
    EXPECT_EQ(Column0(db, "SELECT c902 FROM view_data_all ORDER BY c901 ASC"),
              (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(One(db, "SELECT count(*) FROM view_data WHERE c901=100000000001"), "1");
}

TEST_F(SchemaTest, GroupItemViewIsUpdatableAndItemsGoWithTheirGrouping) {
    db.exec("INSERT INTO ct_group (Name, orderstr) VALUES ('按编码', 'id ASC')");
    const std::string group = One(db, "select max(id) as GroupID from ct_group");
    db.exec(
        "INSERT INTO view_group_item (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, "
        "HighSymbol) "
        "VALUES (" +
        group + ", '一组', 110000000000, 120000000000, '>=', '<')");
    EXPECT_EQ(
        One(db, "SELECT LowValue || ' ' || HighValue FROM view_group_item WHERE GroupID=" + group),
        ">=110000000000 <120000000000");

    db.exec("UPDATE view_group_item SET HighSymbol = '<=', Title = '改名' WHERE GroupID=" + group);
    EXPECT_EQ(One(db, "SELECT Title || HighValue FROM view_group_item"), "改名<=120000000000");
    // The summary appends LowValue and HighValue to a condition on the code.
    db.exec("INSERT INTO dt_data (c901) VALUES (115000000000)");
    const std::string condition = "SELECT count(*) FROM dt_data WHERE dt_data.c901" +
                                  One(db, "SELECT LowValue FROM view_group_item") +
                                  " and dt_data.c901" +
                                  One(db, "SELECT HighValue FROM view_group_item");
    EXPECT_EQ(One(db, condition), "1");

    db.exec(
        "INSERT INTO view_group_item (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, "
        "HighSymbol) "
        "VALUES (" +
        group + ", '二组', 1, 2, '>', '<')");
    db.exec("DELETE FROM view_group_item WHERE Title = '二组'");
    EXPECT_EQ(One(db, "SELECT count(*) FROM DT_GroupItem"), "1");
    db.exec("DELETE FROM ct_group WHERE id=" + group);
    EXPECT_EQ(One(db, "SELECT count(*) FROM DT_GroupItem"), "0");
    EXPECT_THROW(db.exec("INSERT INTO DT_GroupItem (GroupID, Title) VALUES (999, 'orphan')"),
                 SQLite::Exception);
}

TEST_F(SchemaTest, IntIsTheFloorOfItsArgument) {
    const std::pair<const char*, const char*> cases[] = {
        {"int(7.9)", "7"},     {"int(-7.5)", "-8"},        {"int(-7)", "-7"},
        {"int('12.5')", "12"}, {"int(NULL) IS NULL", "1"}, {"int(1e30) = 1e30", "1"},
    };
    for (const auto& [expression, expected] : cases) {
        EXPECT_EQ(One(db, std::string("SELECT ") + expression), expected) << expression;
    }
}

}  // namespace
}  // namespace tallwick
