#pragma once

#include "store/field_catalogue.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <string>
#include <string_view>
#include <vector>

namespace tallwick::query {

// One description per column of the statement, in column order: the column's name as field name
// and title, width 0, the SQL type text of its declared type, selected.
FieldDataArray DescribeColumns(SQLite::Statement& statement);

// The declared SQL type of a result column; empty for an expression, which has none.
std::string DeclaredType(SQLite::Statement& statement, int column);

// A column of a result list as it is shown: the result column it shows and its title.
struct ShownColumn {
    std::string fieldName;
    std::string title;
};

// The workbook export's description of a result list: one per shown column, in shown order,
// titled without the sort mark, typed by the column's declared type in `sql`, width 0, selected.
FieldDataArray ShownColumnsForExport(SQLite::Database& db, const std::string& sql,
                                     const std::vector<ShownColumn>& shown);

// A grid column's title as the export writes it: without the trailing sort mark "▲" or "▼".
std::string TitleWithoutSortMark(std::string_view title);

}  // namespace tallwick::query
