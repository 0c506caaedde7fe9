#pragma once

// The mixed-integer program behind a repair: which answers change (one binary each) and to what
// (one whole number each), such that given formulas hold. Comparisons inside "or" hold under an
// indicator binary through big-M rows, each M the widest value of its side within the answers'
// bounds.

#include "locate/rule_formula.h"

#include <optional>
#include <vector>

namespace tallwick::locate {

struct FieldState {
    bool free = false;    // the answer may change
    double value = 0;     // fixed: its value; free: its current value
    bool forced = false;  // free, and the current value is outside the limits: it must change
    double bound = 0;     // free: the largest value a repair may give it
    double weight = 1;    // free: what a change costs
};

struct RepairResult {
    enum class Status { Repaired, Infeasible, Failed };
    Status status = Status::Failed;
    std::vector<std::pair<int, double>> changed;  // field, new value; by field
    double cost = 0;
};

// The cheapest change of free fields under which every formula holds; among the cheapest, the one
// whose values lie closest to the current ones when preferClose. Fields the formulas do not name
// stay as they are.
RepairResult SolveRepair(const std::vector<FieldState>& fields,
                         const std::vector<const Formula*>& formulas, bool preferClose);

// Whether the fixed fields alone decide the formula; nullopt when it depends on a free field.
std::optional<bool> DecidedByFixed(const Formula& formula, const std::vector<FieldState>& fields);

// The condition under which `formula` fails.
Formula Negated(const Formula& formula);

}  // namespace tallwick::locate
