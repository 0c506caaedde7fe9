#include "query/code_search.h"

#include "query/condition_error.h"
#include "query/indicator_condition.h"

#include <SQLiteCpp/Statement.h>

#include <cstdint>
#include <string>

namespace tallwick::query {
namespace {

// The numeric box's value in its shortest decimal form: "007" is 7.
std::string ShortestForm(const std::string& digits, ConditionFocus focus) {
    if (!IsAllDigits(digits) || digits.size() > 14) throw ConditionError(kCodeDigitsOnly, focus);
    return std::to_string(std::stoull(digits));
}

void RequireOperator(Comparison op, ConditionFocus focus) {
    if (op == Comparison::None) throw ConditionError("请选择比较符号", focus);
}

}  // namespace

std::string BuildCodeRangeCondition(const CodeRangeSearch& search) {
    const std::string number1 = Trimmed(search.number1);
    const std::string number2 = Trimmed(search.number2);
    if (number1.empty() && number2.empty())
        throw ConditionError(kAtLeastOneCondition, ConditionFocus::Number1);
    std::string condition = "where ";
    if (!number1.empty()) {
        RequireOperator(search.op1, ConditionFocus::Operator1);
        condition += "c901";
        condition += ComparisonText(search.op1);
        condition += ShortestForm(number1, ConditionFocus::Number1);
        if (!number2.empty()) {
            RequireOperator(search.op2, ConditionFocus::Operator2);
            condition += ConnectorSql(search.connector);
            condition += "c901";
            condition += ComparisonText(search.op2);
            condition += ShortestForm(number2, ConditionFocus::Number2);
        }
    } else {
        RequireOperator(search.op2, ConditionFocus::Operator2);
        condition += "c901";
        condition += ComparisonText(search.op2);
        condition += ShortestForm(number2, ConditionFocus::Number2);
    }
    return condition;
}

double LocateCodeValue(std::string_view text) {
    const std::string code(text);
    if (code.size() != 12 || !IsAllDigits(code))
        throw ConditionError(kCodeMustHaveTwelveDigits, ConditionFocus::CodeOption);
    return static_cast<double>(std::stoull(code));
}

std::optional<double> FindCodeByName(SQLite::Database& db, std::string_view namePart) {
    SQLite::Statement query(db, "SELECT c901 FROM dt_data WHERE c902 LIKE ?");
    query.bind(1, "%" + Trimmed(namePart) + "%");
    if (!query.executeStep()) return std::nullopt;
    return query.getColumn(0).getDouble();
}

}  // namespace tallwick::query
