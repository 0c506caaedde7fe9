#include "check/field_hints.h"

#include "common/ascii.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::check {
namespace {}  // namespace

FieldHints::FieldHints(const std::map<std::string, std::string>& hints) {
    for (const auto& [name, hint] : hints) hints_.emplace(AsciiLower(name), hint);
}

FieldHints FieldHints::Load(SQLite::Database& db) {
    FieldHints loaded;
    SQLite::Statement query(db, "SELECT FieldName, Hint FROM DT_FieldList ORDER BY sequence");
    while (query.executeStep()) {
        // The first row of a name wins, as a lookup walking the catalogue in order would find.
        loaded.hints_.emplace(AsciiLower(query.getColumn(0).getString()),
                              query.getColumn(1).getString());
    }
    return loaded;
}

std::optional<std::string> FieldHints::Find(std::string_view fieldName) const {
    const auto found = hints_.find(AsciiLower(fieldName));
    if (found == hints_.end()) return std::nullopt;
    return found->second;
}

}  // namespace tallwick::check
