#pragma once

// How the review shows a judged answer to people: "x008 4,500，同层次一般为 120–900".

#include "review/plausibility_review.h"

#include <string>

namespace tallwick::review {

// The bounds of the expected range as they are shown: rounded outwards to two significant
// digits from 100 up, to whole numbers below (the range is a rough guide, not a limit).
double ShownLow(double low);
double ShownHigh(double high);

// "4,500": with thousands separators, decimals only where the value has them.
std::string GroupedNumber(double value);

// "x008 4,500，同层次一般为 120–900"; "全部层次一般为" where the record's level had too few
// records and every level's stand in.
std::string FindingText(const Finding& finding);

}  // namespace tallwick::review
