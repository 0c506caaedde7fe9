#pragma once

// The stored records as the review reads them: one pass over both record tables into columns,
// one array of values per answer, so that each answer's strata are gathered from contiguous
// memory.

#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

namespace tallwick::review {

struct ReviewRows {
    std::vector<double> codes;  // c901, ascending
    std::vector<std::string> names;
    std::vector<int> levels;      // c904; an empty level is 0
    std::vector<bool> reporting;  // c907 at most 2: the union reports survey data
    // values[field][record] by LocateFieldIndex; an empty answer is 0. The cover fields' arrays
    // stay empty.
    std::vector<std::vector<double>> values;

    std::size_t Size() const { return codes.size(); }
};

// Every record with a positive code, the records the summary sums, in code order. With two
// readers the upper half of the codes is read on a connection and thread of its own while this
// one reads the lower half: reading is most of the review's work, and SQLite reads a file from
// several connections at once.
ReviewRows ReadReviewRows(SQLite::Database& db, unsigned readers = 1);

}  // namespace tallwick::review
