#pragma once

#include <SQLiteCpp/Database.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tallwick::check {

// FieldName -> Hint of the field catalogue, read once per check run (not once per token).
// Names are matched without regard to ASCII case, as the database matches them.
class FieldHints {
  public:
    FieldHints() = default;
    // From FieldName -> Hint pairs; names may be in any case.
    explicit FieldHints(const std::map<std::string, std::string>& hints);

    static FieldHints Load(SQLite::Database& db);

    std::optional<std::string> Find(std::string_view fieldName) const;

  private:
    std::map<std::string, std::string, std::less<>> hints_;
};

}  // namespace tallwick::check
