#include "sheet/formula_shift.h"

#include "sheet/cell_address.h"

#include <optional>

namespace tallwick::sheet {
namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '.' || c == '\\' || static_cast<unsigned char>(c) >= 0x80;
}

// "$12" or "12": the row number of a whole-row reference.
std::optional<int> RowOnly(std::string_view token) {
    if (!token.empty() && token.front() == '$') token.remove_prefix(1);
    if (token.empty() || token.size() > 7) return std::nullopt;
    int row = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        row = row * 10 + (c - '0');
    }
    return row > 0 ? std::optional<int>(row) : std::nullopt;
}

std::string WithRow(std::string_view token, int row) {
    std::size_t end = token.size();
    while (end > 0 && token[end - 1] >= '0' && token[end - 1] <= '9') --end;
    return std::string(token.substr(0, end)) + std::to_string(row);
}

// Copies a quoted run ('...' or "...", the quote doubled inside) and returns its end.
std::size_t QuotedEnd(std::string_view text, std::size_t start) {
    const char quote = text[start];
    std::size_t i = start + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

std::string Unquote(std::string_view quoted) {
    std::string name;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        name.push_back(quoted[i]);
        if (quoted[i] == '\'' && quoted[i + 1] == '\'') ++i;
    }
    return name;
}

}  // namespace

std::string ShiftRows(std::string_view formula, const RowInsertion& insertion) {
    std::string out;
    out.reserve(formula.size() + 8);
    std::optional<std::string> qualifier;  // the sheet named before "!", for the next reference
    bool keepQualifier = false;
    const auto shift = [&](int row) {
        return row >= insertion.atRow ? row + insertion.count : row;
    };
    const auto applies = [&] {
        return qualifier ? *qualifier == insertion.sheetName : insertion.unqualifiedOnSheet;
    };

    std::size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (!keepQualifier) qualifier.reset();
        keepQualifier = false;
        if (c == '"' || c == '\'') {
            const std::size_t end = QuotedEnd(formula, i);
            const std::string_view quoted = formula.substr(i, end - i);
            out += quoted;
            i = end;
            if (c == '\'' && i < formula.size() && formula[i] == '!') {
                qualifier = Unquote(quoted);
                out.push_back('!');
                ++i;
                keepQualifier = true;
            }
            continue;
        }
        if (c == '[') {
            const std::size_t end = formula.find(']', i);
            const std::size_t stop = end == std::string_view::npos ? formula.size() : end + 1;
            out += formula.substr(i, stop - i);
            i = stop;
            continue;
        }
        if (!IsNameChar(c)) {
            out.push_back(c);
            ++i;
            // The second end of a range belongs to the same sheet as the first.
            if (c == ':' && qualifier) keepQualifier = true;
            continue;
        }
        std::size_t end = i;
        while (end < formula.size() && IsNameChar(formula[end])) ++end;
        const std::string_view token = formula.substr(i, end - i);
        const char next = end < formula.size() ? formula[end] : '\0';
        i = end;
        if (next == '!') {
            qualifier = std::string(token);
            out += token;
            out.push_back('!');
            ++i;
            keepQualifier = true;
            continue;
        }
        if (next == '(') {  // a function name such as LOG10(
            out += token;
            continue;
        }
        if (const auto cell = ParseCellName(token); cell && applies()) {
            out += WithRow(token, shift(cell->row));
        } else if (const auto row = RowOnly(token); row && applies() && next == ':') {
            // A whole-row range such as 3:5 or $3:$5: both ends are row numbers.
            std::size_t secondEnd = end + 1;
            while (secondEnd < formula.size() && IsNameChar(formula[secondEnd])) ++secondEnd;
            const std::string_view second = formula.substr(end + 1, secondEnd - end - 1);
            if (const auto lastRow = RowOnly(second)) {
                out += WithRow(token, shift(*row));
                out.push_back(':');
                out += WithRow(second, shift(*lastRow));
                i = secondEnd;
            } else {
                out += token;
            }
        } else {
            out += token;
        }
        if (next == ':') keepQualifier = qualifier.has_value();
    }
    return out;
}

}  // namespace tallwick::sheet
