#include "common/json_value.h"
#include "common/utf8.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace tallwick {
namespace {

constexpr int kMaxDepth = 64;

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        JsonValue value;
        if (!Value(value, 0)) return std::nullopt;
        SkipBlanks();
        if (at_ != text_.size()) return std::nullopt;
        return value;
    }

  private:
    void SkipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool Value(JsonValue& value, int depth) {
        if (depth > kMaxDepth) return false;
        SkipBlanks();
        if (at_ >= text_.size()) return false;
        switch (text_[at_]) {
            case '{':
                value.kind = JsonValue::Kind::Object;
                return Object(value, depth);
            case '[':
                value.kind = JsonValue::Kind::Array;
                return Array(value, depth);
            case '"':
                value.kind = JsonValue::Kind::String;
                return String(value.text);
            case 't':
                value.kind = JsonValue::Kind::Bool;
                value.boolean = true;
                return Word("true");
            case 'f':
                value.kind = JsonValue::Kind::Bool;
                return Word("false");
            case 'n':
                return Word("null");
            default:
                value.kind = JsonValue::Kind::Number;
                return Number(value.number);
        }
    }

    bool Object(JsonValue& value, int depth) {
        ++at_;
        if (Take('}')) return true;
        do {
            SkipBlanks();
            std::pair<std::string, JsonValue> member;
            if (at_ >= text_.size() || text_[at_] != '"' || !String(member.first)) return false;
            if (!Take(':') || !Value(member.second, depth + 1)) return false;
            value.members.push_back(std::move(member));
        } while (Take(','));
        return Take('}');
    }

    bool Array(JsonValue& value, int depth) {
        ++at_;
        if (Take(']')) return true;
        do {
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            value.items.push_back(std::move(item));
        } while (Take(','));
        return Take(']');
    }

    bool Number(double& number) {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        if (at_ >= text_.size() || !Digit(text_[at_])) return false;
        if (text_[at_] == '0') {
            ++at_;
        } else {
            while (at_ < text_.size() && Digit(text_[at_])) ++at_;
        }
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            if (at_ >= text_.size() || !Digit(text_[at_])) return false;
            while (at_ < text_.size() && Digit(text_[at_])) ++at_;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            if (at_ >= text_.size() || !Digit(text_[at_])) return false;
            while (at_ < text_.size() && Digit(text_[at_])) ++at_;
        }
        const std::string literal(text_.substr(start, at_ - start));
        number = std::strtod(literal.c_str(), nullptr);
        return true;
    }

    static bool Digit(char c) { return c >= '0' && c <= '9'; }

    bool Hex4(unsigned& code) {
        if (at_ + 4 > text_.size()) return false;
        const auto parsed = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
        if (parsed.ec != std::errc() || parsed.ptr != text_.data() + at_ + 4) return false;
        at_ += 4;
        return true;
    }

    bool Escape(std::string& out) {
        if (at_ >= text_.size()) return false;
        const char c = text_[at_++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u': {
                unsigned code = 0;
                if (!Hex4(code)) return false;
                if (code >= 0xD800 && code < 0xDC00) {
                    unsigned low = 0;
                    if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code < 0xE000) {
                    return false;
                }
                AppendUtf8(out, code);
                return true;
            }
            default:
                return false;
        }
    }

    bool String(std::string& out) {
        ++at_;  // the opening quote
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c == '\\') {
                if (!Escape(out)) return false;
            } else {
                out += c;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
    if (kind != Kind::Object) return nullptr;
    for (const auto& [key, value] : members) {
        if (key == name) return &value;
    }
    return nullptr;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    return Parser(text).Document();
}

std::string JsonQuoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace tallwick
