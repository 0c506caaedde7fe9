#pragma once

#include <string>
#include <string_view>

namespace tallwick::query {

// What a result column holds, read from its declared SQL type; it decides the number format and
// the cell text of the exports.
enum class ColumnKind { Text, Boolean, Time, Bytes, Date, DateTime, Floating, Integer, Other };

ColumnKind KindOfDeclaredType(std::string_view declaredType);

// The column type of an export column description and of the database export: "VARCHAR(n)" for
// text (n from the declared type, else 255), "INTEGER", "DOUBLE", "DATE"; booleans "BIT", and any
// other kind keeps its declared type (or none), so no column borrows its neighbour's type.
std::string SqlTypeText(std::string_view declaredType);

}  // namespace tallwick::query
