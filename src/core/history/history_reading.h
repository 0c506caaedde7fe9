#pragma once

#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

namespace tallwick::history {

struct HistoryEntry {
    std::string time;
    std::string operation;
    std::string field;     // empty for a row about the whole record
    std::string question;  // the catalogue's text of the field (Hint), empty when it has none
    std::string oldValue;
    std::string newValue;
    std::string processor;  // empty where the change carried no stamp
};

// The history of one code, newest first (in the order the changes were recorded, which a clock
// set back does not disturb).
std::vector<HistoryEntry> ReadRecordHistory(SQLite::Database& db, double code);

// Whether the code names a stored record or one that the history knows of (a deleted one).
bool IsKnownCode(SQLite::Database& db, double code);

}  // namespace tallwick::history
