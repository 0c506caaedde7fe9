// The record tables hold the survey's types and limits: what they refuse, what they keep, and
// how an older working database is brought under them without losing a row.
#include "store/field_limits.h"

#include "common/user_error.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallwick {
namespace {

constexpr const char* kGood =
    "INSERT INTO dt_data (c900, c901, c902, c903, c904, c905, c906, c907, RecordState, z001, b018) "
    "VALUES ('stamp', 100000000001, '工会', 110101, 10, '张三', '01012345678', 1, 0, 3, 2.5)";

struct BadValue {
    const char* column;
    const char* value;  // SQL literal
};

// One bad value per row: each is refused by an insert and by an update of a good record.
const BadValue kBadValues[] = {
    {"c901", "'abc'"},          {"c901", "5"},
    {"c901", "600000000001.5"}, {"c901", "1000000000000"},
    {"c901", "NULL"},           {"z001", "'abc'"},
    {"z001", "x'01'"},          {"z001", "1.5"},
    {"z001", "1e300"},          {"b018", "1e999"},  // inf
    {"b018", "-1e999"},         {"b018", "'x'"},
    {"RecordState", "99"},      {"RecordState", "NULL"},
    {"c903", "999999"},         {"c904", "77"},
    {"c907", "'1x'"},           {"c902", "printf('%.61c', '名')"},
    {"c905", "x'00'"},          {"c900", "printf('%.33c', 'x')"},
};

TEST(FieldLimits, TheRecordTablesRefuseValuesOutsideTheSurveysTypesAndLimits) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    db.exec(kGood);
    db.exec("INSERT INTO dt_data1 (c901, y001, y003) VALUES (100000000001, 1.25, 4)");
    const std::string before =
        db.execAndGet("SELECT count(*) || sum(z001) FROM dt_data").getString();
    for (const BadValue& bad : kBadValues) {
        SCOPED_TRACE(std::string(bad.column) + " = " + bad.value);
        try {
            const bool code = std::string(bad.column) == "c901";
            db.exec(std::string("INSERT INTO dt_data (") + (code ? "" : "c901, ") + bad.column +
                    ") VALUES (" + (code ? "" : "100000000002, ") + bad.value + ")");
            ADD_FAILURE() << "insert taken";
        } catch (const SQLite::Exception& error) {
            EXPECT_STREQ(error.what(), kLimitGuardMessage);
        }
        EXPECT_THROW(db.exec(std::string("UPDATE dt_data SET ") + bad.column + " = " + bad.value),
                     SQLite::Exception);
    }
    EXPECT_THROW(db.exec("UPDATE dt_data1 SET y001 = 'many'"), SQLite::Exception);
    EXPECT_THROW(db.exec("UPDATE dt_data1 SET y003 = 0.5"), SQLite::Exception);
    EXPECT_THROW(db.exec("INSERT INTO dt_data1 (c901) VALUES (42)"), SQLite::Exception);
    EXPECT_EQ(db.execAndGet("SELECT count(*) || sum(z001) FROM dt_data").getString(), before);

    // Within the limits: empty survey fields, numbers given as digits, the longest texts.
    db.exec(
        "UPDATE dt_data SET z001 = NULL, b018 = '7', z002 = 4.0, c902 = printf('%.60c', '名'), "
        "RecordState = 2, c903 = NULL");
    EXPECT_EQ(db.execAndGet("SELECT typeof(b018) || typeof(z002) FROM dt_data").getString(),
              "realinteger");
}

// A working database of the first layout, with one record that breaks two limits and one that
// keeps them.
std::vector<std::string> UpgradeOldDatabase(test::DeliveredDatabaseCopy& copy) {
    SQLite::Database& db = copy.Db();
    test::DropLimitGuards(db);
    db.exec("PRAGMA user_version = 1");
    db.exec(kGood);
    db.exec(
        "INSERT INTO dt_data (c901, c902, RecordState, z005) VALUES (100000000009, '坏', 99, 'x')");
    db.exec("INSERT INTO dt_data1 (c901, y002) VALUES (100000000001, 1e999)");
    copy.CloseDb();
    std::vector<std::string> notices;
    const ScopedUpgradeNotice notice([&](const std::string& text) { notices.push_back(text); });
    DatabaseConnection::Open(copy.Folder());
    return notices;
}

TEST(FieldLimits, AnOlderDatabaseIsGuardedAndItsOffendingRowsAreNamedNotDropped) {
    test::DeliveredDatabaseCopy old;
    const auto notices = UpgradeOldDatabase(old);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0],
              "数据库中有2行数据不符合调查表规定的类型或范围，它们被保留，请逐条修正：\n"
              "dt_data：编号为100000000009的记录的字段RecordState（数据状态）不是0、1或2\n"
              "dt_data1：编号为100000000001的记录的字段y002（劳模专项补助资金审计金额）"
              "不是有效的数值");

    auto upgraded = OpenExistingSqlite(old.FilePath());
    EXPECT_EQ(SchemaVersion(*upgraded), kSchemaVersion);
    EXPECT_EQ(upgraded->execAndGet("SELECT count(*) FROM dt_data").getInt(), 2);
    EXPECT_EQ(upgraded->execAndGet("SELECT z005 FROM dt_data WHERE c902 = '坏'").getString(), "x");
    // The stored record can still be marked and corrected; new bad values are refused.
    upgraded->exec("UPDATE dt_data SET c904 = 10 WHERE c902 = '坏'");
    EXPECT_THROW(upgraded->exec("UPDATE dt_data SET z006 = 'y' WHERE c902 = '坏'"),
                 SQLite::Exception);
    upgraded->exec("UPDATE dt_data SET RecordState = 2, z005 = 0 WHERE c902 = '坏'");

    // The upgraded guards are exactly those of a database delivered with this layout.
    test::DeliveredDatabaseCopy fresh;
    const std::string triggers =
        "SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_master "
        "WHERE type = 'trigger' ORDER BY name)";
    EXPECT_EQ(upgraded->execAndGet(triggers).getString(),
              fresh.Db().execAndGet(triggers).getString());
    // A second opening finds nothing left to do.
    upgraded.reset();
    std::vector<std::string> again;
    const ScopedUpgradeNotice notice([&](const std::string& text) { again.push_back(text); });
    DatabaseConnection::Open(old.Folder());
    EXPECT_TRUE(again.empty());
}

TEST(FieldLimits, BreachesAreFoundInRowOrderWithTheirFirstOffendingField) {
    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};
    SQLite::Database& db = copy.Db();
    db.exec(kGood);
    db.exec("INSERT INTO dt_data (c901, z001, z002) VALUES (600000000001.5, 1.5, 'x')");
    db.exec("INSERT INTO dt_data (c901, c902) VALUES ('abc', printf('%.61c', '名'))");
    const auto limits = ReadFieldLimits(db, "dt_data");
    EXPECT_EQ(limits.size(), 239u);
    const auto breaches = FindBreaches(db, "main", "dt_data", limits, 5);
    ASSERT_EQ(breaches.size(), 2u);
    EXPECT_EQ(breaches[0].Describe(),
              "编号为600000000001.5的记录的字段c901（本级工会统计编码）不是12位的整数");
    EXPECT_EQ(breaches[1].Describe(),
              "编号为'abc'的记录的字段c901（本级工会统计编码）不是12位的整数");
    EXPECT_EQ(CountBreaches(db, "main", "dt_data", limits), 2);
    db.exec("UPDATE dt_data SET c901 = 100000000002 WHERE c902 IS NULL");
    EXPECT_EQ(FindBreaches(db, "main", "dt_data", limits, 5).at(0).Describe(),
              "编号为100000000002的记录的字段z001（本级工会专职工会干部）不是整数");
}

}  // namespace
}  // namespace tallwick
