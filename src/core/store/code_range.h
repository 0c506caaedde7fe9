#pragma once

#include <string>
#include <string_view>

namespace tallwick {

// A range of unit codes typed into two boxes ("从" and "到"), both bounds inclusive.
struct CodeRange {
    double low = 0;
    double high = 0;
    std::string highText;  // what the second box shows afterwards
};

// An empty box counts as 0, and a 0 bound is refused with UserError(missingMessage). An upper
// bound below the lower one takes the lower one's value and text, so the range is that one code.
CodeRange ParseCodeRange(std::string_view lowText, std::string_view highText,
                         const char* missingMessage);

// A bound written as SQL text: fixed point with two decimals.
std::string CodeBoundText(double bound);

}  // namespace tallwick
