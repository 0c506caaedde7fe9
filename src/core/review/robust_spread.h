#pragma once

// A robust centre and spread of a sample: the median and the median absolute deviation, which a
// few wild values (the very slips the review looks for) cannot drag.

#include <span>

namespace tallwick::review {

struct RobustSpread {
    double median = 0;
    double spread = 0;  // 1.4826 × MAD: the standard deviation where the sample is normal
};

// Reorders `sample`, which must not be empty.
RobustSpread MedianAndSpread(std::span<double> sample);

}  // namespace tallwick::review
