#include "history/history_table.h"

#include "common/local_time.h"
#include "entry/processor_stamp.h"

namespace tallwick::history {

void CreateHistoryTable(SQLite::Database& db) {
    // c901 is not a key of the record tables: the history outlives deletions and renumbering.
    db.exec(
        "CREATE TABLE IF NOT EXISTS dt_history ("
        " id INTEGER PRIMARY KEY,"
        " ChangeTime TEXT NOT NULL,"
        " Operation TEXT NOT NULL,"
        " c901 REAL NOT NULL,"
        " FieldName TEXT,"
        " OldValue TEXT,"
        " NewValue TEXT,"
        " Processor TEXT);"
        "CREATE INDEX IF NOT EXISTS dt_history_c901 ON dt_history (c901)");
}

std::string HistoryTime() {
    return FormatCurrentLocalTime("%Y-%m-%d %H:%M:%S");
}

std::optional<std::string> ThisMachine() {
    const std::string stamp = entry::ProcessorStamp();
    if (stamp.find_first_not_of('0') == std::string::npos) return std::nullopt;
    return stamp;
}

}  // namespace tallwick::history
