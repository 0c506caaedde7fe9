#pragma once

#include "entry/record_io.h"
#include "history/history_rows.h"

#include <SQLiteCpp/Database.h>

#include <string_view>
#include <vector>

namespace tallwick::history {

// The fields that `values` holds whose stored value differs between `before` and `after`, in
// catalogue order, each as the text of its stored value. A record that did not exist before
// counts as the empty record the window starts from: only fields stored with something other
// than empty or 0 are changes.
std::vector<FieldChange> ChangedFields(const entry::EntryCatalogue& catalogue,
                                       const entry::FieldSource& values,
                                       const entry::StoredRecord& before,
                                       const entry::StoredRecord& after);

// entry::WriteRecord with the record's history under `operation` (录入保存, 临时保存): the fields
// the write changed with their old and new values, in the same transaction as the two rows.
// Comparing the stored rows before and after tells what the write really changed, after every
// conversion the write makes.
double WriteRecordWithHistory(SQLite::Database& db, const entry::EntryCatalogue& catalogue,
                              const entry::FieldSource& values, const entry::RecordWrite& write,
                              std::string_view operation);

// The same inside the caller's transaction, for a change of several records at once.
double WriteRecordRowsWithHistory(SQLite::Database& db, const entry::EntryCatalogue& catalogue,
                                  const entry::FieldSource& values, const entry::RecordWrite& write,
                                  std::string_view operation);

}  // namespace tallwick::history
