// The records by state kept by triggers, so that a start does not count a million records. Every
// test on a delivered copy also checks them when it ends (test_support); these are the writes
// that no other test makes, and the upgrade that creates them.
#include "store/record_counts.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tallwick;

void ExpectCountsKept(SQLite::Database& db, const std::string& after) {
    const RecordCounts kept = CountRecords(db);
    const RecordCounts counted = CountRecordsByScan(db);
    EXPECT_EQ(kept.total, counted.total) << after;
    EXPECT_EQ(kept.byRecordState, counted.byRecordState) << after;
}

TEST(RecordCounts, EveryKindOfWriteKeepsThem) {
    // Without the guards, as in a working database stored before them: an empty state too.
    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};
    SQLite::Database& db = copy.Db();
    const char* insert = "INSERT INTO dt_data (c901, RecordState) VALUES ";
    const std::pair<const char*, std::string> writes[] = {
        {"one record of each state", std::string(insert) + "(110000000001, 0), (110000000002, 1), "
                                                           "(110000000003, 2), (110000000004, 2)"},
        {"an empty state", std::string(insert) + "(110000000005, NULL)"},
        {"a state changed", "UPDATE dt_data SET RecordState = 1 WHERE c901 = 110000000003"},
        {"an empty state set", "UPDATE dt_data SET RecordState = 0 WHERE c901 = 110000000005"},
        {"a state emptied", "UPDATE dt_data SET RecordState = NULL WHERE c901 = 110000000001"},
        {"a state written unchanged", "UPDATE dt_data SET RecordState = 2, c902 = 'x'"},
        {"many rows from a select",
         "INSERT INTO dt_data (c901, RecordState) SELECT c901 + 100, RecordState FROM dt_data"},
        {"a state of many rows", "UPDATE dt_data SET RecordState = 1 WHERE c901 > 110000000100"},
        {"records deleted", "DELETE FROM dt_data WHERE c901 IN (110000000002, 110000000105)"},
        {"a failed statement rolled back",
         "INSERT INTO dt_data (c901, RecordState) VALUES (110000000900, 1), (110000000004, 1)"},
        {"every record deleted", "DELETE FROM dt_data"},
    };
    for (const auto& [what, sql] : writes) {
        try {
            db.exec(sql);
        } catch (const SQLite::Exception&) {
            // The duplicate code: nothing of the statement stays, counts included.
        }
        ExpectCountsKept(db, what);
    }
    EXPECT_EQ(CountRecords(db).total, 0);
}

TEST(RecordCounts, AnEarlierLayoutGetsThemFromItsRecords) {
    test::DeliveredDatabaseCopy old;
    old.Db().exec(
        "INSERT INTO dt_data (c901, RecordState) VALUES (110000000001, 0), (110000000002, 1), "
        "(110000000003, 1), (110000000004, 2);"
        "DROP TRIGGER dt_record_counts_insert; DROP TRIGGER dt_record_counts_delete;"
        "DROP TRIGGER dt_record_counts_state; DROP TABLE dt_record_counts;"
        "PRAGMA user_version = 6");
    EXPECT_EQ(CountRecords(old.Db()).byRecordState,
              (std::map<std::int64_t, std::int64_t>{{0, 1}, {1, 2}, {2, 1}}))
        << "counted while the table is missing";
    old.CloseDb();
    DatabaseConnection::Open(old.Folder());
    auto upgraded = OpenExistingSqlite(old.FilePath());
    EXPECT_EQ(SchemaVersion(*upgraded), kSchemaVersion);
    ExpectCountsKept(*upgraded, "the upgrade");
    upgraded->exec("UPDATE dt_data SET RecordState = 2 WHERE c901 = 110000000002");
    ExpectCountsKept(*upgraded, "a write after the upgrade");
    // The same layout as a database delivered with it.
    test::DeliveredDatabaseCopy fresh;
    const std::string layout =
        "SELECT group_concat(sql, ';') FROM sqlite_master WHERE name LIKE 'dt_record_counts%'";
    EXPECT_EQ(upgraded->execAndGet(layout).getString(), fresh.Db().execAndGet(layout).getString());
}

}  // namespace
