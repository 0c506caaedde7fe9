#include "check/check_scope.h"

#include "check/check_report.h"
#include "store/code_range.h"

namespace tallwick::check {

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
            return " where c907<=2 and dt_data.c901>=" + CodeBoundText(scope.low) +
                   " and dt_data.c901<=" + CodeBoundText(scope.high);
    }
    return {};
}

RangeEntry ParseRangeEntry(std::string_view lowText, std::string_view highText) {
    const CodeRange range = ParseCodeRange(lowText, highText, kRangeMissing);
    return {CheckScope::Range(range.low, range.high), range.highText};
}

}  // namespace tallwick::check
