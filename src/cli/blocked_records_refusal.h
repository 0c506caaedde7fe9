#pragma once

#include <SQLiteCpp/Database.h>

namespace tallwick::cli {

// Refuses an export while records may not leave: `refusal`, how many of each kind and their
// codes, so that the user knows which records to mend. Throws UserError; nothing when none.
void RefuseForBlockedRecords(SQLite::Database& db, const char* refusal);

}  // namespace tallwick::cli
