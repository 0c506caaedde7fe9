#pragma once

// Appending to the change history. Every function runs inside the caller's transaction, so the
// history row and the change it describes are committed, or rolled back, together.

#include <SQLiteCpp/Database.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallwick::history {

struct FieldChange {
    std::string field;  // the catalogue's FieldName
    std::string oldValue;
    std::string newValue;
};

// One row per changed field of record `code`; with no change at all, one whole-record row, so
// that every write of the record shows in its history. Rows carry this machine's stamp.
void AppendFieldChanges(SQLite::Database& db, std::string_view operation, double code,
                        const std::vector<FieldChange>& changes);

// One whole-record row per code that `codeSelect` (a select of one column) yields, as a single
// INSERT ... SELECT: an operation on 100,000 records costs one pass over them, not 100,000
// statements. The select may use the parameters ?1 … ?n, bound in order from `parameters`.
// This is the hook of every operation on whole records (导入, 导入替换, 删除, 恢复): call it
// within the operation's transaction while the selected records can still be selected.
// A `note` goes into the rows' NewValue, for what the operation did to those records.
void AppendWholeRecordRows(SQLite::Database& db, std::string_view operation,
                           const std::string& codeSelect,
                           const std::vector<double>& parameters = {},
                           const std::optional<std::string>& note = std::nullopt);

// The same for a list of codes, one prepared statement for all of them.
void AppendWholeRecordRows(SQLite::Database& db, std::string_view operation,
                           const std::vector<double>& codes);

}  // namespace tallwick::history
