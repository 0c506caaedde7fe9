#pragma once

// Which answers of a record with logic errors are probably wrong: the fewest answers whose
// change lets every rule hold (the Fellegi-Holt principle), found with a mixed-integer program,
// and values for them. A suggestion is given only when the compiled rules pass the repaired
// record.

#include "check/compiled_rules.h"
#include "locate/locate_catalogue.h"
#include "locate/repair_model.h"
#include "locate/rule_formula.h"

#include <functional>
#include <optional>
#include <vector>

namespace tallwick::locate {

// The rules a repair must satisfy: as formulas for the model, and the judge of a repaired record.
struct LocateRules {
    std::vector<FormulaRule> formulas;
    std::function<bool(const check::RecordValues&)> allHold;

    // The 139 delivered rules, judged by the compiled rules.
    static LocateRules Delivered();
    // Any rules, judged by their own formulas.
    static LocateRules FromFormulas(std::vector<FormulaRule> formulas);
};

// Why a repair clears an answer: the record's level does not ask for it.
inline constexpr const char* kUnaskedNote = "本级工会层次不填报，应为 0";

struct RepairChange {
    int field = 0;  // LocateFieldIndex
    double current = 0;
    double repaired = 0;
    // The record's level does not ask for the answer: the repair clears it (repaired is 0).
    bool unasked = false;

    bool operator==(const RepairChange&) const = default;
};

struct Localisation {
    enum class Outcome {
        NoErrors,   // every rule holds: nothing to suggest
        Suggested,  // changes holds a smallest repair, checked by the judge
        NoRepair,   // no values within the answers' limits let every rule hold
        NotFound,   // the solver gave no answer that passed the judge
    };
    Outcome outcome = Outcome::NoErrors;
    std::vector<RepairChange> changes;  // in questionnaire order
};

class ErrorLocaliser {
  public:
    ErrorLocaliser(LocateCatalogue catalogue, LocateRules rules);

    // The record's cover fields stay as they are; answers that its level (c904) does not ask
    // for are cleared, as the entry window clears them; every other answer may change.
    Localisation Locate(const check::RecordValues& record) const;

    // The weight of a smallest repair from one model over every answer at once: slow on hard
    // records and unsound with gross values, but built apart from Locate's search, so that tests
    // and benchmarks can hold Locate's repairs against it. nullopt when that model has no answer.
    std::optional<double> SmallestRepairCost(const check::RecordValues& record) const;

    const LocateCatalogue& Catalogue() const { return catalogue_; }
    const LocateRules& Rules() const { return rules_; }

  private:
    class Search;

    LocateCatalogue catalogue_;
    LocateRules rules_;
    std::vector<std::vector<int>> ruleFields_;  // per formula: the fields it names, once each
    std::vector<std::vector<int>> fieldRules_;  // per field: the formulas that name it
};

// The record with every change applied.
check::RecordValues Repaired(check::RecordValues record, const std::vector<RepairChange>& changes);

}  // namespace tallwick::locate
