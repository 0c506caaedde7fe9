#include "locate/repair_model.h"

#include "locate/mip_problem.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace tallwick::locate {
namespace {

// The least difference a strict comparison demands where a side may take decimals; whole sides
// differ by at least 1.
constexpr double kDecimalStep = 1e-6;

bool Whole(double value) {
    return value == std::floor(value);
}

// Columns of one free field: x = current × (1 − change) + value, value ≤ bound × change.
struct FieldColumns {
    int change = -1;
    int value = -1;
    double base = 0;  // the current value, 0 when forced
    double bound = 0;
};

// A comparison side as columns: sum of coefficients × columns + constant, and its range.
struct Side {
    std::map<int, double> columns;
    double constant = 0;
    double lowest = 0;
    double highest = 0;
    bool whole = true;
};

class ModelBuilder {
  public:
    explicit ModelBuilder(const std::vector<FieldState>& fields) : fields_(fields) {}

    // False when some formula cannot hold whatever the free fields do.
    bool Add(const Formula& formula) { return Enforce(formula, -1); }

    MipProblem& Problem() { return problem_; }
    const std::map<int, FieldColumns>& Columns() const { return columns_; }

  private:
    enum class Fold { True, False, Open };

    bool IsFree(int field) const { return fields_[static_cast<std::size_t>(field)].free; }

    FieldColumns& ColumnsOf(int field) {
        const auto found = columns_.find(field);
        if (found != columns_.end()) return found->second;
        const FieldState& state = fields_[static_cast<std::size_t>(field)];
        FieldColumns columns;
        columns.base = state.forced ? 0 : state.value;
        columns.bound = state.bound;
        const double forced = state.forced ? 1 : 0;
        columns.change = problem_.AddColumn({forced, 1, true, state.weight});
        columns.value = problem_.AddColumn({0, state.bound, true, 0});
        // value ≤ bound × change: an unchanged answer keeps its value
        problem_.rows.push_back(
            {{{columns.value, 1}, {columns.change, -state.bound}}, -kUnbounded, 0});
        return columns_.emplace(field, columns).first->second;
    }

    Side SideOf(const Linear& linear) {
        Side side;
        side.constant = linear.constant;
        side.whole = Whole(linear.constant);
        // The range comes from the fields' values (each between 0 and its top) and the fixed part.
        double fixedPart = linear.constant;
        for (const LinearTerm& term : linear.terms) {
            const double a = term.coefficient;
            if (!Whole(a)) side.whole = false;
            const FieldState& state = fields_[static_cast<std::size_t>(term.field)];
            if (!state.free) {
                side.constant += a * state.value;
                fixedPart += a * state.value;
                if (!Whole(state.value)) side.whole = false;
                continue;
            }
            const FieldColumns& columns = ColumnsOf(term.field);
            // a × (base − base × change + value)
            side.constant += a * columns.base;
            side.columns[columns.change] += -a * columns.base;
            side.columns[columns.value] += a;
            if (!Whole(columns.base)) side.whole = false;
            const double top = std::max(columns.base, columns.bound);
            side.lowest += std::min(0.0, a * top);
            side.highest += std::max(0.0, a * top);
        }
        side.lowest += fixedPart;
        side.highest += fixedPart;
        return side;
    }

    bool HasFree(const Formula& formula) const {
        bool any = false;
        ForEachField(formula, [&](int field) { any = any || IsFree(field); });
        return any;
    }

    Fold FoldOf(const Formula& formula) const {
        if (HasFree(formula)) return Fold::Open;
        const bool holds = Evaluate(
            formula, [&](int field) { return fields_[static_cast<std::size_t>(field)].value; });
        return holds ? Fold::True : Fold::False;
    }

    // side ≤ limit (or ≥) whenever indicator is 1; always when indicator is -1.
    void Bound(const Side& side, bool atMost, double limit, int indicator) {
        const double slack = atMost ? side.highest - limit : limit - side.lowest;
        if (slack <= 0) return;  // holds for every value within the bounds
        MipRow row;
        for (const auto& [column, coefficient] : side.columns) {
            if (coefficient != 0) row.coefficients.emplace_back(column, coefficient);
        }
        double rhs = limit - side.constant;
        if (indicator >= 0) {
            // side ≤ limit + slack × (1 − indicator)
            row.coefficients.emplace_back(indicator, atMost ? slack : -slack);
            rhs += atMost ? slack : -slack;
        }
        if (atMost) {
            row.upper = rhs;
        } else {
            row.lower = rhs;
        }
        problem_.rows.push_back(std::move(row));
    }

    int Binary() { return problem_.AddColumn({0, 1, true, 0}); }

    // At least one of the options holds whenever indicator is 1.
    bool EnforceAny(const std::vector<const Formula*>& options, int indicator) {
        std::vector<const Formula*> open;
        for (const Formula* option : options) {
            const Fold fold = FoldOf(*option);
            if (fold == Fold::True) return true;
            if (fold == Fold::Open) open.push_back(option);
        }
        if (open.empty()) {
            if (indicator < 0) return false;
            problem_.columns[static_cast<std::size_t>(indicator)].upper = 0;
            return true;
        }
        if (open.size() == 1) return Enforce(*open.front(), indicator);
        MipRow choose;
        std::vector<int> binaries;
        for (std::size_t i = 0; i < open.size(); ++i) {
            binaries.push_back(Binary());
            choose.coefficients.emplace_back(binaries.back(), 1);
        }
        if (indicator >= 0) {
            choose.coefficients.emplace_back(indicator, -1);
            choose.lower = 0;
        } else {
            choose.lower = 1;
        }
        problem_.rows.push_back(std::move(choose));
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (!Enforce(*open[i], binaries[i])) {
                problem_.columns[static_cast<std::size_t>(binaries[i])].upper = 0;
            }
        }
        return true;
    }

    bool Enforce(const Formula& formula, int indicator) {
        const Fold fold = FoldOf(formula);
        if (fold != Fold::Open) {
            if (fold == Fold::True) return true;
            if (indicator < 0) return false;
            problem_.columns[static_cast<std::size_t>(indicator)].upper = 0;
            return true;
        }
        if (formula.kind == Formula::Kind::All) {
            for (const Formula& part : formula.parts) {
                if (!Enforce(part, indicator)) return false;
            }
            return true;
        }
        if (formula.kind == Formula::Kind::Any) {
            std::vector<const Formula*> options;
            for (const Formula& part : formula.parts) options.push_back(&part);
            return EnforceAny(options, indicator);
        }
        const Side side = SideOf(formula.lhs);
        const double step = side.whole ? 1 : kDecimalStep;
        switch (formula.relation) {
            case Relation::LessEqual:
                Bound(side, true, 0, indicator);
                break;
            case Relation::Less:
                Bound(side, true, -step, indicator);
                break;
            case Relation::GreaterEqual:
                Bound(side, false, 0, indicator);
                break;
            case Relation::Greater:
                Bound(side, false, step, indicator);
                break;
            case Relation::Equal:
                Bound(side, true, 0, indicator);
                Bound(side, false, 0, indicator);
                break;
            case Relation::NotEqual: {
                Formula below = formula;
                below.relation = Relation::Less;
                Formula above = formula;
                above.relation = Relation::Greater;
                return EnforceAny({&below, &above}, indicator);
            }
        }
        return true;
    }

    const std::vector<FieldState>& fields_;
    MipProblem problem_;
    std::map<int, FieldColumns> columns_;
};

}  // namespace

std::optional<bool> DecidedByFixed(const Formula& formula, const std::vector<FieldState>& fields) {
    if (formula.kind == Formula::Kind::Compare) {
        for (const LinearTerm& term : formula.lhs.terms) {
            if (fields[static_cast<std::size_t>(term.field)].free) return std::nullopt;
        }
        return Evaluate(formula,
                        [&](int field) { return fields[static_cast<std::size_t>(field)].value; });
    }
    const bool all = formula.kind == Formula::Kind::All;
    bool open = false;
    for (const Formula& part : formula.parts) {
        const std::optional<bool> decided = DecidedByFixed(part, fields);
        if (!decided) {
            open = true;
        } else if (*decided != all) {
            return !all;  // a false part of "all", a true part of "any"
        }
    }
    if (open) return std::nullopt;
    return all;
}

Formula Negated(const Formula& formula) {
    Formula negated;
    switch (formula.kind) {
        case Formula::Kind::All:
        case Formula::Kind::Any:
            negated.kind =
                formula.kind == Formula::Kind::All ? Formula::Kind::Any : Formula::Kind::All;
            for (const Formula& part : formula.parts) negated.parts.push_back(Negated(part));
            return negated;
        case Formula::Kind::Compare:
            break;
    }
    negated = formula;
    switch (formula.relation) {
        case Relation::LessEqual:
            negated.relation = Relation::Greater;
            break;
        case Relation::Less:
            negated.relation = Relation::GreaterEqual;
            break;
        case Relation::Equal:
            negated.relation = Relation::NotEqual;
            break;
        case Relation::NotEqual:
            negated.relation = Relation::Equal;
            break;
        case Relation::GreaterEqual:
            negated.relation = Relation::Less;
            break;
        case Relation::Greater:
            negated.relation = Relation::LessEqual;
            break;
    }
    return negated;
}

RepairResult SolveRepair(const std::vector<FieldState>& fields,
                         const std::vector<const Formula*>& formulas, bool preferClose) {
    RepairResult result;
    ModelBuilder builder(fields);
    for (const Formula* formula : formulas) {
        if (!builder.Add(*formula)) {
            result.status = RepairResult::Status::Infeasible;
            return result;
        }
    }
    MipProblem& problem = builder.Problem();
    if (preferClose) {
        // Among the cheapest repairs, the one nearest the current values: each unit of distance
        // costs so little that all of them together weigh less than half the lightest change.
        double farthest = 1;
        double lightest = 1;
        for (const auto& [field, columns] : builder.Columns()) {
            farthest += std::max(columns.base, columns.bound);
            lightest = std::min(lightest, fields[static_cast<std::size_t>(field)].weight);
        }
        const double unit = 0.5 * lightest / farthest;
        for (const auto& [field, columns] : builder.Columns()) {
            // distance ≥ |value − current × change|
            const int distance = problem.AddColumn({0, kUnbounded, false, unit});
            problem.rows.push_back(
                {{{distance, 1}, {columns.value, -1}, {columns.change, columns.base}},
                 0,
                 kUnbounded});
            problem.rows.push_back(
                {{{distance, 1}, {columns.value, 1}, {columns.change, -columns.base}},
                 0,
                 kUnbounded});
        }
    }
    const MipSolution solution = SolveMip(problem);
    if (solution.status == MipSolution::Status::Infeasible) {
        result.status = RepairResult::Status::Infeasible;
        return result;
    }
    if (solution.status != MipSolution::Status::Optimal) return result;

    result.status = RepairResult::Status::Repaired;
    for (const auto& [field, columns] : builder.Columns()) {
        if (solution.values[static_cast<std::size_t>(columns.change)] < 0.5) continue;
        result.changed.emplace_back(field,
                                    solution.values[static_cast<std::size_t>(columns.value)]);
        result.cost += fields[static_cast<std::size_t>(field)].weight;
    }
    return result;
}

}  // namespace tallwick::locate
