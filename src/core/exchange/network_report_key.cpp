#include "exchange/network_report.h"

#include <array>
#include <utility>

namespace tallwick::exchange {
namespace {

// Stored apart from the key itself, so the key text never appears in the program as a whole.
constexpr std::array<char, 16> kSeed = {'Q', '7', 'x', 'M', 'p', '2', 'L', 'k',
                                        '9', 'R', 't', '4', 'V', 'w', '8', 'N'};

struct Step {
    bool swap;  // swap positions a and b, else put `letter` at position a
    std::size_t a;
    std::size_t b;
    char letter;
};

// Fixed for good: the network version reads only files made with the key this gives.
constexpr std::array<Step, 10> kSteps = {{
    {true, 0, 15, 0},
    {false, 2, 0, 'h'},
    {true, 4, 11, 0},
    {false, 7, 0, '3'},
    {true, 6, 13, 0},
    {false, 10, 0, 'Z'},
    {true, 1, 9, 0},
    {false, 14, 0, 'e'},
    {true, 3, 12, 0},
    {false, 5, 0, 'T'},
}};

}  // namespace

std::string NetworkReportKey() {
    std::string key(kSeed.begin(), kSeed.end());
    for (const Step& step : kSteps) {
        if (step.swap) {
            std::swap(key[step.a], key[step.b]);
        } else {
            key[step.a] = step.letter;
        }
    }
    return key;
}

}  // namespace tallwick::exchange
