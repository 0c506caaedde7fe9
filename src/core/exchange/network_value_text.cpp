#include "exchange/network_value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tallwick::exchange {
namespace {

constexpr std::string_view kComma = ",";
constexpr std::string_view kFullWidthComma = "\xEF\xBC\x8C";   // U+FF0C
constexpr std::string_view kFullWidthHyphen = "\xEF\xBC\x8D";  // U+FF0D

void AppendInteger(std::int64_t value, std::string& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void AppendReplaced(std::string_view text, std::string_view from, std::string_view to,
                    std::string& out) {
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
        out.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    out.append(text);
}

}  // namespace

void AppendWholeNumber(double value, std::string& out) {
    // nearbyint rounds a half to even in the default rounding mode; + 0.0 turns -0 into 0.
    const double rounded = std::nearbyint(value) + 0.0;
    if (std::fabs(rounded) < 9.2e18) {
        AppendInteger(static_cast<std::int64_t>(rounded), out);
        return;
    }
    char digits[400];
    const int length = std::snprintf(digits, sizeof digits, "%.0f", rounded);
    out.append(digits, static_cast<std::size_t>(length));
}

void AppendDecimal(double value, std::string& out) {
    if (value == 0 || !std::isfinite(value)) {
        out.append(value == 0 ? "0" : std::isnan(value) ? "NAN" : value > 0 ? "INF" : "-INF");
        return;
    }
    // Correctly rounded to 15 significant digits: "-d.dddddddddddddde±x".
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    std::string_view text = buffer;
    const bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    const auto e = text.find('e');
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    exponent);

    if (negative) out.push_back('-');
    if (exponent < -5 || exponent >= 15) {
        out.push_back(digits[0]);
        if (digits.size() > 1) out.append(".").append(digits, 1);
        out.append("E");
        AppendInteger(exponent, out);
    } else if (exponent < 0) {
        out.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out.append(digits).append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole).append(".").append(digits, whole);
        }
    }
}

void AppendText(std::string_view text, std::string& out) {
    if (text.find(kComma) != std::string_view::npos) {
        AppendReplaced(text, kComma, kFullWidthComma, out);
    } else {
        AppendReplaced(text, kFullWidthHyphen, "-", out);
    }
}

void AppendValueText(sqlite3_value* value, int queryType, std::string& out) {
    const int type = sqlite3_value_type(value);
    switch (queryType) {
        case 0:
        case 3:
            if (type == SQLITE_INTEGER) {
                AppendInteger(sqlite3_value_int64(value), out);
            } else {
                AppendWholeNumber(type == SQLITE_NULL ? 0.0 : sqlite3_value_double(value), out);
            }
            return;
        case 1:
            if (type != SQLITE_NULL) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
                const auto size = static_cast<std::size_t>(sqlite3_value_bytes(value));
                if (text != nullptr) AppendText(std::string_view(text, size), out);
            }
            return;
        case 2:
            AppendDecimal(type == SQLITE_NULL ? 0.0 : sqlite3_value_double(value), out);
            return;
        default:
            return;
    }
}

}  // namespace tallwick::exchange
