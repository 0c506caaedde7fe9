// The one-pass judgement of bulk-written rows must agree with the engine's, value for value,
// since it stands in for the guard triggers during an import.
#include "store/limit_scan.h"
#include "store/field_limits.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

namespace tallwick {
namespace {

// Values at and beyond the edges of every kind of limit, as SQL literals.
const std::vector<std::string> kValues = {"NULL",
                                          "0",
                                          "7",
                                          "-7",
                                          "7.0",
                                          "7.5",
                                          "-0.0",
                                          "1e15",
                                          "1e300",
                                          "9e999",
                                          "-9e999",
                                          "9223372036854775807",
                                          "-9223372036854775808",
                                          "9.223372036854775807e18",
                                          "-9.223372036854775808e18",
                                          "100000000000",
                                          "99999999999",
                                          "999999999999",
                                          "1000000000000",
                                          "100000000001.0",
                                          "100000000001.5",
                                          "'7'",
                                          "'x'",
                                          "''",
                                          "X'00'",
                                          "'一二三四五六七八九十'",
                                          "'一二三四五六七八九十一'",
                                          "'abc' || char(0) || 'defghijklmn'",
                                          "CAST(X'80818283848586878889' AS TEXT)",
                                          "CAST(X'C0' AS TEXT) || 'abcdefghi'",
                                          "110101",
                                          "110108",
                                          "10",
                                          "1",
                                          "2",
                                          "3",
                                          "5",
                                          "99"};

TEST(LimitScan, JudgesEveryValueAsTheEngineDoes) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    std::vector<FieldLimit> limits;
    for (const auto kind :
         {FieldLimit::Kind::UnitCode, FieldLimit::Kind::Whole, FieldLimit::Kind::Decimal,
          FieldLimit::Kind::Text, FieldLimit::Kind::CodeTable, FieldLimit::Kind::RecordState}) {
        FieldLimit limit;
        limit.column = "v";
        limit.kind = kind;
        if (kind == FieldLimit::Kind::CodeTable) limit.codeTable = "CT_CityName";
        limits.push_back(limit);
        if (kind == FieldLimit::Kind::Text) {
            limit.maxLength = 10;  // characters, as length() counts them
            limits.push_back(limit);
        }
    }
    // A table without affinity keeps each value as written; one with it as a column would.
    for (const char* type : {"", "INTEGER", "REAL", "TEXT"}) {
        db.exec(std::string("DROP TABLE IF EXISTS judged; CREATE TABLE judged (v ") + type + ")");
        for (const auto& value : kValues) db.exec("INSERT INTO judged (v) VALUES (" + value + ")");
        for (const FieldLimit& limit : limits) {
            SQLite::Statement engine(db, "SELECT rowid, " + WithinLimitSql(limit, "v") +
                                             ", quote(v) FROM judged ORDER BY rowid");
            while (engine.executeStep()) {
                const std::int64_t row = engine.getColumn(0).getInt64();
                const bool within = engine.getColumn(1).getInt() != 0;
                const auto first = FirstRowBreakingLimits(db, "judged", {limit}, row - 1);
                const bool scanned = !first || *first != row;
                EXPECT_EQ(scanned, within)
                    << "type " << type << ", kind " << static_cast<int>(limit.kind) << " max "
                    << limit.maxLength << ", value " << engine.getColumn(2).getString();
            }
        }
    }
}

TEST(LimitScan, FindsTheFirstBadRowAboveTheGivenRow) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    db.exec("CREATE TABLE judged (v); INSERT INTO judged VALUES (1), ('x'), (2), ('y'), (3)");
    FieldLimit whole;
    whole.column = "v";
    EXPECT_EQ(FirstRowBreakingLimits(db, "judged", {whole}, 0), 2);
    EXPECT_EQ(FirstRowBreakingLimits(db, "judged", {whole}, 2), 4);
    EXPECT_EQ(FirstRowBreakingLimits(db, "judged", {whole}, 4), std::nullopt);
}

TEST(LimitScan, SuspendedGuardsComeBackAsTheyWere) {
    test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    const std::string triggers =
        "SELECT group_concat(name || sql, ';') FROM (SELECT name, sql FROM sqlite_master "
        "WHERE type = 'trigger' ORDER BY name)";
    const std::string before = db.execAndGet(triggers).getString();
    {
        SQLite::Transaction transaction(db);
        SuspendedInsertGuards guards(db);
        db.exec("INSERT INTO dt_data (c901, z001) VALUES (100000000001, 'x')");
        guards.Restore();
        EXPECT_EQ(db.execAndGet(triggers).getString(), before);
    }  // rolled back
    EXPECT_EQ(db.execAndGet(triggers).getString(), before);
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM dt_data").getInt(), 0);
    {
        SQLite::Transaction transaction(db);
        const SuspendedInsertGuards guards(db);
    }  // rolled back without Restore
    EXPECT_EQ(db.execAndGet(triggers).getString(), before);
    EXPECT_THROW(db.exec("INSERT INTO dt_data (c901, z001) VALUES (100000000001, 'x')"),
                 SQLite::Exception);
}

}  // namespace
}  // namespace tallwick
