#pragma once

// Settling the differences of a comparison: the user takes the other keying's value of an answer
// (or of every answer of a record); keeping this side's value changes nothing.
#include "entry/record_io.h"

#include <SQLiteCpp/Database.h>

#include <string>
#include <string_view>
#include <vector>

namespace tallwick::verify {

struct TakenValue {
    double code = 0;
    std::string field;  // the catalogue's FieldName
    entry::FieldValue value;
};

// Writes the values into their stored records as edits of the entry window would: through the
// same write (the same conversions, the table's limits), a saved record judged again by the rules
// as a check run judges it (a held one stays held), with one
// history row under `operation` per value that really changed, all in one transaction. A value
// of a record that is not stored, or of a field without entry, fails and changes nothing.
// Returns the number of records written.
std::size_t WriteTakenValues(SQLite::Database& db, const std::vector<TakenValue>& taken,
                             std::string_view operation);

}  // namespace tallwick::verify
