#pragma once

#include <string>
#include <string_view>

namespace tallwick::query {

// The operator pickers' codes: 0 is "nothing chosen yet".
enum class Comparison {
    None = 0,
    Equal = 1,
    Greater = 2,
    Less = 3,
    GreaterOrEqual = 4,
    LessOrEqual = 5
};

// "=", ">", "<", ">=", "<="; empty for None.
const char* ComparisonText(Comparison comparison);

// The connector picker of the code range search.
enum class Connector { And = 1, Or = 2 };

const char* ConnectorLabel(Connector connector);  // "和", "或"
const char* ConnectorSql(Connector connector);    // " AND ", " OR "

// The box's text without leading and trailing blanks.
std::string Trimmed(std::string_view text);

bool IsAllDigits(std::string_view text);

}  // namespace tallwick::query
