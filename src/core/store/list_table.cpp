#include "store/list_table.h"
#include "store/database.h"

#include "common/ascii.h"

#include <sqlite3.h>

#include <bit>
#include <charconv>
#include <map>

namespace tallwick {
namespace {

int KindRank(ListTable::Kind kind) {
    switch (kind) {
        case ListTable::Kind::Null:
            return 0;
        case ListTable::Kind::Integer:
        case ListTable::Kind::Real:
            return 1;
        case ListTable::Kind::Text:
            return 2;
    }
    return 0;
}

}  // namespace

ListTable ListTable::Read(SQLite::Statement& query) {
    ListTable table;
    table.columns_.resize(query.getColumnCount());
    while (query.executeStep()) {
        for (int c = 0; c < table.ColumnCount(); ++c) {
            Column& column = table.columns_[c];
            const SQLite::Column value = query.getColumn(c);
            switch (value.getType()) {
                case SQLITE_INTEGER:
                    column.kinds.push_back(Kind::Integer);
                    column.values.push_back(static_cast<std::uint64_t>(value.getInt64()));
                    break;
                case SQLITE_FLOAT:
                    column.kinds.push_back(Kind::Real);
                    column.values.push_back(std::bit_cast<std::uint64_t>(value.getDouble()));
                    break;
                case SQLITE_NULL:
                    column.kinds.push_back(Kind::Null);
                    column.values.push_back(0);
                    break;
                default: {
                    // Blobs show as their bytes; the record tables hold none.
                    const char* text = value.getText();
                    const auto length = static_cast<std::uint64_t>(value.getBytes());
                    column.kinds.push_back(Kind::Text);
                    column.values.push_back(static_cast<std::uint64_t>(column.texts.size()) << 32 |
                                            length);
                    column.texts.append(text, length);
                }
            }
        }
        ++table.rows_;
    }
    for (Column& column : table.columns_) {
        column.kinds.shrink_to_fit();
        column.values.shrink_to_fit();
        column.texts.shrink_to_fit();
    }
    return table;
}

double ListTable::NumberAt(int row, int column) const {
    const std::uint64_t slot = columns_[column].values[row];
    switch (KindAt(row, column)) {
        case Kind::Integer:
            return static_cast<double>(static_cast<std::int64_t>(slot));
        case Kind::Real:
            return std::bit_cast<double>(slot);
        default:
            return 0;
    }
}

std::string_view ListTable::RawTextAt(int row, int column) const {
    if (KindAt(row, column) != Kind::Text) return {};
    const Column& col = columns_[column];
    const std::uint64_t slot = col.values[row];
    return std::string_view(col.texts).substr(slot >> 32, slot & 0xffffffffu);
}

std::string ListTable::TextAt(int row, int column) const {
    const std::uint64_t slot = columns_[column].values[row];
    switch (KindAt(row, column)) {
        case Kind::Null:
            return {};
        case Kind::Integer:
            return std::to_string(static_cast<std::int64_t>(slot));
        case Kind::Real: {
            const double value = std::bit_cast<double>(slot);
            if (value == 0) return "0";  // not "-0"
            char buffer[400];            // the longest fixed double is about 330 characters
            const auto result =
                std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
            return std::string(buffer, result.ptr);
        }
        case Kind::Text:
            return std::string(RawTextAt(row, column));
    }
    return {};
}

int ListTable::Compare(int column, int rowA, int rowB) const {
    const Kind a = KindAt(rowA, column);
    const Kind b = KindAt(rowB, column);
    if (KindRank(a) != KindRank(b)) return KindRank(a) - KindRank(b);
    if (a == Kind::Null) return 0;
    if (a == Kind::Text) return RawTextAt(rowA, column).compare(RawTextAt(rowB, column));
    if (a == Kind::Integer && b == Kind::Integer) {
        const auto x = static_cast<std::int64_t>(columns_[column].values[rowA]);
        const auto y = static_cast<std::int64_t>(columns_[column].values[rowB]);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    const double x = NumberAt(rowA, column);
    const double y = NumberAt(rowB, column);
    return x < y ? -1 : (y < x ? 1 : 0);
}

void ListTable::ReplaceRow(int row, const ListTable& source, int sourceRow) {
    for (int c = 0; c < ColumnCount(); ++c) {
        Column& column = columns_[c];
        const Kind kind = source.KindAt(sourceRow, c);
        column.kinds[row] = kind;
        if (kind != Kind::Text) {
            column.values[row] = source.columns_[c].values[sourceRow];
            continue;
        }
        // The old text stays unused in the pool; edits are few against a list's size.
        const std::string_view text = source.RawTextAt(sourceRow, c);
        column.values[row] = static_cast<std::uint64_t>(column.texts.size()) << 32 | text.size();
        column.texts.append(text);
    }
}

RecordListColumns ResolveRecordListColumns(SQLite::Database& db,
                                           const std::vector<std::string>& columnNames) {
    std::map<std::string, std::string> viewColumns;  // lower-case name -> name as the view has it
    SQLite::Statement info(db, "SELECT name FROM pragma_table_info('view_data_all')");
    while (info.executeStep()) {
        const std::string name = info.getColumn(0).getString();
        viewColumns.emplace(AsciiLower(name), name);
    }
    RecordListColumns columns;
    for (const std::string& name : columnNames) {
        const auto found = viewColumns.find(AsciiLower(name));
        if (found == viewColumns.end()) {
            columns.columnOf.push_back(-1);
            continue;
        }
        columns.selected.push_back(found->second);
        columns.columnOf.push_back(static_cast<int>(columns.selected.size()));
    }
    return columns;
}

namespace {

std::string SelectRecordList(const RecordListColumns& columns, const std::string& rowSource) {
    std::string sql = "SELECT c901";
    for (const std::string& name : columns.selected) sql += ", " + QuoteIdentifier(name);
    sql += rowSource.empty() ? " FROM view_data_all" : " FROM (" + rowSource + ")";
    return sql;
}

}  // namespace

ListTable ReadRecordList(SQLite::Database& db, const RecordListColumns& columns,
                         const std::string& rowSource) {
    SQLite::Statement query(db, SelectRecordList(columns, rowSource) + " ORDER BY c901 ASC");
    return ListTable::Read(query);
}

ListTable ReadRecordListRows(SQLite::Database& db, const RecordListColumns& columns,
                             const std::vector<double>& codes, const std::string& rowSource) {
    if (codes.empty()) {
        SQLite::Statement none(db, SelectRecordList(columns, rowSource) + " LIMIT 0");
        return ListTable::Read(none);
    }
    std::string sql = SelectRecordList(columns, rowSource) + " WHERE c901 IN (?";
    for (size_t i = 1; i < codes.size(); ++i) sql += ", ?";
    sql += ") ORDER BY c901 ASC";
    SQLite::Statement query(db, sql);
    for (size_t i = 0; i < codes.size(); ++i) query.bind(static_cast<int>(i) + 1, codes[i]);
    return ListTable::Read(query);
}

RecordListData ReadRecordList(SQLite::Database& db, const std::vector<std::string>& columnNames,
                              const std::string& rowSource) {
    RecordListColumns columns = ResolveRecordListColumns(db, columnNames);
    return {ReadRecordList(db, columns, rowSource), std::move(columns.columnOf)};
}

}  // namespace tallwick
