#pragma once

// What a rule set allows, class by class of units whose level rules enable the same answers:
// whether all rules can hold at once, which rules can never fail within the answers' limits,
// and which follow from the others.

#include "locate/error_localiser.h"

#include <vector>

namespace tallwick::locate {

struct LevelClassAnalysis {
    std::vector<int> levels;        // the level codes of the class
    int answeredFields = 0;         // answers the class fills in
    bool consistent = false;        // some answers satisfy every rule
    std::vector<int> conflicting;   // when not: rules that cannot hold together, none spare
    std::vector<int> levelDecided;  // rules that the level alone makes hold (their answers unasked)
    std::vector<int> neverFail;     // other rules that hold for any answers up to their limits
    std::vector<int> implied;       // rules that may go: the rules kept imply them
    std::vector<int> undecided;     // the solver gave no answer for these
};

// Every level code in `levels`, grouped into classes. Whether the rules hold together and which
// follow from the others is judged with answers up to `bound`; a rule is said never to fail only
// when it holds for answers up to their limits.
std::vector<LevelClassAnalysis> AnalyseRules(const LocateCatalogue& catalogue,
                                             const std::vector<FormulaRule>& rules,
                                             const std::vector<int>& levels, double bound);

}  // namespace tallwick::locate
