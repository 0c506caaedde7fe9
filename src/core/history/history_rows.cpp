#include "history/history_rows.h"

#include "history/history_table.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <stdexcept>

namespace tallwick::history {
namespace {

// A history row written outside a transaction could outlive a change that failed, or miss one
// that was made: the callers' transaction is required, not merely expected.
void RequireTransaction(SQLite::Database& db) {
    if (sqlite3_get_autocommit(db.getHandle()) != 0)
        throw std::logic_error("history rows are written inside the change's transaction");
}

void BindStamp(SQLite::Statement& statement, const char* name) {
    if (const auto stamp = ThisMachine())
        statement.bind(name, *stamp);
    else
        statement.bind(name);
}

}  // namespace

void AppendFieldChanges(SQLite::Database& db, std::string_view operation, double code,
                        const std::vector<FieldChange>& changes) {
    RequireTransaction(db);
    SQLite::Statement insert(
        db,
        "INSERT INTO dt_history (ChangeTime, Operation, c901, FieldName, OldValue, NewValue, "
        "Processor) VALUES (:time, :operation, :code, :field, :old, :new, :stamp)");
    insert.bind(":time", HistoryTime());
    insert.bind(":operation", std::string(operation));
    insert.bind(":code", code);
    BindStamp(insert, ":stamp");
    if (changes.empty()) {
        insert.exec();
        return;
    }
    // Last field first: read newest first, a save then lists its fields in catalogue order.
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        const FieldChange& change = *it;
        insert.bind(":field", change.field);
        insert.bind(":old", change.oldValue);
        insert.bind(":new", change.newValue);
        insert.exec();
        insert.reset();
    }
}

void AppendWholeRecordRows(SQLite::Database& db, std::string_view operation,
                           const std::string& codeSelect, const std::vector<double>& parameters,
                           const std::optional<std::string>& note) {
    RequireTransaction(db);
    // The caller's select comes first in the text, so its ?1 … ?n keep their numbers and the
    // named parameters follow them.
    SQLite::Statement insert(db, "WITH picked(code) AS (" + codeSelect +
                                     ") INSERT INTO dt_history (ChangeTime, Operation, c901, "
                                     "NewValue, Processor) SELECT :time, :operation, "
                                     "picked.code, :note, :stamp FROM picked");
    for (std::size_t i = 0; i < parameters.size(); ++i)
        insert.bind(static_cast<int>(i + 1), parameters[i]);
    insert.bind(":time", HistoryTime());
    insert.bind(":operation", std::string(operation));
    if (note) insert.bind(":note", *note);
    BindStamp(insert, ":stamp");
    insert.exec();
}

void AppendWholeRecordRows(SQLite::Database& db, std::string_view operation,
                           const std::vector<double>& codes) {
    RequireTransaction(db);
    SQLite::Statement insert(db,
                             "INSERT INTO dt_history (ChangeTime, Operation, c901, Processor) "
                             "VALUES (:time, :operation, :code, :stamp)");
    insert.bind(":time", HistoryTime());
    insert.bind(":operation", std::string(operation));
    BindStamp(insert, ":stamp");
    for (const double code : codes) {
        insert.bind(":code", code);
        insert.exec();
        insert.reset();
    }
}

}  // namespace tallwick::history
