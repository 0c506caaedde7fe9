#pragma once

#include <SQLiteCpp/Database.h>
#include <sqlite3.h>

#include <memory>
#include <string>

namespace tallwick {

// A statement stepped through SQLite's C interface, for loops over every record, where the
// wrapper's object per value costs more than reading the value. Failures throw SQLite::Exception
// with the engine's message, as the wrapper's do.
class RawStatement {
  public:
    RawStatement(SQLite::Database& db, const std::string& sql);

    // The next row; false at the end.
    bool Step();
    // Back before the first row: the statement holds no read lock until stepped again.
    void Reset() { sqlite3_reset(statement_.get()); }
    sqlite3_stmt* Handle() const { return statement_.get(); }

  private:
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement_;
};

}  // namespace tallwick
