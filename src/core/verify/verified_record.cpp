#include "verify/verified_record.h"

#include "common/ascii.h"
#include "history/recorded_write.h"
#include "verify/verification_marks.h"
#include "verify/verify_operations.h"

#include <SQLiteCpp/Transaction.h>

#include <map>
#include <stdexcept>

namespace tallwick::verify {

void SaveVerifiedRecord(SQLite::Database& db, const VerifiedRecord& record, int recordState) {
    const auto catalogue = entry::EntryCatalogue::Read(db);
    const std::string codeField =
        AsciiLower(catalogue.Rows().empty() ? "c901" : catalogue.Rows().front().fieldName);
    std::map<std::string, entry::FieldValue> replaced;
    VerificationMark mark;
    mark.code = record.code;
    mark.answersKeyed = record.answersKeyed;
    for (const SettledDifference& difference : record.differences) {
        if (difference.settled == ThirdKeyingRule::Outcome::NewReplaces) {
            replaced[AsciiLower(difference.field)] = difference.keyed;
            ++mark.confirmed;
        } else {
            ++mark.withdrawn;
        }
    }

    SQLite::Transaction transaction(db);
    const entry::StoredRecord stored = entry::ReadRecord(db, record.code);
    if (!stored.found)
        throw std::invalid_argument("no stored record " + entry::CodeText(record.code));
    const auto stamp = stored.data.find("c900");
    mark.firstKeying = stamp == stored.data.end() ? std::string() : entry::AsText(stamp->second);
    const entry::FieldSource values =
        [&](const std::string& name) -> std::optional<entry::FieldValue> {
        const std::string lower = AsciiLower(name);
        if (lower == codeField) return record.code;
        const auto it = replaced.find(lower);
        if (it == replaced.end()) return std::nullopt;
        return it->second;
    };
    entry::RecordWrite write;
    write.existingCode = record.code;
    write.recordState = recordState;
    write.processorStamp = mark.firstKeying;
    history::WriteRecordRowsWithHistory(db, catalogue, values, write, kVerifiedEntry);
    AppendVerificationMark(db, mark);
    transaction.commit();
}

}  // namespace tallwick::verify
