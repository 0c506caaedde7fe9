#pragma once

// Answers a statistician has checked with the union and found right ("已核实"), with the note
// that says why. A confirmation holds for the value confirmed: once the answer changes, the
// review judges it again. The table lives in the working database, so backups keep it; packages
// carry only the record tables and leave it behind.

#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

namespace tallwick::review {

// The operation as the change history names it.
inline constexpr const char* kConfirmedOperation = "已核实";

struct Confirmation {
    double code = 0;
    std::string field;  // the catalogue's FieldName
    double value = 0;   // the answer when it was confirmed
    std::string note;
    std::string time;  // "YYYY-MM-DD HH:MM:SS", local time
};

// Creates the table where it is missing: the delivered database is built with it and an older
// working database gets it on its upgrade.
void CreateConfirmationTable(SQLite::Database& db);

// Confirms the answer `field` of record `code` with its value `value`, replacing an earlier
// confirmation of that answer, and records it in the change history, in one transaction.
void ConfirmAnswer(SQLite::Database& db, double code, const std::string& field, double value,
                   const std::string& note);

// Every confirmation, by code and field.
std::vector<Confirmation> ReadConfirmations(SQLite::Database& db);

}  // namespace tallwick::review
