#include "entry/level_rule.h"

#include <charconv>
#include <optional>
#include <set>
#include <string>

namespace tallwick::entry {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::optional<long long> ParseInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || text.empty()) return std::nullopt;
    return value;
}

bool IsMember(int level, std::string_view rule) {
    const auto open = rule.find('[');
    std::string_view inner =
        open == std::string_view::npos ? std::string_view{} : Trim(rule.substr(open + 1));
    const auto close = inner.rfind(']');
    if (close != std::string_view::npos) inner = Trim(inner.substr(0, close));
    std::set<int> members;
    std::size_t pos = 0;
    while (pos <= inner.size()) {
        const auto next = inner.find_first_of(", ", pos);
        const std::string_view item =
            inner.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos);
        if (const auto value = ParseInteger(item); value && *value >= 0 && *value <= 255) {
            members.insert(static_cast<int>(*value));
        }
        if (next == std::string_view::npos) break;
        pos = next + 1;
    }
    return level >= 0 && level <= 255 && members.contains(level);
}

}  // namespace

bool EvaluateLevelRule(int level, std::string_view rule) {
    if (rule.find("in") != std::string_view::npos) return IsMember(level, rule);
    const auto end = rule.find_first_not_of("<=>");
    const std::string_view op = rule.substr(0, end);
    const auto number =
        ParseInteger(Trim(end == std::string_view::npos ? std::string_view{} : rule.substr(end)));
    if (!number) return false;
    const long long l = level;
    const long long n = *number;
    if (op == ">") return l > n;
    if (op == "=") return l == n;
    if (op == "<") return l < n;
    if (op == ">=") return l >= n;
    if (op == "<=") return l <= n;
    if (op == "<>") return l != n;
    return false;
}

}  // namespace tallwick::entry
