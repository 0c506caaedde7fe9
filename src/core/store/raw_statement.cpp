#include "store/raw_statement.h"

#include <SQLiteCpp/Exception.h>

namespace tallwick {
namespace {

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    const int code = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    if (code != SQLITE_OK) throw SQLite::Exception(db, code);
    return statement;
}

}  // namespace

RawStatement::RawStatement(SQLite::Database& db, const std::string& sql)
    : db_(db.getHandle()), statement_(Prepare(db_, sql), &sqlite3_finalize) {}

bool RawStatement::Step() {
    const int code = sqlite3_step(statement_.get());
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    throw SQLite::Exception(db_, code);
}

}  // namespace tallwick
