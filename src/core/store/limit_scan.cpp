#include "store/limit_scan.h"
#include "store/raw_statement.h"

#include "store/database.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <cfloat>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace tallwick {
namespace {

// CAST(x AS INTEGER) saturates and truncates; x equals it only when whole and within range.
bool IsWholeReal(double x) {
    return x >= -9223372036854775808.0 && x < 9223372036854775808.0 && std::trunc(x) == x;
}

bool IsWhole(sqlite3_stmt* row, int i, int type) {
    return type == SQLITE_INTEGER ||
           (type == SQLITE_FLOAT && IsWholeReal(sqlite3_column_double(row, i)));
}

// length() of SQLite: characters before the first NUL, a lead byte with its continuation bytes
// counting once.
std::size_t TextLength(const unsigned char* z) {
    std::size_t length = 0;
    while (unsigned char c = *z) {
        ++z;
        ++length;
        if (c >= 0xc0) {
            while ((*z & 0xc0) == 0x80) ++z;
        }
    }
    return length;
}

bool Within(const FieldLimit& limit, sqlite3_stmt* row, int i,
            const std::set<std::int64_t>* codes) {
    const int type = sqlite3_column_type(row, i);
    switch (limit.kind) {
        case FieldLimit::Kind::UnitCode: {
            if (!IsWhole(row, i, type)) return false;
            const double value = sqlite3_column_double(row, i);
            if (type == SQLITE_INTEGER) {
                const auto whole = sqlite3_column_int64(row, i);
                return whole >= 100000000000 && whole <= 999999999999;
            }
            return value >= 100000000000.0 && value <= 999999999999.0;
        }
        case FieldLimit::Kind::Whole:
            return type == SQLITE_NULL || IsWhole(row, i, type);
        case FieldLimit::Kind::Decimal:
            return type == SQLITE_NULL || type == SQLITE_INTEGER ||
                   (type == SQLITE_FLOAT && std::fabs(sqlite3_column_double(row, i)) <= DBL_MAX);
        case FieldLimit::Kind::Text:
            if (type == SQLITE_NULL) return true;
            if (type != SQLITE_TEXT) return false;
            return limit.maxLength == 0 ||
                   TextLength(sqlite3_column_text(row, i)) <= limit.maxLength;
        case FieldLimit::Kind::CodeTable:
            return type == SQLITE_NULL ||
                   (type == SQLITE_INTEGER && codes->count(sqlite3_column_int64(row, i)) > 0);
        case FieldLimit::Kind::RecordState: {
            if (type != SQLITE_INTEGER) return false;
            const auto state = sqlite3_column_int64(row, i);
            return state >= 0 && state <= 2;
        }
    }
    return true;
}

std::set<std::int64_t> CodesOf(SQLite::Database& db, const std::string& table) {
    std::set<std::int64_t> codes;
    SQLite::Statement query(
        db, "SELECT ID FROM main." + QuoteIdentifier(table) + " WHERE typeof(ID) = 'integer'");
    while (query.executeStep()) codes.insert(query.getColumn(0).getInt64());
    return codes;
}

constexpr const char* kGuardedTables[] = {"dt_data", "dt_data1"};

}  // namespace

LimitJudge::LimitJudge(SQLite::Database& working, std::vector<FieldLimit> limits)
    : limits_(std::move(limits)) {
    std::map<std::string, int> named;
    for (const FieldLimit& limit : limits_) {
        if (limit.kind != FieldLimit::Kind::CodeTable) {
            codeSetOf_.push_back(-1);
            continue;
        }
        auto found = named.find(limit.codeTable);
        if (found == named.end()) {
            found = named.emplace(limit.codeTable, static_cast<int>(codeSets_.size())).first;
            codeSets_.push_back(CodesOf(working, limit.codeTable));
        }
        codeSetOf_.push_back(found->second);
    }
}

std::optional<std::int64_t> LimitJudge::FirstBreakingRow(SQLite::Database& db,
                                                         const std::string& schema,
                                                         const std::string& table,
                                                         std::int64_t afterRowId,
                                                         const std::set<double>& passedOver) const {
    if (limits_.empty()) return std::nullopt;
    // The limits' columns start at `first`, after the rowid and, when rows are passed over, c901.
    const int first = passedOver.empty() ? 1 : 2;
    std::string columns = passedOver.empty() ? "" : ", c901";
    for (const FieldLimit& limit : limits_) columns += ", " + QuoteIdentifier(limit.column);
    RawStatement query(db, "SELECT rowid" + columns + " FROM " + QuoteIdentifier(schema) + "." +
                               QuoteIdentifier(table) + " WHERE rowid > ? ORDER BY rowid");
    sqlite3_stmt* row = query.Handle();
    sqlite3_bind_int64(row, 1, afterRowId);
    while (query.Step()) {
        if (first == 2 && passedOver.count(sqlite3_column_double(row, 1)) > 0) continue;
        for (std::size_t i = 0; i < limits_.size(); ++i) {
            const auto* codes = codeSetOf_[i] < 0 ? nullptr : &codeSets_[codeSetOf_[i]];
            if (!Within(limits_[i], row, static_cast<int>(i) + first, codes))
                return sqlite3_column_int64(row, 0);
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> FirstRowBreakingLimits(SQLite::Database& db, const std::string& table,
                                                   const std::vector<FieldLimit>& limits,
                                                   std::int64_t afterRowId) {
    return LimitJudge(db, limits).FirstBreakingRow(db, "main", table, afterRowId);
}

SuspendedInsertGuards::SuspendedInsertGuards(SQLite::Database& db) : db_(db) {
    for (const char* table : kGuardedTables) {
        const std::string name = std::string(table) + "_limits_insert";
        SQLite::Statement definition(
            db_, "SELECT sql FROM main.sqlite_master WHERE type = 'trigger' AND name = ?");
        definition.bind(1, name);
        if (!definition.executeStep()) continue;
        dropped_.emplace_back(name, definition.getColumn(0).getString());
    }
    for (const auto& [name, sql] : dropped_) db_.exec("DROP TRIGGER main." + QuoteIdentifier(name));
}

void SuspendedInsertGuards::Restore() {
    for (const auto& [name, sql] : dropped_) db_.exec(sql);
    dropped_.clear();
}

}  // namespace tallwick
