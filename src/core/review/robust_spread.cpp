#include "review/robust_spread.h"

#include <algorithm>
#include <cmath>

namespace tallwick::review {
namespace {

// The median by selection, O(n): the lower middle and, for an even size, the smallest value
// above it (the largest of the lower half is the greatest before the middle).
double Median(std::span<double> sample) {
    const std::size_t middle = sample.size() / 2;
    std::nth_element(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(middle),
                     sample.end());
    const double upper = sample[middle];
    if (sample.size() % 2) return upper;
    const double lower =
        *std::max_element(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
}

constexpr double kNormalScale = 1.4826;

}  // namespace

RobustSpread MedianAndSpread(std::span<double> sample) {
    RobustSpread result;
    result.median = Median(sample);
    for (double& value : sample) value = std::abs(value - result.median);
    result.spread = kNormalScale * Median(sample);
    return result;
}

}  // namespace tallwick::review
