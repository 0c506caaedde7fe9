#pragma once

#include <string>

namespace tallwick {

// The shortest plain decimal text that reads back as the same number: whole numbers (codes among
// them) in full without a decimal point or exponent, others as short as is exact.
std::string NumberText(double value);

}  // namespace tallwick
