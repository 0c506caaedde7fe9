#include "query/result_columns.h"

#include "query/column_kind.h"

#include <SQLiteCpp/Exception.h>

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

std::string TitleWithoutSortMark(std::string_view title) {
    for (const std::string_view mark : {"▲", "▼"}) {
        if (title.size() >= mark.size() && title.substr(title.size() - mark.size()) == mark)
            return std::string(title.substr(0, title.size() - mark.size()));
    }
    return std::string(title);
}

}  // namespace tallwick::query
