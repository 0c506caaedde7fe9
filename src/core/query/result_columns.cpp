#include "query/result_columns.h"

#include "common/ascii.h"
#include "query/column_kind.h"

#include <SQLiteCpp/Exception.h>

#include <map>

namespace tallwick::query {

std::string DeclaredType(SQLite::Statement& statement, int column) {
    try {
        return statement.getColumnDeclaredType(column);
    } catch (const SQLite::Exception&) {
        return {};  // an expression has no declared type
    }
}

FieldDataArray DescribeColumns(SQLite::Statement& statement) {
    FieldDataArray columns;
    for (int i = 0; i < statement.getColumnCount(); ++i) {
        FieldData column;
        column.fieldName = statement.getColumnName(i);
        column.title = column.fieldName;
        column.typeText = SqlTypeText(DeclaredType(statement, i));
        column.selected = true;
        columns.push_back(std::move(column));
    }
    return columns;
}

FieldDataArray ShownColumnsForExport(SQLite::Database& db, const std::string& sql,
                                     const std::vector<ShownColumn>& shown) {
    SQLite::Statement statement(db, sql);
    std::map<std::string, int> indexOf;  // lower-case name -> result column
    for (int i = 0; i < statement.getColumnCount(); ++i)
        indexOf.emplace(AsciiLower(statement.getColumnName(i)), i);
    FieldDataArray columns;
    for (const ShownColumn& column : shown) {
        // A catalogue column the result lacks shows empty and has nothing to export.
        const auto found = indexOf.find(AsciiLower(column.fieldName));
        if (found == indexOf.end()) continue;
        FieldData field;
        field.fieldName = column.fieldName;
        field.title = TitleWithoutSortMark(column.title);
        field.typeText = SqlTypeText(DeclaredType(statement, found->second));
        field.width = 0;
        field.selected = true;
        columns.push_back(std::move(field));
    }
    return columns;
}

std::string TitleWithoutSortMark(std::string_view title) {
    for (const std::string_view mark : {"▲", "▼"}) {
        if (title.size() >= mark.size() && title.substr(title.size() - mark.size()) == mark)
            return std::string(title.substr(0, title.size() - mark.size()));
    }
    return std::string(title);
}

}  // namespace tallwick::query
