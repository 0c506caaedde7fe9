#pragma once

#include "check/logic_error.h"
#include "check/row_snapshot.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <set>
#include <string>
#include <vector>

namespace tallwick::check {

// What the entry window lets the user answer: a yes/no field 0 to 2, a number 0 to the largest
// the entry takes, a level or state from its code list. A stored record may hold other answers
// (an import, an older database); a check run reports them as errors of their own, after the
// rule errors of the record.
class AnswerBounds {
  public:
    // From the catalogue and the code lists; `row` is the record set of the run, whose columns
    // are found once by name.
    AnswerBounds(SQLite::Database& db, const SQLite::Statement& row);

    // The answers of the row outside their limits, in catalogue order.
    std::vector<LogicError> Check(const RowSnapshot& row) const;

  private:
    struct Field {
        int column = 0;
        std::string name;
        std::string hint;
        int page = 0;
        double high = 0;
        const std::set<long long>* codes = nullptr;  // a code list instead of a range
        std::string codeTable;
    };
    std::vector<Field> fields_;
    std::set<long long> levels_;
    std::set<long long> states_;
};

}  // namespace tallwick::check
