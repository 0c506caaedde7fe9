#pragma once

#include "query/comparison.h"

#include <string>

namespace tallwick::query {

// What the indicator query dialog holds when "查  找" is pressed.
struct IndicatorSearch {
    std::string field;  // the picked indicator, such as z001
    Comparison op1 = Comparison::None;
    std::string number1;
    Comparison op2 = Comparison::None;
    std::string number2;
};

inline constexpr const char* kChooseIndicator = "请选择指标";
inline constexpr const char* kAtLeastOneCondition = "请至少输入一个条件";
inline constexpr const char* kC901TwelveDigits = "c901必须为12位";
inline constexpr const char* kNumberWithoutOperator1 = "请选择第一个条件的比较符号";
inline constexpr const char* kOperatorWithoutNumber1 = "请输入第一个条件的数值";
inline constexpr const char* kNumberWithoutOperator2 = "请选择第二个条件的比较符号";
inline constexpr const char* kOperatorWithoutNumber2 = "请输入第二个条件的数值";
inline constexpr const char* kSecondWithoutFirst = "请先输入第一个条件";
inline constexpr const char* kDigitsOnly = "条件的数值只能由数字组成";

// The condition text for the result list, such as "where z001>=10 and z001<50". A refused input
// throws ConditionError. Comparisons that the database could not run (an operator without its
// number, a number without its operator, the second comparison without the first) are refused
// here with a message of their own, so the user never sees an engine error.
std::string BuildIndicatorCondition(const IndicatorSearch& search);

}  // namespace tallwick::query
