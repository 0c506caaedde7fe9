#include "exchange/attached_file.h"
#include "store/database.h"

#include "common/ascii.h"
#include "common/user_error.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

namespace tallwick::exchange {
namespace {

// The file as a URI that opens it for reading only; every byte but the plainest is escaped, so
// that no "?", "#" or "%" in a name is taken for part of the URI.
std::string ReadOnlyUri(const std::filesystem::path& file) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : std::filesystem::absolute(file).lexically_normal().string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri + "?mode=ro";
}

}  // namespace

AttachedFile::AttachedFile(SQLite::Database& db, const std::filesystem::path& file,
                           std::string schema, Access access)
    : db_(db), schema_(std::move(schema)) {
    const bool readOnly = access == Access::ReadOnly;
    SQLite::Statement attach(db_, "ATTACH DATABASE ? AS " + QuoteIdentifier(schema_));
    attach.bind(1, readOnly ? ReadOnlyUri(file) : PlainFileName(file));
    try {
        attach.exec();
    } catch (const SQLite::Exception& error) {
        if (error.getExtendedErrorCode() != SQLITE_READONLY_ROLLBACK) throw;
        throw UserError("文件“" + file.string() + "”旁边有未完成的日志文件“" + file.string() +
                        "-journal”，读取时会改变该文件，不能使用，该文件没有任何改变。");
    }
    // A connection that does not read URIs would have attached a new file of that name instead.
    if (readOnly && sqlite3_db_readonly(db_.getHandle(), schema_.c_str()) != 1) {
        db_.exec("DETACH DATABASE " + QuoteIdentifier(schema_));
        throw std::logic_error("a connection without URI file names cannot attach read-only");
    }
}

AttachedFile::~AttachedFile() {
    try {
        db_.exec("DETACH DATABASE " + QuoteIdentifier(schema_));
    } catch (const SQLite::Exception&) {
        // Only a statement still running keeps it attached; the connection's end releases it.
    }
}

bool HasTable(SQLite::Database& db, const std::string& schema, const std::string& table) {
    SQLite::Statement query(db, "SELECT count(*) FROM " + QuoteIdentifier(schema) +
                                    ".sqlite_master WHERE type = 'table' AND lower(name) = ?");
    query.bind(1, AsciiLower(table));
    query.executeStep();
    return query.getColumn(0).getInt() > 0;
}

std::vector<std::string> TableColumns(SQLite::Database& db, const std::string& schema,
                                      const std::string& table) {
    SQLite::Statement query(db, "SELECT name FROM pragma_table_info(?, ?) ORDER BY cid");
    query.bind(1, table);
    query.bind(2, schema);
    std::vector<std::string> columns;
    while (query.executeStep()) columns.push_back(query.getColumn(0).getString());
    return columns;
}

std::string ColumnList(const std::vector<std::string>& columns) {
    std::string list;
    for (const auto& column : columns) list += (list.empty() ? "" : ", ") + QuoteIdentifier(column);
    return list;
}

namespace {

std::vector<std::string> LowerSorted(const std::vector<std::string>& names) {
    std::vector<std::string> lower;
    for (const auto& name : names) lower.push_back(AsciiLower(name));
    std::sort(lower.begin(), lower.end());
    return lower;
}

}  // namespace

void CopyRows(SQLite::Database& db, const TableRef& from, const TableRef& to,
              const std::string& where) {
    const auto target = TableColumns(db, to.schema, to.table);
    const auto source = TableColumns(db, from.schema, from.table);
    if (source.empty()) throw SQLite::Exception("no such table: " + from.schema + "." + from.table);
    if (LowerSorted(source) != LowerSorted(target)) {
        throw SQLite::Exception("the columns of " + from.schema + "." + from.table +
                                " do not fit " + to.schema + "." + to.table);
    }
    const std::string columns = ColumnList(target);
    db.exec("INSERT INTO " + QuoteIdentifier(to.schema) + "." + QuoteIdentifier(to.table) + " (" +
            columns + ") SELECT " + columns + " FROM " + QuoteIdentifier(from.schema) + "." +
            QuoteIdentifier(from.table) + (where.empty() ? "" : " WHERE " + where));
}

}  // namespace tallwick::exchange
