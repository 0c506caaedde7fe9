#include "locate/mip_problem.h"

#include <glpk.h>

#include <cmath>
#include <csetjmp>

namespace tallwick::locate {
namespace {

// Enough subproblems for every repair model of the survey; a model that needs more gets no
// answer rather than a late one, and the count, unlike a time limit, is the same on every run.
constexpr int kSubproblemBudget = 20000;

struct SearchBudget {
    int left = kSubproblemBudget;
};

void CountSubproblems(glp_tree* tree, void* info) {
    if (glp_ios_reason(tree) != GLP_ISELECT) return;
    auto* budget = static_cast<SearchBudget*>(info);
    if (--budget->left <= 0) glp_ios_terminate(tree);
}

// GLPK ends the process on an internal error unless its hook leaves by a long jump.
thread_local std::jmp_buf* solverFailure = nullptr;

// An internal error prints its diagnosis even with the terminal output off; nobody reads it.
int Silent(void*, const char*) {
    return 1;
}

void LeaveOnFailure(void*) {
    if (solverFailure) std::longjmp(*solverFailure, 1);
}

int BoundsType(double lower, double upper) {
    const bool hasLower = lower != -kUnbounded;
    const bool hasUpper = upper != kUnbounded;
    if (hasLower && hasUpper) return lower == upper ? GLP_FX : GLP_DB;
    if (hasLower) return GLP_LO;
    if (hasUpper) return GLP_UP;
    return GLP_FR;
}

double Finite(double value) {
    return std::isinf(value) ? 0 : value;
}

void Load(glp_prob* lp, const MipProblem& problem) {
    const int columnCount = static_cast<int>(problem.columns.size());
    const int rowCount = static_cast<int>(problem.rows.size());
    glp_set_obj_dir(lp, GLP_MIN);
    if (rowCount > 0) glp_add_rows(lp, rowCount);
    if (columnCount > 0) glp_add_cols(lp, columnCount);
    for (int c = 0; c < columnCount; ++c) {
        const MipColumn& column = problem.columns[static_cast<std::size_t>(c)];
        glp_set_col_bnds(lp, c + 1, BoundsType(column.lower, column.upper), Finite(column.lower),
                         Finite(column.upper));
        glp_set_obj_coef(lp, c + 1, column.cost);
        if (column.integer) glp_set_col_kind(lp, c + 1, GLP_IV);
    }
    // GLPK counts from 1; element 0 of each array is unused.
    std::vector<int> rows{0}, columns{0};
    std::vector<double> values{0};
    for (int r = 0; r < rowCount; ++r) {
        const MipRow& row = problem.rows[static_cast<std::size_t>(r)];
        glp_set_row_bnds(lp, r + 1, BoundsType(row.lower, row.upper), Finite(row.lower),
                         Finite(row.upper));
        for (const auto& [column, value] : row.coefficients) {
            rows.push_back(r + 1);
            columns.push_back(column + 1);
            values.push_back(value);
        }
    }
    glp_load_matrix(lp, static_cast<int>(values.size()) - 1, rows.data(), columns.data(),
                    values.data());
}

bool BoundsConsistent(const MipProblem& problem) {
    for (const MipColumn& column : problem.columns) {
        if (column.lower > column.upper) return false;
    }
    for (const MipRow& row : problem.rows) {
        if (row.lower > row.upper) return false;
    }
    return true;
}

}  // namespace

MipSolution SolveMip(const MipProblem& problem, bool presolve) {
    MipSolution solution;
    if (!BoundsConsistent(problem)) {
        solution.status = MipSolution::Status::Infeasible;
        return solution;
    }
    glp_prob* lp = nullptr;
    std::jmp_buf failure;
    if (setjmp(failure) != 0) {
        // The environment holds the problem too; freeing it is all that is left to do.
        solverFailure = nullptr;
        glp_error_hook(nullptr, nullptr);
        glp_free_env();
        return MipSolution{};
    }
    solverFailure = &failure;
    glp_error_hook(LeaveOnFailure, nullptr);
    glp_term_out(GLP_OFF);
    glp_term_hook(Silent, nullptr);

    lp = glp_create_prob();
    Load(lp, problem);
    if (!presolve) {
        glp_smcp simplex;
        glp_init_smcp(&simplex);
        simplex.msg_lev = GLP_MSG_OFF;
        simplex.presolve = GLP_OFF;
        if (glp_simplex(lp, &simplex) != 0 || glp_get_status(lp) != GLP_OPT) {
            const bool empty = glp_get_status(lp) == GLP_NOFEAS;
            glp_delete_prob(lp);
            glp_error_hook(nullptr, nullptr);
            solverFailure = nullptr;
            solution.status = empty ? MipSolution::Status::Infeasible : MipSolution::Status::Failed;
            return solution;
        }
    }
    SearchBudget budget;
    glp_iocp options;
    glp_init_iocp(&options);
    options.msg_lev = GLP_MSG_OFF;
    options.presolve = presolve ? GLP_ON : GLP_OFF;
    if (problem.hard) {
        options.mir_cuts = GLP_ON;
        options.gmi_cuts = GLP_ON;
        options.cov_cuts = GLP_ON;
        options.clq_cuts = GLP_ON;
    }
    options.tol_int = 1e-9;
    options.mip_gap = 0;
    options.cb_func = CountSubproblems;
    options.cb_info = &budget;
    const int code = glp_intopt(lp, &options);
    const int status = glp_mip_status(lp);
    if (code == GLP_ENOPFS || code == GLP_ENODFS || (code == 0 && status == GLP_NOFEAS)) {
        solution.status = MipSolution::Status::Infeasible;
    } else if (code == 0 && status == GLP_OPT) {
        solution.status = MipSolution::Status::Optimal;
        solution.values.resize(problem.columns.size());
        for (std::size_t c = 0; c < problem.columns.size(); ++c) {
            double value = glp_mip_col_val(lp, static_cast<int>(c) + 1);
            if (problem.columns[c].integer) value = std::round(value);
            solution.values[c] = value;
        }
        solution.objective = glp_mip_obj_val(lp);
    }
    glp_delete_prob(lp);
    glp_error_hook(nullptr, nullptr);
    solverFailure = nullptr;
    return solution;
}

}  // namespace tallwick::locate
