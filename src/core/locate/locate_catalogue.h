#pragma once

// What a repair may do with each field: the answers the entry form takes for it, whether the
// record's level lets it be answered at all, and what changing it costs.

#include "locate/locate_fields.h"

#include <SQLiteCpp/Database.h>

#include <array>
#include <string>
#include <vector>

namespace tallwick::entry {
struct CatalogueRow;
}

namespace tallwick::locate {

// The entry boxes' own upper limit.
inline constexpr double kLargestAnswer = 99999999999999.0;

struct AnswerLimits {
    bool whole = true;              // false where the form takes decimals (amounts in yuan)
    double upper = kLargestAnswer;  // every answer is at least 0

    bool Admits(double value) const;
};

class LocateCatalogue {
  public:
    // From the field catalogue DT_FieldList.
    static LocateCatalogue Read(SQLite::Database& db);
    // From catalogue rows (FieldName, QueryType, Rule); fields without a row take whole numbers
    // and apply to every level.
    static LocateCatalogue FromRows(const std::vector<entry::CatalogueRow>& rows);

    const AnswerLimits& Limits(int field) const { return limits_[static_cast<std::size_t>(field)]; }
    double Weight(int field) const { return weights_[static_cast<std::size_t>(field)]; }
    // Whether a union of `level` answers the field; cover fields are never answers.
    bool Answered(int field, int level) const;

  private:
    LocateCatalogue();

    std::array<AnswerLimits, kLocateFieldCount> limits_{};
    std::array<std::string, kLocateFieldCount> levelRules_{};
    std::array<double, kLocateFieldCount> weights_{};
};

}  // namespace tallwick::locate
