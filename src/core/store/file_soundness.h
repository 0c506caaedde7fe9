#pragma once

#include "common/user_error.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <string>

namespace tallwick {

// A survey database is judged in two ways. Opening judges it at a cost that does not grow with
// the file: the header, the page count against the file's size, the schema and the record
// tables' first and last rows. The whole-file check reads every page; it runs where its cost pays:
// on a copy just written, on a file to be imported or restored, and in the desktop's background.

// Throws UserError "软件安装不正确，请与软件提供者联系！" unless the open file `db` passes the
// opening judgement. An engine failure while judging counts as a failed judgement.
void RequireSoundAtAGlance(SQLite::Database& db);

// Reads every page of the attached database `schema`: "ok", or the engine's first finding. A file
// the engine refuses outright (not a database, damaged beyond reading) gives its error text; any
// other failure (a lock, a stop request) is thrown.
std::string WholeFileFinding(SQLite::Database& db, const std::string& schema = "main");

// The working database failed the whole-file check: what was to be done did not start, and the
// way back is a restore.
class DamagedDatabase : public UserError {
  public:
    DamagedDatabase(const std::filesystem::path& working, const std::string& finding,
                    const std::string& consequence);
};

// Throws DamagedDatabase when `copy`, just written from the working database at `working`, fails
// the whole-file check; `consequence` says what therefore did not happen.
void RequireSoundCopy(SQLite::Database& copy, const std::filesystem::path& working,
                      const std::string& consequence);

}  // namespace tallwick
