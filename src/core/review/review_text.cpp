#include "review/review_text.h"

#include "common/number_text.h"
#include "locate/locate_fields.h"

#include <cmath>

namespace tallwick::review {
namespace {

// The power of ten that keeps two significant digits of `value` (at least 1).
double Step(double value) {
    if (value < 100) return 1;
    return std::pow(10.0, std::floor(std::log10(value)) - 1);
}

}  // namespace

double ShownLow(double low) {
    const double step = Step(low);
    return std::max(0.0, std::floor(low / step) * step);
}

double ShownHigh(double high) {
    const double step = Step(high);
    return std::ceil(high / step) * step;
}

std::string GroupedNumber(double value) {
    const std::string text = NumberText(value);
    const std::size_t digitsBegin = !text.empty() && text[0] == '-' ? 1 : 0;
    std::size_t digitsEnd = text.find('.');
    if (digitsEnd == std::string::npos) digitsEnd = text.size();
    std::string grouped = text.substr(0, digitsBegin);
    for (std::size_t i = digitsBegin; i < digitsEnd; ++i) {
        if (i > digitsBegin && (digitsEnd - i) % 3 == 0) grouped += ',';
        grouped += text[i];
    }
    return grouped + text.substr(digitsEnd);
}

std::string FindingText(const Finding& finding) {
    const std::string name(locate::LocateFields()[static_cast<std::size_t>(finding.field)].name);
    return name + " " + GroupedNumber(finding.value) + "，" +
           (finding.basis == Basis::Level ? "同层次" : "全部层次") + "一般为 " +
           GroupedNumber(ShownLow(finding.low)) + "–" + GroupedNumber(ShownHigh(finding.high));
}

}  // namespace tallwick::review
