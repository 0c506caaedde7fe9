#pragma once

#include "store/field_catalogue.h"

#include <SQLiteCpp/Statement.h>

#include <string>
#include <string_view>

namespace tallwick::query {

// One description per column of the statement, in column order: the column's name as field name
// and title, width 0, the SQL type text of its declared type, selected.
FieldDataArray DescribeColumns(SQLite::Statement& statement);

// The declared SQL type of a result column; empty for an expression, which has none.
std::string DeclaredType(SQLite::Statement& statement, int column);

// A grid column's title as the export writes it: without the trailing sort mark "▲" or "▼".
std::string TitleWithoutSortMark(std::string_view title);

}  // namespace tallwick::query
