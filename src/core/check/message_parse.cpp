#include "check/message_parse.h"

#include <array>
#include <utility>

namespace tallwick::check {
namespace {

enum class State { Outside, Word, Bracket };

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters that end an operator in brackets and are kept, so "[>=(" still reads well.
bool EndsBracketToken(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/';
}

}  // namespace

std::string TranslateKey(std::string_view token, const FieldHints& hints) {
    if (token.starts_with('[')) token.remove_prefix(1);
    if (token.ends_with(']')) token.remove_suffix(1);

    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kOperators{{
        {"<=", "不能大于"},
        {">=", "不能小于"},
        {"=", "必须等于"},
        {">", "必须大于"},
        {"<", "必须小于"},
    }};
    for (const auto& [op, words] : kOperators) {
        if (token == op) return std::string(words);
    }
    if (auto hint = hints.Find(token)) return "[" + *hint + "]";
    return std::string(token);  // "and", "or", "<>" and unknown names come out as written
}

std::string Parse(std::string_view messageTemplate, const FieldHints& hints) {
    State state = State::Outside;
    std::string token;
    std::string out;
    const auto flush = [&] {
        out += TranslateKey(token, hints);
        token.clear();
    };

    // Byte by byte: every byte of a multi-byte UTF-8 character is an "other" character, which
    // treats the whole character the same way as one would be treated.
    for (const char c : messageTemplate) {
        if (c == '[') {
            if (state == State::Word) flush();
            state = State::Bracket;
        } else if (IsLetter(c)) {
            token += c;
            state = State::Word;
        } else if (IsDigit(c)) {
            if (state == State::Outside) {
                out += c;
            } else {
                token += c;
            }
        } else if (state == State::Word) {
            flush();
            if (c != ']') out += c;
            state = State::Outside;
        } else if (state == State::Bracket) {
            if (EndsBracketToken(c)) {
                flush();
                out += c;
                state = State::Outside;
            } else if (c == ']') {
                flush();
                state = State::Outside;
            } else {
                token += c;
            }
        } else {
            out += c;
        }
    }
    if (state != State::Outside && !token.empty()) flush();
    return out;
}

}  // namespace tallwick::check
