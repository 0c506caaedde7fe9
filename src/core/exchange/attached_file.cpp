#include "exchange/attached_file.h"
#include "store/database.h"

#include "common/ascii.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>

namespace tallwick::exchange {

AttachedFile::AttachedFile(SQLite::Database& db, const std::filesystem::path& file,
                           std::string schema)
    : db_(db), schema_(std::move(schema)) {
    SQLite::Statement attach(db_, "ATTACH DATABASE ? AS " + QuoteIdentifier(schema_));
    attach.bind(1, file.string());
    attach.exec();
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
