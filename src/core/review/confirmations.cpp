#include "review/confirmations.h"

#include "common/number_text.h"
#include "history/history_rows.h"
#include "history/history_table.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace tallwick::review {

void CreateConfirmationTable(SQLite::Database& db) {
    db.exec(
        "CREATE TABLE IF NOT EXISTS dt_confirmed ("
        " c901 REAL NOT NULL,"
        " FieldName TEXT NOT NULL COLLATE NOCASE,"
        " Value REAL NOT NULL,"
        " Note TEXT NOT NULL DEFAULT '',"
        " ConfirmTime TEXT NOT NULL,"
        " PRIMARY KEY (c901, FieldName))");
}

void ConfirmAnswer(SQLite::Database& db, double code, const std::string& field, double value,
                   const std::string& note) {
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db,
                             "INSERT OR REPLACE INTO dt_confirmed"
                             " (c901, FieldName, Value, Note, ConfirmTime) VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, code);
    insert.bind(2, field);
    insert.bind(3, value);
    insert.bind(4, note);
    insert.bind(5, history::HistoryTime());
    insert.exec();
    // The value stays what it was; the history's new value carries the note.
    const std::string text = NumberText(value);
    history::AppendFieldChanges(db, kConfirmedOperation, code,
                                {{field, text, note.empty() ? text : text + "（" + note + "）"}});
    transaction.commit();
}

std::vector<Confirmation> ReadConfirmations(SQLite::Database& db) {
    std::vector<Confirmation> confirmations;
    SQLite::Statement query(db,
                            "SELECT c901, FieldName, Value, Note, ConfirmTime FROM dt_confirmed"
                            " ORDER BY c901, FieldName");
    while (query.executeStep()) {
        confirmations.push_back({query.getColumn(0).getDouble(), query.getColumn(1).getString(),
                                 query.getColumn(2).getDouble(), query.getColumn(3).getString(),
                                 query.getColumn(4).getString()});
    }
    return confirmations;
}

}  // namespace tallwick::review
