#include "locate/repair_model.h"

#include "locate/mip_problem.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace tallwick::locate {
namespace {

// The least difference a strict comparison demands where a side holds values finer than cents.
constexpr double kFinestStep = 1e-6;
constexpr double kCent = 0.01;

bool Whole(double value) {
    return value == std::floor(value);
}

bool WholeCents(double value) {
    const double cents = value / kCent;
    return std::fabs(cents - std::round(cents)) <= 1e-9 * std::max(1.0, std::fabs(cents));
}

// The finest step between the values a side can take, given one more term of `value`.
double Grain(double grain, double value) {
    if (Whole(value)) return grain;
    return WholeCents(value) ? std::min(grain, kCent) : kFinestStep;
}

// The column of one free field, counted in its own steps: the field is step × column, or, where
// it may keep its value, current × (1 − change) + step × column with column ≤ top × change.
struct FieldColumn {
    int column = -1;
    int change = -1;
    double current = 0;
    double step = 1;
    double top = 0;  // the largest value
};

// A comparison side as columns: sum of coefficients × columns + constant, and its range.
struct Side {
    std::map<int, double> columns;
    double constant = 0;
    double lowest = 0;
    double highest = 0;
    double grain = 1;
};

class ModelBuilder {
  public:
    explicit ModelBuilder(const std::vector<FieldState>& fields) : fields_(fields) {}

    // False when some formula cannot hold whatever the free fields do.
    bool Add(const Formula& formula) { return Enforce(formula, -1); }

    MipProblem& Problem() { return problem_; }
    const std::map<int, FieldColumn>& Columns() const { return columns_; }

  private:
    enum class Fold { True, False, Open };

    bool IsFree(int field) const { return fields_[static_cast<std::size_t>(field)].free; }

    const FieldColumn& ColumnOf(int field) {
        const auto found = columns_.find(field);
        if (found != columns_.end()) return found->second;
        const FieldState& state = fields_[static_cast<std::size_t>(field)];
        FieldColumn column;
        column.step = state.step;
        const double steps = std::floor(state.bound / state.step + 1e-9);
        column.top = steps * state.step;
        column.column = problem_.AddColumn({0, steps, true, 0});
        if (state.mayKeep) {
            column.current = state.value;
            column.change = problem_.AddColumn({0, 1, true, state.weight});
            problem_.rows.push_back(
                {{{column.column, 1}, {column.change, -steps}}, -kUnbounded, 0});
        }
        return columns_.emplace(field, column).first->second;
    }

    Side SideOf(const Linear& linear) {
        Side side;
        side.constant = linear.constant;
        side.grain = Grain(1, linear.constant);
        // The range: each free field between 0 and its top, plus the fixed part.
        double fixedPart = linear.constant;
        for (const LinearTerm& term : linear.terms) {
            const double a = term.coefficient;
            const FieldState& state = fields_[static_cast<std::size_t>(term.field)];
            if (!state.free) {
                side.constant += a * state.value;
                fixedPart += a * state.value;
                side.grain = Grain(side.grain, a * state.value);
                continue;
            }
            const FieldColumn& column = ColumnOf(term.field);
            side.columns[column.column] += a * column.step;
            side.grain = Grain(side.grain, a * column.step);
            double top = column.top;
            if (column.change >= 0) {
                side.constant += a * column.current;
                side.columns[column.change] -= a * column.current;
                side.grain = Grain(side.grain, a * column.current);
                top = std::max(top, column.current);
            }
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
        switch (formula.relation) {
            case Relation::LessEqual:
                Bound(side, true, 0, indicator);
                break;
            case Relation::Less:
                Bound(side, true, -side.grain, indicator);
                break;
            case Relation::GreaterEqual:
                Bound(side, false, 0, indicator);
                break;
            case Relation::Greater:
                Bound(side, false, side.grain, indicator);
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
    std::map<int, FieldColumn> columns_;
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

double RelativeDistance(double current, double repaired) {
    if (!std::isfinite(current)) return 1;
    return std::fabs(repaired - current) / (std::fabs(current) + 1);
}

RepairResult SolveRepair(const std::vector<FieldState>& fields,
                         const std::vector<const Formula*>& formulas, RepairGoal goal,
                         bool presolve) {
    RepairResult result;
    ModelBuilder builder(fields);
    for (const Formula* formula : formulas) {
        if (!builder.Add(*formula)) {
            result.status = RepairResult::Status::Infeasible;
            return result;
        }
    }
    MipProblem& problem = builder.Problem();
    problem.hard = goal == RepairGoal::FewestChanges;
    if (goal == RepairGoal::Closest) {
        for (const auto& [field, column] : builder.Columns()) {
            if (column.change >= 0) continue;
            const double current = fields[static_cast<std::size_t>(field)].value;
            if (!std::isfinite(current)) continue;
            // distance ≥ |step × column − current|, weighed as RelativeDistance weighs it
            const int distance =
                problem.AddColumn({0, kUnbounded, false, 1 / (std::fabs(current) + 1)});
            problem.rows.push_back(
                {{{distance, 1}, {column.column, -column.step}}, -current, kUnbounded});
            problem.rows.push_back(
                {{{distance, 1}, {column.column, column.step}}, current, kUnbounded});
        }
    }
    MipSolution solution = SolveMip(problem, presolve);
    // GLPK's presolver stops on some models that are well posed; the plain path takes them.
    if (presolve && solution.status == MipSolution::Status::Failed) {
        solution = SolveMip(problem, false);
    }
    if (solution.status == MipSolution::Status::Infeasible) {
        result.status = RepairResult::Status::Infeasible;
        return result;
    }
    if (solution.status != MipSolution::Status::Optimal) return result;

    result.status = RepairResult::Status::Repaired;
    for (const auto& [field, column] : builder.Columns()) {
        if (column.change >= 0) {
            if (solution.values[static_cast<std::size_t>(column.change)] < 0.5) continue;
            result.cost += fields[static_cast<std::size_t>(field)].weight;
        }
        const double steps = solution.values[static_cast<std::size_t>(column.column)];
        // Cents are counted whole, so 1234 steps become 12.34 and not 12.340000000000002.
        const double value = column.step == 1 ? steps : steps / std::round(1 / column.step);
        result.values.emplace_back(field, value);
    }
    return result;
}

}  // namespace tallwick::locate
