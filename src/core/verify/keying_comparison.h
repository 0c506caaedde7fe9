#pragma once

// Two keyings of the same paper forms, one in the working database and one in another
// installation's database, backup or package, compared answer by answer.
#include "entry/record_io.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick::verify {

// One answer of a record keyed differently in the two files.
struct AnswerDifference {
    double code = 0;
    std::string field;        // the catalogue's FieldName, z001
    std::string question;     // its readable name
    entry::FieldValue here;   // the working database's value; monostate for none
    entry::FieldValue there;  // the other file's
};

struct KeyingComparison {
    std::uint64_t recordsCompared = 0;          // codes present in both
    std::vector<AnswerDifference> differences;  // by code, then in catalogue order
    std::vector<double> onlyHere;               // ascending
    std::vector<double> onlyThere;              // ascending
};

// A stored value as the user reads it: whole numbers without decimals, nothing as empty.
std::string ValueText(const entry::FieldValue& value);

// Compares the working database with a plain database file (attached read-only). The answers
// are the catalogue's fields of both record tables except the code and the record's state; an
// empty answer and a stored one differ, 3 and 3.0 do not. A file whose record tables lack a
// compared column is refused with UserError.
KeyingComparison CompareWithPlainFile(SQLite::Database& working,
                                      const std::filesystem::path& plainFile);

// The same for the file the user chose: a database, a backup or a package, opened and checked
// the way an import opens it (a package is read through a private working copy; the chosen file
// is never changed). A missing, damaged or foreign file is refused with UserError.
KeyingComparison CompareKeyings(SQLite::Database& working, const std::filesystem::path& chosen,
                                const std::filesystem::path& programFolder);

}  // namespace tallwick::verify
