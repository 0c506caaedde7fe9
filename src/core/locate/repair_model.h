#pragma once

// The mixed-integer program that gives values to a chosen set of answers so that given formulas
// hold while every other answer keeps its value. Comparisons inside "or" hold under an indicator
// binary through big-M rows, each M the widest value of its side within the free answers' bounds;
// those bounds come from the values the formulas see, so a model never mixes a gross typo with
// unit steps unless the typo itself is kept.

#include "locate/rule_formula.h"

#include <optional>
#include <vector>

namespace tallwick::locate {

struct FieldState {
    bool free = false;  // a variable of the model; otherwise fixed at value
    double value = 0;   // fixed: its value; free: its current value, which a close solution keeps
    double bound = 0;   // free: the largest value it may take
    double step = 1;    // free: 1 for whole numbers, 0.01 for amounts to the cent
    // free: a binary decides whether it keeps its value (at no cost) or changes (at weight)
    bool mayKeep = false;
    double weight = 1;
};

struct RepairResult {
    enum class Status { Repaired, Infeasible, Failed };
    Status status = Status::Failed;
    std::vector<std::pair<int, double>> values;  // Repaired: each free field the formulas name
    double cost = 0;                             // FewestChanges: the weight of the changes
};

enum class RepairGoal {
    AnyValues,  // only whether the formulas can hold
    Closest,    // the values nearest the current ones, each step weighed against the value's size
    // the least weight of changed fields that may keep their values: one model for the whole
    // search, slow on hard records, which makes it the independent measure of a repair's cost
    FewestChanges,
};

// Values of the free fields under which every formula holds. presolve off re-checks a verdict
// on the same model through a different path of the solver.
RepairResult SolveRepair(const std::vector<FieldState>& fields,
                         const std::vector<const Formula*>& formulas, RepairGoal goal,
                         bool presolve = true);

// Whether the fixed fields alone decide the formula; nullopt when it depends on a free field.
std::optional<bool> DecidedByFixed(const Formula& formula, const std::vector<FieldState>& fields);

// The condition under which `formula` fails.
Formula Negated(const Formula& formula);

// The distance of a repair from the record, each change relative to the size of the value it
// replaces: a gross typo brought back costs about 1, the same amount added to a small answer
// costs many times more.
double RelativeDistance(double current, double repaired);

}  // namespace tallwick::locate
