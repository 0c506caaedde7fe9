#include "check/rule_table.h"

#include "common/ascii.h"

#include "check/message_parse.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace tallwick::check {
namespace {

constexpr std::string_view kDelimiters = " ()*+-/<=>";

bool IsDelimiter(char c) {
    return kDelimiters.find(c) != std::string_view::npos;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsLogicalWord(std::string_view word) {
    const std::string lower = AsciiLower(word);
    return lower == "and" || lower == "or" || lower == "not";
}

// Explicit rather than std::nearbyint, which follows whatever rounding mode the process has set.
double RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) return lower + 1;
    if (fraction < 0.5) return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::string WholeNumberText(std::string_view name, double value) {
    if (!std::isfinite(value)) {
        throw std::invalid_argument("control " + std::string(name) + " holds no number");
    }
    const double rounded = RoundHalfEven(value) + 0.0;  // + 0.0 turns -0 into 0
    if (std::fabs(rounded) < 9e18) return std::to_string(static_cast<std::int64_t>(rounded));
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", rounded);
    return text;
}

void AppendReplacement(std::string& out, std::string_view word, const ValueSource& values,
                       UserNotifier& notifier) {
    if (IsLogicalWord(word)) {
        out += word;
        return;
    }
    const std::optional<double> value = values.Value(word);
    if (!value) {
        notifier.ShowMessage("Control name parse error : " + std::string(word));
        return;
    }
    const std::string text = WholeNumberText(word, *value);
    // "a-b" with b negative would read "a--5", and SQLite takes "--" for the start of a comment
    // that silently swallows the rest of the statement.
    if (!out.empty() && out.back() == '-' && text.front() == '-') out += ' ';
    out += text;
}

// Resets the page statement however the page ends, so no read stays open on dt_logic.
class ResetOnExit {
  public:
    explicit ResetOnExit(SQLite::Statement& statement) : statement_(statement) {}
    ~ResetOnExit() { statement_.tryReset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

  private:
    SQLite::Statement& statement_;
};

}  // namespace

std::string SubstituteControls(std::string_view expression, const ValueSource& values,
                               UserNotifier& notifier) {
    std::string out;
    std::string word;
    bool inWord = false;
    for (const char c : expression) {
        if (IsDelimiter(c)) {
            if (inWord) {
                AppendReplacement(out, word, values, notifier);
                word.clear();
                inWord = false;
            }
            out += c;
        } else if (IsAsciiLetter(c)) {
            word += c;
            inWord = true;
        } else if (inWord) {
            word += c;
        } else {
            out += c;
        }
    }
    if (!word.empty()) AppendReplacement(out, word, values, notifier);
    return out;
}

bool EvaluateExpression(SQLite::Database& db, std::string_view expression,
                        const ValueSource& values, UserNotifier& notifier) {
    SQLite::Statement query(
        db, "select " + SubstituteControls(expression, values, notifier) + " as rt");
    if (!query.executeStep()) throw std::runtime_error("the expression gave no value");
    const SQLite::Column rt = query.getColumn("rt");
    if (rt.isNull()) throw std::runtime_error("the expression has no defined value");
    return rt.getDouble() == 1.0;
}

RuleTable::RuleTable(SQLite::Database& db, const ValueSource& values, MessageList& list,
                     UserNotifier& notifier)
    : db_(db),
      values_(values),
      list_(list),
      notifier_(notifier),
      hints_(FieldHints::Load(db)),
      pageRules_(db,
                 "select expression, rule, explain, focus from dt_logic where page_id = ? "
                 "order by id") {}

void RuleTable::CheckPageRules(int page, bool clearFirst) {
    if (page < kFirstPage || page > kLastPage) return;
    if (clearFirst) list_.ClearMessages();
    CheckRows(page);
    if (!list_.HasNoMessages()) list_.ShowList();
}

void RuleTable::CheckAllPages() {
    CheckPageRules(kFirstPage, true);
    for (int page = kFirstPage + 1; page <= kLastPage; ++page) CheckPageRules(page, false);
}

void RuleTable::CheckRows(int page) {
    const ResetOnExit reset(pageRules_);
    pageRules_.bind(1, page);
    while (pageRules_.executeStep()) {
        const std::string expression = pageRules_.getColumn(0).getString();
        try {
            if (EvaluateExpression(db_, expression, values_, notifier_)) {
                list_.AddMessage({pageRules_.getColumn(1).getString(),
                                  Parse(pageRules_.getColumn(2).getString(), hints_), page,
                                  pageRules_.getColumn(3).getString()});
            }
        } catch (const std::exception&) {
            notifier_.ShowMessage(expression);
            return;
        }
    }
}

StoredRecordValues::StoredRecordValues(SQLite::Database& db, double code)
    : query_(db,
             "select * from dt_data join dt_data1 on dt_data1.c901 = dt_data.c901 "
             "where dt_data.c901 = ?") {
    Read(code);
}

void StoredRecordValues::Read(double code) {
    const ResetOnExit reset(query_);
    query_.bind(1, code);
    if (!query_.executeStep()) throw std::runtime_error("no stored record has this code");
    columns_.clear();
    for (int i = 0; i < query_.getColumnCount(); ++i) {
        const SQLite::Column column = query_.getColumn(i);
        const bool numeric = AsciiLower(query_.getColumnDeclaredType(i)) != "text";
        // Both tables carry c901; the first is as good as the second.
        columns_.emplace(AsciiLower(query_.getColumnName(i)),
                         Column{numeric, column.isNull() ? 0.0 : column.getDouble()});
    }
}

std::optional<double> StoredRecordValues::Value(std::string_view name) const {
    const auto found = columns_.find(AsciiLower(name));
    if (found == columns_.end()) return std::nullopt;
    if (!found->second.numeric) {
        throw std::invalid_argument(std::string(name) + " is not a numeric field");
    }
    return found->second.value;
}

}  // namespace tallwick::check
