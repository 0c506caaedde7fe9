#pragma once

#include <string_view>

namespace tallwick::entry {

// Whether a field applies to a union of `level`, by the catalogue's Rule text of the field:
// "in [a, b, ...]" tests membership (items 0..255 count; a level above 255 is never a member),
// otherwise a leading operator of <, = and > characters compares with the integer after it.
// An unknown operator, a missing one or a number that is not an integer gives false.
bool EvaluateLevelRule(int level, std::string_view rule);

}  // namespace tallwick::entry
