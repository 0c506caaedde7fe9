#pragma once

// Bulk writes into the record tables judged in one pass instead of row by row: the guard
// triggers evaluate every limit through the engine for each inserted row, which dominates an
// import of many records. Inside one transaction the insert guards are left out, the rows
// written are judged here, and the guards are put back, exactly as they were, before the commit.
#include "store/field_limits.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tallwick {

// The limits of one table with the codes of the code tables they name, read from the working
// database once, so that the judging may run on any connection and any thread.
class LimitJudge {
  public:
    LimitJudge(SQLite::Database& working, std::vector<FieldLimit> limits);

    // The rowid of the first row of schema.table on `db` above `afterRowId` whose values break
    // the limits, judged exactly as WithinLimitSql judges them, rows whose c901 is one of
    // `passedOver` left out; nothing when every row keeps them.
    std::optional<std::int64_t> FirstBreakingRow(SQLite::Database& db, const std::string& schema,
                                                 const std::string& table, std::int64_t afterRowId,
                                                 const std::set<double>& passedOver = {}) const;

  private:
    std::vector<FieldLimit> limits_;
    std::vector<std::set<std::int64_t>> codeSets_;
    std::vector<int> codeSetOf_;  // per limit: its index in codeSets_, -1 for none
};

// The rowid of the first row of main.<table> above `afterRowId` whose values break `limits`;
// nothing when every row keeps them.
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
