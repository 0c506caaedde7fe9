#pragma once

#include "exchange/exchange_progress.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <string>

namespace tallwick::query {

// Writes the rows of `sql` into the table named by the title and the rows of `sql1` (the records'
// dt_data1 rows; empty for none) into the table title + "1" of an SQLite file, replacing tables of
// those names and keeping the file's other tables. A new file is built beside the target and moved
// into place; an existing one is changed in one transaction, so a failure leaves it as it was.
// Values are bound. Returns the file written (".mdb" appended when missing). An empty first
// result throws UserError(kEmptyDatabaseExport); other failures UserError with the run-error text.
// Progress is (records of the first set written, records of the first set).
std::filesystem::path ExportResultDatabase(SQLite::Database& db, const std::string& sql,
                                           const std::string& sql1, const std::string& title,
                                           const std::filesystem::path& chosenName,
                                           const exchange::ExchangeProgress& progress);

}  // namespace tallwick::query
