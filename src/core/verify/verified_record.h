#pragma once

// The end of a dependent verification of one record: the values the third keying confirmed
// replace the stored ones, and the pass is marked on the record.
#include "entry/record_io.h"
#include "verify/third_keying.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tallwick::verify {

// An answer whose verification keying differed from the stored value, and how it was settled
// (StoredStands or NewReplaces).
struct SettledDifference {
    std::string field;  // the catalogue's FieldName
    entry::FieldValue stored;
    entry::FieldValue keyed;
    ThirdKeyingRule::Outcome settled = ThirdKeyingRule::Outcome::StoredStands;
};

struct VerifiedRecord {
    double code = 0;
    std::uint64_t answersKeyed = 0;
    std::vector<SettledDifference> differences;
};

// In one transaction: the confirmed values are written through the entry window's write, each
// with a history row 校验录入 (old and new), the record taking `recordState` (its rules judged
// as on every save) and keeping the processor stamp of its keying; then the pass is marked.
// Throws when the record is not stored or a value breaks the record tables' limits; then nothing
// is written.
void SaveVerifiedRecord(SQLite::Database& db, const VerifiedRecord& record, int recordState);

}  // namespace tallwick::verify
