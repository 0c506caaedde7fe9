#include "history/history_reading.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::history {
namespace {

std::string TextOf(const SQLite::Column& column) {
    return column.isNull() ? std::string() : column.getString();
}

}  // namespace

std::vector<HistoryEntry> ReadRecordHistory(SQLite::Database& db, double code) {
    SQLite::Statement query(
        db,
        "SELECT h.ChangeTime, h.Operation, h.FieldName, "
        " (SELECT f.Hint FROM DT_FieldList f WHERE lower(f.FieldName) = lower(h.FieldName) "
        "  ORDER BY f.sequence LIMIT 1), "
        " h.OldValue, h.NewValue, h.Processor "
        "FROM dt_history h WHERE h.c901 = ? ORDER BY h.id DESC");
    query.bind(1, code);
    std::vector<HistoryEntry> entries;
    while (query.executeStep()) {
        entries.push_back({TextOf(query.getColumn(0)), TextOf(query.getColumn(1)),
                           TextOf(query.getColumn(2)), TextOf(query.getColumn(3)),
                           TextOf(query.getColumn(4)), TextOf(query.getColumn(5)),
                           TextOf(query.getColumn(6))});
    }
    return entries;
}

bool IsKnownCode(SQLite::Database& db, double code) {
    SQLite::Statement query(db,
                            "SELECT EXISTS (SELECT 1 FROM dt_data WHERE c901 = ?1) OR "
                            "EXISTS (SELECT 1 FROM dt_history WHERE c901 = ?1)");
    query.bind(1, code);
    query.executeStep();
    return query.getColumn(0).getInt() != 0;
}

}  // namespace tallwick::history
