#include "locate/error_localiser.h"

#include "locate/delivered_formulas.h"
#include "locate/repair_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace tallwick::locate {
namespace {

// Room above the record's own values for a repair that has to go past them (a strictly larger
// answer, a total over several parts).
constexpr double kRepairHeadroom = 100;

class Components {
  public:
    explicit Components(std::size_t count) : parent_(count) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int Find(int x) {
        while (parent_[static_cast<std::size_t>(x)] != x) {
            x = parent_[static_cast<std::size_t>(x)] =
                parent_[static_cast<std::size_t>(parent_[static_cast<std::size_t>(x)])];
        }
        return x;
    }
    void Join(int a, int b) { parent_[static_cast<std::size_t>(Find(a))] = Find(b); }

  private:
    std::vector<int> parent_;
};

int LevelOf(const check::RecordValues& record) {
    const check::WideInt level = record.c904;
    if (level < -1) return -1;
    if (level > 1000) return 1000;
    return static_cast<int>(level);
}

}  // namespace

LocateRules LocateRules::Delivered() {
    LocateRules rules;
    const auto formulas = DeliveredFormulas();
    rules.formulas.assign(formulas.begin(), formulas.end());
    rules.allHold = [](const check::RecordValues& values) {
        for (const check::CompiledCheck& check : check::CompiledRuleSet::Checks()) {
            if (check.fails(values)) return false;
        }
        return true;
    };
    return rules;
}

LocateRules LocateRules::FromFormulas(std::vector<FormulaRule> formulas) {
    LocateRules rules;
    rules.formulas = std::move(formulas);
    rules.allHold = [formulas = rules.formulas](const check::RecordValues& values) {
        const FieldValues read = [&](int field) { return FieldValue(values, field); };
        return std::all_of(formulas.begin(), formulas.end(),
                           [&](const FormulaRule& rule) { return Evaluate(rule.holds, read); });
    };
    return rules;
}

ErrorLocaliser::ErrorLocaliser(LocateCatalogue catalogue, LocateRules rules)
    : catalogue_(std::move(catalogue)), rules_(std::move(rules)) {
    for (const FormulaRule& rule : rules_.formulas) {
        std::set<int> fields;
        ForEachField(rule.holds, [&](int field) { fields.insert(field); });
        ruleFields_.emplace_back(fields.begin(), fields.end());
    }
}

check::RecordValues Repaired(check::RecordValues record, const std::vector<RepairChange>& changes) {
    for (const RepairChange& change : changes) SetFieldValue(record, change.field, change.repaired);
    return record;
}

Localisation ErrorLocaliser::NoRepair(const std::vector<FieldState>& fields) const {
    Localisation result;
    result.outcome = Localisation::Outcome::NoRepair;
    const FieldValues values = [&](int field) {
        return fields[static_cast<std::size_t>(field)].value;
    };
    std::set<int> unasked;
    for (std::size_t r = 0; r < rules_.formulas.size(); ++r) {
        if (Evaluate(rules_.formulas[r].holds, values)) continue;
        for (const int field : ruleFields_[r]) {
            const FieldState& state = fields[static_cast<std::size_t>(field)];
            if (!state.free && !IsCoverField(field) && state.value != 0) unasked.insert(field);
        }
    }
    result.unaskedAnswers.assign(unasked.begin(), unasked.end());
    return result;
}

Localisation ErrorLocaliser::Locate(const check::RecordValues& record) const {
    Localisation result;
    if (rules_.allHold(record)) return result;

    const int level = LevelOf(record);
    std::vector<FieldState> fields(kLocateFieldCount);
    std::vector<RepairChange> changes;
    for (int f = 0; f < kLocateFieldCount; ++f) {
        FieldState& state = fields[static_cast<std::size_t>(f)];
        const double value = FieldValue(record, f);
        state.value = value;
        if (catalogue_.Answered(f, level)) {
            state.free = true;
            state.forced = !catalogue_.Limits(f).Admits(value);
            state.weight = catalogue_.Weight(f);
        }
    }
    const FieldValues base = [&](int field) {
        return fields[static_cast<std::size_t>(field)].value;
    };

    // Rules that share a free answer must be repaired together; apart, they are independent.
    Components components(kLocateFieldCount);
    for (const std::vector<int>& named : ruleFields_) {
        int first = -1;
        for (const int field : named) {
            if (!fields[static_cast<std::size_t>(field)].free) continue;
            if (first < 0) {
                first = field;
            } else {
                components.Join(first, field);
            }
        }
    }
    std::set<int> broken;
    for (int f = 0; f < kLocateFieldCount; ++f) {
        if (fields[static_cast<std::size_t>(f)].forced) broken.insert(components.Find(f));
    }
    for (std::size_t r = 0; r < rules_.formulas.size(); ++r) {
        const auto& named = ruleFields_[r];
        const auto firstFree = std::find_if(named.begin(), named.end(), [&](int field) {
            return fields[static_cast<std::size_t>(field)].free;
        });
        const bool forcedInside = std::any_of(named.begin(), named.end(), [&](int field) {
            return fields[static_cast<std::size_t>(field)].forced;
        });
        if (!forcedInside && Evaluate(rules_.formulas[r].holds, base)) continue;
        if (firstFree == named.end()) {
            return NoRepair(fields);
        }
        broken.insert(components.Find(*firstFree));
    }

    for (const int component : broken) {
        std::vector<const Formula*> formulas;
        double scale = 0;
        for (std::size_t r = 0; r < rules_.formulas.size(); ++r) {
            const auto& named = ruleFields_[r];
            const bool inside = std::any_of(named.begin(), named.end(), [&](int field) {
                return fields[static_cast<std::size_t>(field)].free &&
                       components.Find(field) == component;
            });
            if (!inside) continue;
            formulas.push_back(&rules_.formulas[r].holds);
            for (const int field : named) {
                const FieldState& state = fields[static_cast<std::size_t>(field)];
                if (!state.forced) scale += std::fabs(state.value);
            }
        }
        // Each answer of the component may go up to twice everything the rules see, which
        // covers any sum or difference of the fixed values; never past its own limit.
        for (int f = 0; f < kLocateFieldCount; ++f) {
            FieldState& state = fields[static_cast<std::size_t>(f)];
            if (!state.free || components.Find(f) != component) continue;
            state.bound =
                std::min(catalogue_.Limits(f).upper, std::floor(2 * scale + kRepairHeadroom));
        }
        const RepairResult repair = SolveRepair(fields, formulas, true);
        if (repair.status == RepairResult::Status::Infeasible) {
            return NoRepair(fields);
        }
        if (repair.status != RepairResult::Status::Repaired) {
            result.outcome = Localisation::Outcome::NotFound;
            return result;
        }
        for (const auto& [field, value] : repair.changed) {
            const double current = FieldValue(record, field);
            if (value != current) changes.push_back({field, current, value});
        }
    }

    std::sort(changes.begin(), changes.end(),
              [](const RepairChange& a, const RepairChange& b) { return a.field < b.field; });
    const check::RecordValues repaired = Repaired(record, changes);
    bool sound = rules_.allHold(repaired);
    for (const RepairChange& change : changes) {
        sound = sound && catalogue_.Answered(change.field, level) &&
                catalogue_.Limits(change.field).Admits(change.repaired);
    }
    if (!sound) {
        result.outcome = Localisation::Outcome::NotFound;
        return result;
    }
    result.outcome = Localisation::Outcome::Suggested;
    result.changes = std::move(changes);
    return result;
}

}  // namespace tallwick::locate
