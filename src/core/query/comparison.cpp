#include "query/comparison.h"

#include <algorithm>

namespace tallwick::query {

const char* ComparisonText(Comparison comparison) {
    switch (comparison) {
        case Comparison::Equal:
            return "=";
        case Comparison::Greater:
            return ">";
        case Comparison::Less:
            return "<";
        case Comparison::GreaterOrEqual:
            return ">=";
        case Comparison::LessOrEqual:
            return "<=";
        case Comparison::None:
            break;
    }
    return "";
}

const char* ConnectorLabel(Connector connector) {
    return connector == Connector::Or ? "或" : "和";
}

const char* ConnectorSql(Connector connector) {
    return connector == Connector::Or ? " OR " : " AND ";
}

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool IsAllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace tallwick::query
