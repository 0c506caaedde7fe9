#pragma once

#include "query/comparison.h"

#include <SQLiteCpp/Database.h>

#include <optional>
#include <string>
#include <string_view>

namespace tallwick::query {

// What the code range search dialog holds; every show starts with "=", "和", "=".
struct CodeRangeSearch {
    Comparison op1 = Comparison::Equal;
    std::string number1;
    Connector connector = Connector::And;
    Comparison op2 = Comparison::Equal;
    std::string number2;
};

inline constexpr const char* kCodeDigitsOnly = "编号只能由数字组成";

// The condition text, such as "where c901>=100000000000 AND c901<=100000000099". With only the
// second box filled its operator stands alone. Refused inputs throw ConditionError.
std::string BuildCodeRangeCondition(const CodeRangeSearch& search);

inline constexpr const char* kCodeMustHaveTwelveDigits = "编码必须为12位";
inline constexpr const char* kNothingFound = "没有找到满足条件的数据";

// The code typed into the locate dialog as the value to look up in the record list; anything but
// twelve digits throws ConditionError(kCodeMustHaveTwelveDigits) with the focus on the option.
double LocateCodeValue(std::string_view text);

// The code of the first record whose name contains the trimmed text (an empty text matches every
// named record), or nothing. The text is bound, so quotes in it are plain characters.
std::optional<double> FindCodeByName(SQLite::Database& db, std::string_view namePart);

}  // namespace tallwick::query
