#include "check/check_scope.h"

#include "check/check_report.h"
#include "common/user_error.h"

#include <charconv>
#include <cstdio>

namespace tallwick::check {
namespace {

std::string FixedTwoDecimals(double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

// The boxes accept digits only; anything else reads as 0, as an unreadable number would.
double ReadBound(std::string_view text) {
    if (text.empty()) return 0;
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() ? value : 0;
}

}  // namespace

std::string CheckCondition(const CheckScope& scope) {
    switch (scope.kind) {
        case CheckScope::Kind::All:
            return " where c907<=2";
        case CheckScope::Kind::One:
            return " where dt_data.c901=" + FormatUnitCode(scope.codes.at(0)) + " and c907<=2";
        case CheckScope::Kind::Selection: {
            std::string list;
            for (double code : scope.codes)
                list += (list.empty() ? "" : ",") + FormatUnitCode(code);
            return " where dt_data.c901  in (" + list + ")" + " and c907<=2";
        }
        case CheckScope::Kind::Range:
            return " where c907<=2 and dt_data.c901>=" + FixedTwoDecimals(scope.low) +
                   " and dt_data.c901<=" + FixedTwoDecimals(scope.high);
    }
    return {};
}

RangeEntry ParseRangeEntry(std::string_view lowText, std::string_view highText) {
    const double low = ReadBound(lowText);
    double high = ReadBound(highText);
    if (low == 0 || high == 0) throw UserError(kRangeMissing);
    std::string shownHigh(highText);
    if (high < low) {
        high = low;
        shownHigh = lowText;
    }
    return {CheckScope::Range(low, high), shownHigh};
}

}  // namespace tallwick::check
