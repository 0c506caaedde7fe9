#include "store/record_counts.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick {
namespace {

RecordCounts ReadCounts(SQLite::Database& db, const char* sql) {
    RecordCounts counts;
    SQLite::Statement query(db, sql);
    while (query.executeStep()) {
        const std::int64_t n = query.getColumn(1).getInt64();
        if (n == 0) continue;
        counts.byRecordState[query.getColumn(0).getInt64()] += n;  // an empty state counts as 0
        counts.total += n;
    }
    return counts;
}

}  // namespace

RecordCounts CountRecordsByScan(SQLite::Database& db) {
    return ReadCounts(db, "SELECT RecordState, count(*) FROM dt_data GROUP BY RecordState");
}

RecordCounts CountRecords(SQLite::Database& db) {
    if (!db.tableExists("dt_record_counts")) return CountRecordsByScan(db);
    return ReadCounts(db, "SELECT RecordState, Records FROM dt_record_counts");
}

void CreateRecordCounts(SQLite::Database& db) {
    // An empty state is kept as 0, as the records' own count merges it. The triggers do not see
    // rows that an INSERT OR REPLACE deletes (recursive triggers are off), so no writer of
    // dt_data replaces rows that way.
    if (!db.tableExists("dt_record_counts")) {
        db.exec(
            "CREATE TABLE dt_record_counts (\n"
            "  RecordState INTEGER NOT NULL UNIQUE,\n"
            "  Records INTEGER NOT NULL\n"
            ");\n"
            "INSERT INTO dt_record_counts (RecordState, Records)\n"
            "  SELECT coalesce(RecordState, 0), count(*) FROM dt_data\n"
            "  GROUP BY coalesce(RecordState, 0)");
    }
    db.exec(
        "CREATE TRIGGER IF NOT EXISTS dt_record_counts_insert AFTER INSERT ON dt_data BEGIN\n"
        "  INSERT INTO dt_record_counts (RecordState, Records)\n"
        "    VALUES (coalesce(NEW.RecordState, 0), 1)\n"
        "    ON CONFLICT (RecordState) DO UPDATE SET Records = Records + 1;\n"
        "END;\n"
        "CREATE TRIGGER IF NOT EXISTS dt_record_counts_delete AFTER DELETE ON dt_data BEGIN\n"
        "  UPDATE dt_record_counts SET Records = Records - 1\n"
        "    WHERE RecordState = coalesce(OLD.RecordState, 0);\n"
        "END;\n"
        "CREATE TRIGGER IF NOT EXISTS dt_record_counts_state AFTER UPDATE OF RecordState ON "
        "dt_data\n"
        "  WHEN coalesce(NEW.RecordState, 0) IS NOT coalesce(OLD.RecordState, 0) BEGIN\n"
        "  UPDATE dt_record_counts SET Records = Records - 1\n"
        "    WHERE RecordState = coalesce(OLD.RecordState, 0);\n"
        "  INSERT INTO dt_record_counts (RecordState, Records)\n"
        "    VALUES (coalesce(NEW.RecordState, 0), 1)\n"
        "    ON CONFLICT (RecordState) DO UPDATE SET Records = Records + 1;\n"
        "END;");
}

}  // namespace tallwick
