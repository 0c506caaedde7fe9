#include "locate/rule_analysis.h"

#include "locate/repair_model.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace tallwick::locate {
namespace {

enum class Answer { Yes, No, Unknown };

// Whether some answers within the limits make every formula hold.
Answer Satisfiable(const std::vector<FieldState>& fields,
                   const std::vector<const Formula*>& formulas) {
    switch (SolveRepair(fields, formulas, RepairGoal::AnyValues).status) {
        case RepairResult::Status::Repaired:
            return Answer::Yes;
        case RepairResult::Status::Infeasible:
            return Answer::No;
        case RepairResult::Status::Failed:
            break;
    }
    return Answer::Unknown;
}

// The fields of a class: its answers free and unset (each must take some value), everything
// else 0 except the level itself. Answers go up to `bound`, or their limit when it is lower.
std::vector<FieldState> ClassFields(const LocateCatalogue& catalogue, int level, double bound) {
    std::vector<FieldState> fields(kLocateFieldCount);
    const int levelField = LocateFieldIndex("c904");
    for (int f = 0; f < kLocateFieldCount; ++f) {
        FieldState& state = fields[static_cast<std::size_t>(f)];
        if (catalogue.Answered(f, level)) {
            state.free = true;
            state.bound = std::min(bound, catalogue.Limits(f).upper);
        } else if (f == levelField) {
            state.value = level;
        }
    }
    return fields;
}

// The formula as options of which one must hold, each a list of comparisons that must all hold;
// nothing when there would be more than kMaxOptions of them.
constexpr std::size_t kMaxOptions = 4096;
using Conjunction = std::vector<Formula>;

std::optional<std::vector<Conjunction>> Options(const Formula& formula) {
    if (formula.kind == Formula::Kind::Compare) {
        if (formula.relation != Relation::NotEqual) return std::vector<Conjunction>{{formula}};
        Formula below = formula;
        below.relation = Relation::Less;
        Formula above = formula;
        above.relation = Relation::Greater;
        return std::vector<Conjunction>{{below}, {above}};
    }
    std::vector<Conjunction> options;
    if (formula.kind == Formula::Kind::Any) {
        for (const Formula& part : formula.parts) {
            auto more = Options(part);
            if (!more || options.size() + more->size() > kMaxOptions) return std::nullopt;
            options.insert(options.end(), more->begin(), more->end());
        }
        return options;
    }
    options.emplace_back();
    for (const Formula& part : formula.parts) {
        const auto partOptions = Options(part);
        if (!partOptions || options.size() * partOptions->size() > kMaxOptions) return std::nullopt;
        std::vector<Conjunction> combined;
        for (const Conjunction& before : options) {
            for (const Conjunction& added : *partOptions) {
                combined.push_back(before);
                combined.back().insert(combined.back().end(), added.begin(), added.end());
            }
        }
        options = std::move(combined);
    }
    return options;
}

// Whether some answers up to their limits make the rule fail. A model of every answer's whole
// range would tie its "or" rows to bounds of a hundred million million, where the solver's
// tolerances make up verdicts; without "or" rows (one model for each way the rule can fail) the
// large bounds do no harm. A failure the solver finds is believed only when the rule, evaluated
// on its values, fails indeed.
Answer CanFailInFullRange(const std::vector<FieldState>& fields, const Formula& rule) {
    const auto ways = Options(Negated(rule));
    if (!ways) return Answer::Unknown;
    Answer answer = Answer::No;
    for (const Conjunction& way : *ways) {
        Formula all;
        all.kind = Formula::Kind::All;
        all.parts = way;
        const RepairResult found = SolveRepair(fields, {&all}, RepairGoal::AnyValues);
        if (found.status == RepairResult::Status::Infeasible) continue;
        if (found.status == RepairResult::Status::Failed) {
            answer = Answer::Unknown;
            continue;
        }
        std::vector<double> values(fields.size());
        for (std::size_t f = 0; f < fields.size(); ++f) values[f] = fields[f].value;
        for (const auto& [field, value] : found.values)
            values[static_cast<std::size_t>(field)] = value;
        if (!Evaluate(rule, [&](int f) { return values[static_cast<std::size_t>(f)]; }))
            return Answer::Yes;
        answer = Answer::Unknown;
    }
    return answer;
}

// The fields each rule names.
std::vector<std::set<int>> NamedFields(const std::vector<FormulaRule>& rules) {
    std::vector<std::set<int>> named;
    for (const FormulaRule& rule : rules) {
        named.emplace_back();
        ForEachField(rule.holds, [&](int field) { named.back().insert(field); });
    }
    return named;
}

// Rules that share a free field with rule r, directly or through other rules: only they can
// bear on it.
std::vector<std::size_t> Neighbourhood(std::size_t r, const std::vector<std::set<int>>& named,
                                       const std::vector<FieldState>& fields) {
    std::set<int> reached;
    for (const int f : named[r]) {
        if (fields[static_cast<std::size_t>(f)].free) reached.insert(f);
    }
    std::vector<bool> taken(named.size(), false);
    taken[r] = true;
    bool grew = true;
    while (grew) {
        grew = false;
        for (std::size_t other = 0; other < named.size(); ++other) {
            if (taken[other]) continue;
            const bool touches = std::any_of(named[other].begin(), named[other].end(),
                                             [&](int f) { return reached.contains(f); });
            if (!touches) continue;
            taken[other] = true;
            grew = true;
            for (const int f : named[other]) {
                if (fields[static_cast<std::size_t>(f)].free) reached.insert(f);
            }
        }
    }
    std::vector<std::size_t> around;
    for (std::size_t other = 0; other < named.size(); ++other) {
        if (taken[other] && other != r) around.push_back(other);
    }
    return around;
}

// Drops rules one at a time while the rest still cannot hold together.
std::vector<int> IrreducibleConflict(const std::vector<FieldState>& fields,
                                     const std::vector<FormulaRule>& rules) {
    std::vector<std::size_t> kept(rules.size());
    for (std::size_t i = 0; i < kept.size(); ++i) kept[i] = i;
    for (std::size_t i = 0; i < kept.size();) {
        std::vector<const Formula*> without;
        for (std::size_t j = 0; j < kept.size(); ++j) {
            if (j != i) without.push_back(&rules[kept[j]].holds);
        }
        if (Satisfiable(fields, without) == Answer::No) {
            kept.erase(kept.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
    std::vector<int> numbers;
    for (const std::size_t k : kept) numbers.push_back(rules[k].number);
    return numbers;
}

}  // namespace

std::vector<LevelClassAnalysis> AnalyseRules(const LocateCatalogue& catalogue,
                                             const std::vector<FormulaRule>& rules,
                                             const std::vector<int>& levels, double bound) {
    // Levels whose answers and level conditions agree behave alike: one analysis serves them.
    std::map<std::pair<std::vector<bool>, std::vector<bool>>, std::vector<int>> classes;
    const std::vector<std::set<int>> named = NamedFields(rules);
    for (const int level : levels) {
        const std::vector<FieldState> fields = ClassFields(catalogue, level, bound);
        std::vector<bool> answered;
        for (const FieldState& state : fields) answered.push_back(state.free);
        // How each rule reads with only the level known: a rule on the level alone folds here.
        std::vector<bool> folds;
        for (const FormulaRule& rule : rules) {
            std::vector<FieldState> onlyLevel = fields;
            for (FieldState& state : onlyLevel) state.free = false;
            bool levelOnly = true;
            ForEachField(rule.holds, [&](int f) { levelOnly = levelOnly && IsCoverField(f); });
            folds.push_back(levelOnly && Evaluate(rule.holds, [&](int f) {
                                return onlyLevel[static_cast<std::size_t>(f)].value;
                            }));
        }
        classes[{answered, folds}].push_back(level);
    }

    std::vector<LevelClassAnalysis> analyses;
    for (const auto& [key, members] : classes) {
        LevelClassAnalysis analysis;
        analysis.levels = members;
        analysis.answeredFields =
            static_cast<int>(std::count(key.first.begin(), key.first.end(), true));
        const std::vector<FieldState> fields = ClassFields(catalogue, members.front(), bound);
        const std::vector<FieldState> fullRange =
            ClassFields(catalogue, members.front(), std::numeric_limits<double>::infinity());

        std::vector<const Formula*> all;
        for (const FormulaRule& rule : rules) all.push_back(&rule.holds);
        const Answer together = Satisfiable(fields, all);
        analysis.consistent = together == Answer::Yes;
        if (together == Answer::No) analysis.conflicting = IrreducibleConflict(fields, rules);

        // A rule implied by the others may go, and once it has gone it implies nothing more:
        // of two rules that say the same, one is named, not both.
        std::vector<bool> gone(rules.size(), false);
        for (std::size_t r = 0; r < rules.size(); ++r) {
            if (DecidedByFixed(rules[r].holds, fields) == std::optional<bool>(true)) {
                analysis.levelDecided.push_back(rules[r].number);
                continue;
            }
            const Formula fails = Negated(rules[r].holds);
            const Answer canFail = Satisfiable(fields, {&fails});
            if (canFail == Answer::No) {
                // Not failing up to the bound is not yet never failing: a rule may fail only
                // beyond it. Nor is such a rule implied, which is judged up to the bound.
                const Answer beyond = CanFailInFullRange(fullRange, rules[r].holds);
                if (beyond == Answer::No) analysis.neverFail.push_back(rules[r].number);
                if (beyond == Answer::Unknown) analysis.undecided.push_back(rules[r].number);
                continue;
            }
            if (canFail == Answer::Unknown || !analysis.consistent) {
                if (canFail == Answer::Unknown) analysis.undecided.push_back(rules[r].number);
                continue;
            }
            std::vector<const Formula*> othersAndFailure{&fails};
            for (const std::size_t other : Neighbourhood(r, named, fields)) {
                if (!gone[other]) othersAndFailure.push_back(&rules[other].holds);
            }
            const Answer escapes = Satisfiable(fields, othersAndFailure);
            if (escapes == Answer::No) {
                analysis.implied.push_back(rules[r].number);
                gone[r] = true;
            }
            if (escapes == Answer::Unknown) analysis.undecided.push_back(rules[r].number);
        }
        analyses.push_back(std::move(analysis));
    }
    std::sort(analyses.begin(), analyses.end(),
              [](const LevelClassAnalysis& a, const LevelClassAnalysis& b) {
                  return a.levels.front() < b.levels.front();
              });
    return analyses;
}

}  // namespace tallwick::locate
