#pragma once

// Re-submitted data: a unit sends corrected records whose codes are already present. The user
// decides per code whether the existing record stays or the incoming one replaces it.
#include "exchange/data_import.h"

#include <SQLiteCpp/Database.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tallwick::exchange {

// The colliding codes whose incoming record replaces the existing one; every other colliding
// code keeps its existing record. Codes that do not collide are added either way.
struct ImportDecisions {
    std::set<double> replace;
};

// How the command line settles collisions for all codes at once.
enum class CollisionHandling { Refuse, Keep, Replace };

// The codes of the file that are already present, ascending.
std::vector<double> CollidingCodes(SQLite::Database& working, const PreparedImport& prepared);

// One colliding record, as the conflict view lists it.
struct CollidingRecord {
    double code = 0;
    std::string existingName;
    std::string incomingName;
    std::optional<int> existingState;
    std::optional<int> incomingState;
    int differingFields = 0;  // catalogue fields of both tables whose values differ
};
std::vector<CollidingRecord> ListCollisions(SQLite::Database& working,
                                            const PreparedImport& prepared);

// One field whose existing and incoming values differ, in catalogue order.
struct FieldDifference {
    std::string field;     // z001
    std::string question;  // the catalogue's readable name
    std::string existing;  // values as the user reads them; empty for no value
    std::string incoming;
};
std::vector<FieldDifference> DescribeDifferences(SQLite::Database& working,
                                                 const PreparedImport& prepared, double code);

// The decisions of a setting for all codes: Keep replaces none, Replace every colliding code.
ImportDecisions DecisionsForAll(SQLite::Database& working, const PreparedImport& prepared,
                                CollisionHandling handling);

// Imports the file with the collisions settled, after a safety copy, in one transaction: new
// codes are added, the codes to replace lose their existing rows of both tables to the incoming
// ones, the others keep theirs. Failures are judged and reported like those of TransferImport,
// and nothing is imported then. Entered into the history either way.
ImportResult ImportWithDecisions(SQLite::Database& working, const PreparedImport& prepared,
                                 const ImportDecisions& decisions,
                                 const std::filesystem::path& temporaryFolder,
                                 const ExchangeProgress& progress = {});

}  // namespace tallwick::exchange
