#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace tallwick {

// Lower case of ASCII letters only; the database matches table and column names this way.
inline std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace tallwick
