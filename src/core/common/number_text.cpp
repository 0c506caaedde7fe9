#include "common/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tallwick {

std::string NumberText(double value) {
    char text[400];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    // %g may choose an exponent; whole numbers are shown in full.
    if (std::string(text).find('e') != std::string::npos && value == std::floor(value))
        std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

}  // namespace tallwick
