#include "store/code_range.h"

#include "common/user_error.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tallwick {
namespace {

// The boxes take digits only; anything unreadable counts as 0.
double ReadBound(std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = result.ec == std::errc() && result.ptr == text.data() + text.size();
    // "nan" and "inf" read as numbers but bound no range and must never reach the SQL.
    return whole && std::isfinite(value) ? value : 0;
}

}  // namespace

CodeRange ParseCodeRange(std::string_view lowText, std::string_view highText,
                         const char* missingMessage) {
    CodeRange range{ReadBound(lowText), ReadBound(highText), std::string(highText)};
    if (range.low == 0 || range.high == 0) throw UserError(missingMessage);
    if (range.high < range.low) {
        range.high = range.low;
        range.highText = lowText;
    }
    return range;
}

std::string CodeBoundText(double bound) {
    char text[400];
    std::snprintf(text, sizeof text, "%.2f", bound);
    return text;
}

}  // namespace tallwick
