#include "query/column_kind.h"

#include "common/ascii.h"

#include <string>

namespace tallwick::query {
namespace {

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

ColumnKind KindOfDeclaredType(std::string_view declaredType) {
    const std::string type = AsciiLower(declaredType);
    if (type.empty()) return ColumnKind::Other;
    if (Has(type, "bool") || type == "bit" || Has(type, "yesno")) return ColumnKind::Boolean;
    if (Has(type, "datetime") || Has(type, "timestamp")) return ColumnKind::DateTime;
    if (Has(type, "date")) return ColumnKind::Date;
    if (Has(type, "time")) return ColumnKind::Time;
    if (Has(type, "int")) return ColumnKind::Integer;
    if (Has(type, "char") || Has(type, "text") || Has(type, "clob") || Has(type, "memo"))
        return ColumnKind::Text;
    if (Has(type, "blob") || Has(type, "binary")) return ColumnKind::Bytes;
    if (Has(type, "real") || Has(type, "floa") || Has(type, "doub") || Has(type, "currency") ||
        Has(type, "money") || Has(type, "decimal") || Has(type, "numeric"))
        return ColumnKind::Floating;
    return ColumnKind::Other;
}

std::string SqlTypeText(std::string_view declaredType) {
    switch (KindOfDeclaredType(declaredType)) {
        case ColumnKind::Text: {
            const std::string type(declaredType);
            const auto open = type.find('(');
            const auto close = type.find(')', open == std::string::npos ? 0 : open);
            if (open != std::string::npos && close != std::string::npos && close > open + 1)
                return "VARCHAR(" + type.substr(open + 1, close - open - 1) + ")";
            return "VARCHAR(255)";
        }
        case ColumnKind::Integer:
            return "INTEGER";
        case ColumnKind::Floating:
            return "DOUBLE";
        case ColumnKind::Date:
        case ColumnKind::DateTime:
            return "DATE";
        case ColumnKind::Boolean:
            return "BIT";
        case ColumnKind::Time:
        case ColumnKind::Bytes:
        case ColumnKind::Other:
            break;
    }
    return std::string(declaredType);
}

}  // namespace tallwick::query
