#include "store/database.h"

#include "store/statement_stop.h"

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>

namespace tallwick {
namespace {

void SqlInt(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_value* value = args[0];
    switch (sqlite3_value_numeric_type(value)) {
        case SQLITE_INTEGER:
            sqlite3_result_int64(context, sqlite3_value_int64(value));
            return;
        case SQLITE_FLOAT: {
            const double floored = std::floor(sqlite3_value_double(value));
            // Beyond the 64-bit range the floor stays a real number rather than wrapping.
            if (floored >= -9.2e18 && floored <= 9.2e18) {
                sqlite3_result_int64(context, static_cast<sqlite3_int64>(floored));
            } else {
                sqlite3_result_double(context, floored);
            }
            return;
        }
        default:
            sqlite3_result_null(context);
    }
}

// Asked by the engine every kStopCheckSteps virtual machine steps; non-zero ends the statement.
int AnswerStopRequest(void*) {
    return StatementStopRequested() ? 1 : 0;
}

constexpr int kStopCheckSteps = 1000;

}  // namespace

std::string PlainFileName(const std::filesystem::path& path) {
    const std::string name = path.string();
    return name.starts_with("file:") ? "./" + name : name;
}

std::unique_ptr<SQLite::Database> OpenSqlite(const std::filesystem::path& path, int flags) {
    // URI file names let a connection attach a file it only reads as read-only. No connection
    // is used by two threads at once (a thread that reads opens its own), so SQLite's locking
    // around every call is pure cost: a check of a million records made billions of such calls.
    auto db = std::make_unique<SQLite::Database>(
        PlainFileName(path), flags | SQLite::OPEN_URI | SQLite::OPEN_NOMUTEX, 5000);
    db->exec("PRAGMA foreign_keys = ON");
    db->createFunction("int", 1, true, nullptr, &SqlInt);
    sqlite3_progress_handler(db->getHandle(), kStopCheckSteps, &AnswerStopRequest, nullptr);
    return db;
}

bool HasSqliteHeader(const std::filesystem::path& path) {
    static constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its terminating zero
    std::array<char, sizeof kMagic> head{};
    std::ifstream in(path, std::ios::binary);
    return in.read(head.data(), head.size()) &&
           std::memcmp(head.data(), kMagic, sizeof kMagic) == 0;
}

std::string QuoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace tallwick
