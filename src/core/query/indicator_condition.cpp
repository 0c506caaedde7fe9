#include "query/indicator_condition.h"

#include "query/condition_error.h"

#include <algorithm>

namespace tallwick::query {
namespace {

// The field name goes into SQL text, so only a plain column name is accepted.
bool IsColumnName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

void CheckComparison(Comparison op, const std::string& number, const char* numberMissing,
                     const char* operatorMissing, ConditionFocus numberFocus,
                     ConditionFocus operatorFocus) {
    if (op != Comparison::None && number.empty()) throw ConditionError(numberMissing, numberFocus);
    if (op == Comparison::None && !number.empty())
        throw ConditionError(operatorMissing, operatorFocus);
    if (!number.empty() && !IsAllDigits(number)) throw ConditionError(kDigitsOnly, numberFocus);
}

}  // namespace

std::string BuildIndicatorCondition(const IndicatorSearch& search) {
    const std::string field = Trimmed(search.field);
    if (!IsColumnName(field)) throw ConditionError(kChooseIndicator, ConditionFocus::Field);
    const std::string number1 = Trimmed(search.number1);
    const std::string number2 = Trimmed(search.number2);
    if (number1.empty() && number2.empty())
        throw ConditionError(kAtLeastOneCondition, ConditionFocus::Number1);
    if (field == "c901") {
        if (!number1.empty() && number1.size() != 12)
            throw ConditionError(kC901TwelveDigits, ConditionFocus::Number1);
        if (!number2.empty() && number2.size() != 12)
            throw ConditionError(kC901TwelveDigits, ConditionFocus::Number2);
    }
    CheckComparison(search.op1, number1, kOperatorWithoutNumber1, kNumberWithoutOperator1,
                    ConditionFocus::Number1, ConditionFocus::Operator1);
    CheckComparison(search.op2, number2, kOperatorWithoutNumber2, kNumberWithoutOperator2,
                    ConditionFocus::Number2, ConditionFocus::Operator2);
    if (search.op1 == Comparison::None)
        throw ConditionError(kSecondWithoutFirst, ConditionFocus::Operator1);

    std::string condition = "where " + field + ComparisonText(search.op1) + number1;
    if (search.op2 != Comparison::None)
        condition += " and " + field + ComparisonText(search.op2) + number2;
    return condition;
}

}  // namespace tallwick::query
