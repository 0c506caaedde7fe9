#pragma once

// What an answer is measured against in the review: most answers grow with the union, so they
// are judged as a rate of a count that says how big the union is (its size measure); answers
// without one are judged on their own scale.

#include "locate/locate_catalogue.h"

namespace tallwick::review {

// The LocateFieldIndex of the answer's size measure; -1 where the answer is judged on its own:
// the size measures themselves, averages and amounts that no count of the form scales.
int SizeMeasureOf(int field);

// Whether the review judges the answer at all: counts and amounts yes; coded answers (yes/no,
// one of a few codes) and cover fields no, since no size makes them more or less plausible.
bool Reviewed(int field, const locate::LocateCatalogue& catalogue);

}  // namespace tallwick::review
