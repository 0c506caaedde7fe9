#pragma once

// A small JSON reader and string writer for the files the program writes for itself. It reads
// all of JSON (RFC 8259) and refuses everything else, trailing text included.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tallwick {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;                            // Array
    std::vector<std::pair<std::string, JsonValue>> members;  // Object, in file order

    // The first member of that name; nullptr when there is none or this is no object.
    const JsonValue* Member(std::string_view name) const;
};

// Nothing when the text is not exactly one JSON value (blanks around it allowed).
std::optional<JsonValue> ParseJson(std::string_view text);

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonQuoted(std::string_view text);

}  // namespace tallwick
