#pragma once

// A mixed-integer linear program in the plain form every solver takes, and the one solver the
// program uses.

#include <limits>
#include <utility>
#include <vector>

namespace tallwick::locate {

inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

struct MipColumn {
    double lower = 0;
    double upper = kUnbounded;
    bool integer = false;
    double cost = 0;  // minimised
};

// lower <= sum of coefficient × column <= upper
struct MipRow {
    std::vector<std::pair<int, double>> coefficients;
    double lower = -kUnbounded;
    double upper = kUnbounded;
};

struct MipProblem {
    std::vector<MipColumn> columns;
    std::vector<MipRow> rows;
    // A large model with a weak relaxation: worth the solver's cutting planes, which cost more
    // than they save on the small ones.
    bool hard = false;

    int AddColumn(const MipColumn& column) {
        columns.push_back(column);
        return static_cast<int>(columns.size()) - 1;
    }
};

struct MipSolution {
    enum class Status { Optimal, Infeasible, Failed };
    Status status = Status::Failed;
    std::vector<double> values;  // one per column when Optimal
    double objective = 0;
};

// Solves to proven optimality with fixed options on one thread, so that the same problem always
// gives the same solution. Integer columns come back rounded. Without presolve the solver starts
// from the plain relaxation, a second opinion on a verdict the presolved model gave.
MipSolution SolveMip(const MipProblem& problem, bool presolve = true);

}  // namespace tallwick::locate
