#pragma once

// Bulk writes into the record tables judged in one pass instead of row by row: the guard
// triggers evaluate every limit through the engine for each inserted row, which dominates an
// import of many records. Inside one transaction the insert guards are left out, the rows
// written are judged here, and the guards are put back, exactly as they were, before the commit.
#include "store/field_limits.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tallwick {

// The rowid of the first row of main.<table> above `afterRowId` whose values break `limits`,
// judged exactly as WithinLimitSql judges them; nothing when every row keeps them.
std::optional<std::int64_t> FirstRowBreakingLimits(SQLite::Database& db, const std::string& table,
                                                   const std::vector<FieldLimit>& limits,
                                                   std::int64_t afterRowId);

// The insert guards of dt_data and dt_data1, dropped for as long as a bulk insert runs inside an
// open transaction. Restore() must come before the commit; a rollback brings them back anyway.
class SuspendedInsertGuards {
  public:
    explicit SuspendedInsertGuards(SQLite::Database& db);
    void Restore();

  private:
    SQLite::Database& db_;
    std::vector<std::pair<std::string, std::string>> dropped_;  // name, definition
};

}  // namespace tallwick
