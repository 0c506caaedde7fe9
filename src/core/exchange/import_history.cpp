#include "exchange/import_history.h"

#include "exchange/attached_file.h"
#include "store/safety_copy.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace tallwick::exchange {

std::string HistoryTimeNow() {
    const std::tm now = SafetyCopyClockNow();
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &now);
    return std::string(text, length);
}

void AppendHistory(SQLite::Database& db, const HistoryEntry& entry) {
    if (!HasTable(db, "main", "ImportHistory")) return;
    SQLite::Statement insert(db,
                             "INSERT INTO main.ImportHistory (Time, Operation, FileName, Label, "
                             "Records, Added, Replaced, Kept, Succeeded, Outcome) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bind(1, entry.time);
    insert.bind(2, entry.operation);
    insert.bind(3, entry.fileName);
    insert.bind(4, entry.label);
    insert.bind(5, entry.records);
    insert.bind(6, entry.added);
    insert.bind(7, entry.replaced);
    insert.bind(8, entry.kept);
    insert.bind(9, entry.succeeded ? 1 : 0);
    insert.bind(10, entry.outcome);
    insert.exec();
}

void AppendFailureHistory(SQLite::Database& db, HistoryEntry entry, const std::string& message) {
    entry.succeeded = false;
    entry.outcome = message;
    entry.added = entry.replaced = entry.kept = 0;
    try {
        SQLite::Transaction transaction(db);
        AppendHistory(db, entry);
        transaction.commit();
    } catch (const SQLite::Exception&) {
    }
}

std::vector<HistoryEntry> ReadHistory(SQLite::Database& db) {
    std::vector<HistoryEntry> entries;
    if (!HasTable(db, "main", "ImportHistory")) return entries;
    SQLite::Statement query(db,
                            "SELECT id, Time, Operation, FileName, ifnull(Label, ''), Records, "
                            "Added, Replaced, Kept, Succeeded, Outcome FROM main.ImportHistory "
                            "ORDER BY id DESC");
    while (query.executeStep()) {
        HistoryEntry entry;
        entry.id = query.getColumn(0).getInt64();
        entry.time = query.getColumn(1).getString();
        entry.operation = query.getColumn(2).getString();
        entry.fileName = query.getColumn(3).getString();
        entry.label = query.getColumn(4).getString();
        entry.records = query.getColumn(5).getInt64();
        entry.added = query.getColumn(6).getInt64();
        entry.replaced = query.getColumn(7).getInt64();
        entry.kept = query.getColumn(8).getInt64();
        entry.succeeded = query.getColumn(9).getInt() != 0;
        entry.outcome = query.getColumn(10).getString();
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace tallwick::exchange
