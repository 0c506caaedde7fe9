#include "locate/locate_catalogue.h"

#include "entry/level_rule.h"
#include "entry/record_io.h"

#include <array>
#include <cmath>
#include <string_view>

namespace tallwick::locate {
namespace {

// Coded answers whose codes go beyond the yes/no pair: 0 stands for no answer.
constexpr std::pair<std::string_view, double> kCodeLimits[] = {
    {"z010", 3},  // 女职工委员会主任任职情况, codes 1 to 3
    {"b044", 4},  // 创建活动领导小组组长, codes 1 to 4
    {"b045", 4},  // 创建活动办公室所在单位, codes 1 to 4
};

// What changing an answer costs a repair. Every answer costs the same for now; a field that
// users find harder to get wrong would cost more.
constexpr std::array<std::pair<std::string_view, double>, 0> kChangeWeights{};

}  // namespace

bool AnswerLimits::Admits(double value) const {
    if (!std::isfinite(value) || value < 0 || value > upper) return false;
    return !whole || value == std::floor(value);
}

LocateCatalogue::LocateCatalogue() {
    weights_.fill(1.0);
    for (const auto& [name, weight] : kChangeWeights) weights_[LocateFieldIndex(name)] = weight;
    for (const auto& [name, upper] : kCodeLimits) limits_[LocateFieldIndex(name)].upper = upper;
}

LocateCatalogue LocateCatalogue::FromRows(const std::vector<entry::CatalogueRow>& rows) {
    LocateCatalogue catalogue;
    for (const entry::CatalogueRow& row : rows) {
        const int field = LocateFieldIndex(row.fieldName);
        if (field < 0 || IsCoverField(field)) continue;
        AnswerLimits& limits = catalogue.limits_[static_cast<std::size_t>(field)];
        if (row.queryType == entry::kDecimal) limits.whole = false;
        if (row.queryType == entry::kTwoValued) limits.upper = 2;
        catalogue.levelRules_[static_cast<std::size_t>(field)] = row.rule;
    }
    return catalogue;
}

LocateCatalogue LocateCatalogue::Read(SQLite::Database& db) {
    return FromRows(entry::EntryCatalogue::Read(db).Rows());
}

bool LocateCatalogue::Answered(int field, int level) const {
    if (IsCoverField(field)) return false;
    const std::string& rule = levelRules_[static_cast<std::size_t>(field)];
    return rule.empty() || entry::EvaluateLevelRule(level, rule);
}

}  // namespace tallwick::locate
