#include "check/field_hints.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <cctype>

namespace tallwick::check {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

FieldHints::FieldHints(const std::map<std::string, std::string>& hints) {
    for (const auto& [name, hint] : hints) hints_.emplace(Lower(name), hint);
}

FieldHints FieldHints::Load(SQLite::Database& db) {
    FieldHints loaded;
    SQLite::Statement query(db, "SELECT FieldName, Hint FROM DT_FieldList ORDER BY sequence");
    while (query.executeStep()) {
        // The first row of a name wins, as a lookup walking the catalogue in order would find.
        loaded.hints_.emplace(Lower(query.getColumn(0).getString()),
                              query.getColumn(1).getString());
    }
    return loaded;
}

std::optional<std::string> FieldHints::Find(std::string_view fieldName) const {
    const auto found = hints_.find(Lower(fieldName));
    if (found == hints_.end()) return std::nullopt;
    return found->second;
}

}  // namespace tallwick::check
