#include "locate/error_localiser.h"

#include "locate/delivered_formulas.h"
#include "locate/hitting_sets.h"
#include "locate/repair_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <set>

namespace tallwick::locate {
namespace {

// How many repairs of the least cost are weighed against each other for the one nearest the
// record; beyond that the first ones found stand for the rest.
constexpr std::size_t kTiesWeighed = 12;
// A guard against a rule set no survey has: every delivered record ends within a few dozen.
constexpr int kRoundsAtMost = 5000;
// Room above the values the rules see, for strict comparisons in a row and sums of parts.
constexpr double kBoundHeadroom = 1000;

int LevelOf(const check::RecordValues& record) {
    const check::WideInt level = record.c904;
    if (level < -1) return -1;
    if (level > 1000) return 1000;
    return static_cast<int>(level);
}

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

// What the fixed fields and constants of a formula weigh: the scale its free fields must reach.
double FixedMagnitude(const Formula& formula, const std::vector<FieldState>& fields) {
    if (formula.kind != Formula::Kind::Compare) {
        double sum = 0;
        for (const Formula& part : formula.parts) sum += FixedMagnitude(part, fields);
        return sum;
    }
    double sum = std::fabs(formula.lhs.constant);
    for (const LinearTerm& term : formula.lhs.terms) {
        const FieldState& state = fields[static_cast<std::size_t>(term.field)];
        if (!state.free) sum += std::fabs(term.coefficient * state.value);
    }
    return sum;
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
    : catalogue_(std::move(catalogue)), rules_(std::move(rules)), fieldRules_(kLocateFieldCount) {
    for (std::size_t r = 0; r < rules_.formulas.size(); ++r) {
        std::set<int> fields;
        ForEachField(rules_.formulas[r].holds, [&](int field) { fields.insert(field); });
        ruleFields_.emplace_back(fields.begin(), fields.end());
        for (const int field : fields) {
            fieldRules_[static_cast<std::size_t>(field)].push_back(static_cast<int>(r));
        }
    }
}

check::RecordValues Repaired(check::RecordValues record, const std::vector<RepairChange>& changes) {
    for (const RepairChange& change : changes) SetFieldValue(record, change.field, change.repaired);
    return record;
}

// One record's search for its smallest repair, by implicit hitting sets: the cheapest set of
// answers that meets every conflict known so far is given values by a small model in which only
// those answers are free. Either the model finds values (the set is a smallest repair: no repair
// is cheaper than a set meeting every conflict) or its rules contradict each other, and the
// answers outside the set that those rules name become a new conflict.
class ErrorLocaliser::Search {
  public:
    Search(const ErrorLocaliser& localiser, const check::RecordValues& record)
        : localiser_(localiser), record_(record), level_(LevelOf(record)) {
        const LocateCatalogue& catalogue = localiser.catalogue_;
        fields_.resize(kLocateFieldCount);
        weights_.assign(kLocateFieldCount, 0);
        for (int f = 0; f < kLocateFieldCount; ++f) {
            FieldState& state = fields_[static_cast<std::size_t>(f)];
            const double value = FieldValue(record, f);
            state.value = value;
            if (catalogue.Answered(f, level_)) {
                answered_.set(static_cast<std::size_t>(f));
                weights_[static_cast<std::size_t>(f)] = catalogue.Weight(f);
                state.step = catalogue.Limits(f).whole ? 1 : 0.01;
                if (!catalogue.Limits(f).Admits(value)) forced_.set(static_cast<std::size_t>(f));
            } else if (!IsCoverField(f) && value != 0) {
                // The entry window clears what the level does not ask for; so does the repair.
                cleared_.push_back({f, value, 0, true});
                state.value = 0;
            }
        }
    }

    Localisation Run() {
        Localisation result;
        HittingSets sets(weights_, forced_);
        const FieldValues base = [&](int field) { return Fixed(field); };
        for (std::size_t r = 0; r < localiser_.rules_.formulas.size(); ++r) {
            const std::vector<int>& named = localiser_.ruleFields_[r];
            const bool namesForced = std::any_of(named.begin(), named.end(), [&](int field) {
                return forced_.test(static_cast<std::size_t>(field));
            });
            // A rule naming a forced answer is in every model: that answer is in every set.
            if (namesForced || Evaluate(localiser_.rules_.formulas[r].holds, base)) continue;
            std::vector<int> conflict;
            for (const int field : named) {
                if (answered_.test(static_cast<std::size_t>(field))) conflict.push_back(field);
            }
            // Broken whatever the answers: a proof that no repair exists.
            if (conflict.empty()) return NoRepair();
            sets.AddConflict(conflict);
        }

        // First a smallest repair; then the other sets of its cost, for the one nearest the record.
        std::optional<Attempt> best;
        std::set<std::string> tried;
        bool learned = true;
        bool weighed = false;  // a round has weighed the other sets of the best one's cost
        for (int round = 0; round < kRoundsAtMost && (!best || learned || !weighed); ++round) {
            weighed = best.has_value();
            const std::vector<FieldSet> cheapest = sets.Cheapest(best ? kTiesWeighed : 1);
            if (cheapest.empty()) {
                if (best) break;
                return sets.HasEmptyConflict() ? NoRepair() : NotFound();
            }
            learned = false;
            for (const FieldSet& set : cheapest) {
                if (!tried.insert(set.to_string()).second) continue;
                const Outcome outcome = Try(set);
                if (outcome.attempt) {
                    if (!best || outcome.attempt->distance < best->distance) best = outcome.attempt;
                    continue;
                }
                if (outcome.contradiction && outcome.contradiction->answers.empty()) {
                    return Proven(set, outcome.contradiction->rules) ? NoRepair() : NotFound();
                }
                sets.AddConflict(outcome.contradiction ? outcome.contradiction->answers
                                                       : Outside(set));
                learned = true;
            }
        }
        if (!best) return NotFound();
        result.outcome = Localisation::Outcome::Suggested;
        result.changes = std::move(best->changes);
        return result;
    }

  private:
    struct Attempt {
        std::vector<RepairChange> changes;  // in questionnaire order
        double distance = 0;
    };
    struct Contradiction {
        std::vector<int> rules;    // a smallest set of rules that cannot hold together
        std::vector<int> answers;  // those rules' answers outside the set: a repair changes one
    };
    struct Outcome {
        std::optional<Attempt> attempt;
        std::optional<Contradiction> contradiction;  // nullopt when the model gave no verdict
    };

    double Fixed(int field) const { return fields_[static_cast<std::size_t>(field)].value; }

    double NearestAdmitted(int field) const {
        const AnswerLimits& limits = localiser_.catalogue_.Limits(field);
        const double value = FieldValue(record_, field);
        if (!std::isfinite(value) || value < 0) return 0;
        const double within = std::min(value, limits.upper);
        return limits.whole ? std::min(std::round(within), limits.upper)
                            : std::round(within * 100) / 100;
    }

    // The rules that name a field of the set, in rule order.
    std::vector<int> RulesOf(const FieldSet& set) const {
        std::set<int> rules;
        for (std::size_t f = set._Find_first(); f < set.size(); f = set._Find_next(f)) {
            const auto& named = localiser_.fieldRules_[f];
            rules.insert(named.begin(), named.end());
        }
        return {rules.begin(), rules.end()};
    }

    // The model's fields: the set free, each bounded by what its rules' fixed side weighs, never
    // by its own value (a gross typo would stretch every big-M of the model); the rest fixed.
    std::vector<FieldState> ModelFields(const FieldSet& set, const std::vector<int>& rules) const {
        std::vector<FieldState> fields = fields_;
        for (std::size_t f = set._Find_first(); f < set.size(); f = set._Find_next(f)) {
            fields[f].free = true;
        }
        Components components(kLocateFieldCount);
        std::vector<double> magnitude(kLocateFieldCount, 0);
        for (const int r : rules) {
            int first = -1;
            for (const int field : localiser_.ruleFields_[static_cast<std::size_t>(r)]) {
                if (!set.test(static_cast<std::size_t>(field))) continue;
                if (first < 0) {
                    first = field;
                } else {
                    components.Join(first, field);
                }
            }
            if (first >= 0) {
                magnitude[static_cast<std::size_t>(first)] += FixedMagnitude(
                    localiser_.rules_.formulas[static_cast<std::size_t>(r)].holds, fields);
            }
        }
        std::vector<double> total(kLocateFieldCount, 0);
        std::vector<int> members(kLocateFieldCount, 0);
        for (std::size_t f = set._Find_first(); f < set.size(); f = set._Find_next(f)) {
            const auto root = static_cast<std::size_t>(components.Find(static_cast<int>(f)));
            total[root] += magnitude[f];
            ++members[root];
        }
        for (std::size_t f = set._Find_first(); f < set.size(); f = set._Find_next(f)) {
            const auto root = static_cast<std::size_t>(components.Find(static_cast<int>(f)));
            const double reach = 2 * total[root] + kBoundHeadroom * (members[root] + 1);
            fields[f].bound =
                std::min(localiser_.catalogue_.Limits(static_cast<int>(f)).upper, reach);
        }
        return fields;
    }

    RepairResult Solve(const FieldSet& set, const std::vector<int>& rules, RepairGoal goal,
                       bool presolve = true) const {
        const std::vector<FieldState> fields = ModelFields(set, rules);
        std::vector<const Formula*> formulas;
        for (const int r : rules) {
            formulas.push_back(&localiser_.rules_.formulas[static_cast<std::size_t>(r)].holds);
        }
        return SolveRepair(fields, formulas, goal, presolve);
    }

    Outcome Try(const FieldSet& set) const {
        Outcome outcome;
        const std::vector<int> rules = RulesOf(set);
        const RepairResult solved = Solve(set, rules, RepairGoal::Closest);
        if (solved.status == RepairResult::Status::Infeasible) {
            outcome.contradiction = Contradict(set, rules);
            return outcome;
        }
        if (solved.status != RepairResult::Status::Repaired) return outcome;
        Attempt attempt;
        attempt.changes = cleared_;
        FieldSet valued;
        const auto change = [&](int field, double value) {
            valued.set(static_cast<std::size_t>(field));
            const double current = FieldValue(record_, field);
            if (value == current) return;
            attempt.changes.push_back({field, current, value});
            attempt.distance += RelativeDistance(current, value);
        };
        for (const auto& [field, value] : solved.values) change(field, value);
        // A forced answer that no rule names still has to come within its limits.
        const FieldSet unnamed = forced_ & ~valued;
        for (std::size_t f = unnamed._Find_first(); f < unnamed.size(); f = unnamed._Find_next(f)) {
            change(static_cast<int>(f), NearestAdmitted(static_cast<int>(f)));
        }
        std::sort(attempt.changes.begin(), attempt.changes.end(),
                  [](const RepairChange& a, const RepairChange& b) { return a.field < b.field; });
        if (Judged(attempt.changes)) outcome.attempt = std::move(attempt);
        return outcome;
    }

    bool Judged(const std::vector<RepairChange>& changes) const {
        for (const RepairChange& change : changes) {
            if (change.unasked) continue;
            if (!localiser_.catalogue_.Answered(change.field, level_) ||
                !localiser_.catalogue_.Limits(change.field).Admits(change.repaired)) {
                return false;
            }
        }
        // Every forced answer must have been given a value within its limits.
        for (std::size_t f = forced_._Find_first(); f < forced_.size(); f = forced_._Find_next(f)) {
            const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& c) {
                return c.field == static_cast<int>(f);
            });
            if (!changed) return false;
        }
        return localiser_.rules_.allHold(Repaired(record_, changes));
    }

    // A smallest subset of the rules that cannot hold with only the set free, found by leaving
    // out rules; the answers outside the set that it names are the conflict.
    Contradiction Contradict(const FieldSet& set, std::vector<int> rules) const {
        // Rules linked through free answers fail together; take one part that fails alone.
        Components components(localiser_.rules_.formulas.size());
        for (std::size_t a = 0; a < rules.size(); ++a) {
            for (std::size_t b = a + 1; b < rules.size(); ++b) {
                const auto& first = localiser_.ruleFields_[static_cast<std::size_t>(rules[a])];
                const auto& second = localiser_.ruleFields_[static_cast<std::size_t>(rules[b])];
                const bool shared = std::any_of(first.begin(), first.end(), [&](int field) {
                    return set.test(static_cast<std::size_t>(field)) &&
                           std::binary_search(second.begin(), second.end(), field);
                });
                if (shared) components.Join(rules[a], rules[b]);
            }
        }
        std::set<int> roots;
        for (const int r : rules) roots.insert(components.Find(r));
        if (roots.size() > 1) {
            for (const int root : roots) {
                std::vector<int> part;
                for (const int r : rules) {
                    if (components.Find(r) == root) part.push_back(r);
                }
                if (Solve(set, part, RepairGoal::AnyValues).status ==
                    RepairResult::Status::Infeasible) {
                    rules = std::move(part);
                    break;
                }
            }
        }
        // Leave out runs of rules, from the last rules back and halving their length down to
        // single rules: most rules of a large part have nothing to do with the contradiction.
        // Every rule the last pass keeps is needed: without it, the rules left could all hold.
        for (std::size_t run = std::max<std::size_t>(1, rules.size() / 2); run > 0; run /= 2) {
            for (std::size_t end = rules.size(); end > 0;) {
                const std::size_t begin = end > run ? end - run : 0;
                std::vector<int> without = rules;
                without.erase(without.begin() + static_cast<std::ptrdiff_t>(begin),
                              without.begin() + static_cast<std::ptrdiff_t>(end));
                if (Solve(set, without, RepairGoal::AnyValues).status ==
                    RepairResult::Status::Infeasible) {
                    rules = std::move(without);
                }
                end = begin;
            }
        }
        std::set<int> conflict;
        for (const int r : rules) {
            for (const int field : localiser_.ruleFields_[static_cast<std::size_t>(r)]) {
                const auto f = static_cast<std::size_t>(field);
                if (answered_.test(f) && !set.test(f)) conflict.insert(field);
            }
        }
        return {std::move(rules), std::vector<int>(conflict.begin(), conflict.end())};
    }

    // Every answer outside the set: a model that gave no verdict still rules out the set itself.
    std::vector<int> Outside(const FieldSet& set) const {
        std::vector<int> fields;
        for (int f = 0; f < kLocateFieldCount; ++f) {
            const auto index = static_cast<std::size_t>(f);
            if (answered_.test(index) && !set.test(index)) fields.push_back(f);
        }
        return fields;
    }

    // A contradiction among rules whose every answer is free, confirmed by a second solve.
    bool Proven(const FieldSet& set, const std::vector<int>& rules) const {
        return Solve(set, rules, RepairGoal::AnyValues, false).status ==
               RepairResult::Status::Infeasible;
    }

    Localisation NoRepair() const {
        Localisation result;
        result.outcome = Localisation::Outcome::NoRepair;
        return result;
    }
    Localisation NotFound() const {
        Localisation result;
        result.outcome = Localisation::Outcome::NotFound;
        return result;
    }

    const ErrorLocaliser& localiser_;
    const check::RecordValues& record_;
    const int level_;
    std::vector<FieldState> fields_;  // the record as the repair starts from it
    std::vector<double> weights_;
    FieldSet answered_;
    FieldSet forced_;  // answers outside their limits: every repair changes them
    std::vector<RepairChange> cleared_;
};

Localisation ErrorLocaliser::Locate(const check::RecordValues& record) const {
    if (rules_.allHold(record)) return {};
    return Search(*this, record).Run();
}

std::optional<double> ErrorLocaliser::SmallestRepairCost(const check::RecordValues& record) const {
    if (rules_.allHold(record)) return 0.0;
    const int level = LevelOf(record);
    std::vector<FieldState> fields(kLocateFieldCount);
    double cost = 0;
    double magnitude = 0;
    for (int f = 0; f < kLocateFieldCount; ++f) {
        FieldState& state = fields[static_cast<std::size_t>(f)];
        state.value = FieldValue(record, f);
        if (catalogue_.Answered(f, level)) {
            state.free = true;
            state.weight = catalogue_.Weight(f);
            state.step = catalogue_.Limits(f).whole ? 1 : 0.01;
            state.mayKeep = catalogue_.Limits(f).Admits(state.value);
            if (!state.mayKeep) cost += state.weight;
        } else if (!IsCoverField(f) && state.value != 0) {
            cost += 1;
            state.value = 0;
        }
        if (state.free && state.mayKeep) magnitude += std::fabs(state.value);
    }
    for (int f = 0; f < kLocateFieldCount; ++f) {
        FieldState& state = fields[static_cast<std::size_t>(f)];
        if (state.free) {
            state.bound = std::min(catalogue_.Limits(f).upper, 2 * magnitude + kBoundHeadroom);
        }
    }
    std::vector<const Formula*> formulas;
    for (const FormulaRule& rule : rules_.formulas) formulas.push_back(&rule.holds);
    const RepairResult solved = SolveRepair(fields, formulas, RepairGoal::FewestChanges);
    if (solved.status != RepairResult::Status::Repaired) return std::nullopt;
    return cost + solved.cost;
}

}  // namespace tallwick::locate
