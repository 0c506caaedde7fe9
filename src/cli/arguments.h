#pragma once

// Reading numbers and number lists from command-line arguments: the whole text must be the
// number, so "12x" or "" are refused rather than read in part.
#include <array>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tallwick::cli {

template <typename Number>
std::optional<Number> ParseExactly(std::string_view text) {
    Number value{};
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "1,3,7": every item a number; an empty text is an empty list.
template <typename Number>
std::optional<std::vector<Number>> ParseCommaList(std::string_view list) {
    std::vector<Number> numbers;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const auto number = ParseExactly<Number>(list.substr(0, comma));
        if (!number) return std::nullopt;
        numbers.push_back(*number);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return numbers;
}

// The lines 1 to N named by a comma list, ticked; any other item refuses the list.
template <std::size_t N>
std::optional<std::array<bool, N>> ParseTicks(std::string_view list) {
    const auto numbers = ParseCommaList<long long>(list);
    if (!numbers) return std::nullopt;
    std::array<bool, N> ticked{};
    for (const long long number : *numbers) {
        if (number < 1 || number > static_cast<long long>(N)) return std::nullopt;
        ticked[static_cast<std::size_t>(number - 1)] = true;
    }
    return ticked;
}

}  // namespace tallwick::cli
