#include "history/recorded_write.h"

#include <SQLiteCpp/Transaction.h>

namespace tallwick::history {

std::vector<FieldChange> ChangedFields(const entry::EntryCatalogue& catalogue,
                                       const entry::FieldSource& values,
                                       const entry::StoredRecord& before,
                                       const entry::StoredRecord& after) {
    std::vector<FieldChange> changes;
    const auto& rows = catalogue.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!values(rows[i].fieldName)) continue;
        std::string old = before.found ? entry::AsText(before.ValueOf(catalogue, i)) : "";
        std::string now = entry::AsText(after.ValueOf(catalogue, i));
        if (old == now || (!before.found && (now.empty() || now == "0"))) continue;
        changes.push_back({rows[i].fieldName, std::move(old), std::move(now)});
    }
    return changes;
}

double WriteRecordWithHistory(SQLite::Database& db, const entry::EntryCatalogue& catalogue,
                              const entry::FieldSource& values, const entry::RecordWrite& write,
                              std::string_view operation) {
    SQLite::Transaction transaction(db);
    const double code = WriteRecordRowsWithHistory(db, catalogue, values, write, operation);
    transaction.commit();
    return code;
}

double WriteRecordRowsWithHistory(SQLite::Database& db, const entry::EntryCatalogue& catalogue,
                                  const entry::FieldSource& values, const entry::RecordWrite& write,
                                  std::string_view operation) {
    const entry::StoredRecord before =
        write.existingCode ? entry::ReadRecord(db, *write.existingCode) : entry::StoredRecord{};
    const double code = entry::WriteRecordRows(db, catalogue, values, write);
    const entry::StoredRecord after = entry::ReadRecord(db, code);
    AppendFieldChanges(db, operation, code, ChangedFields(catalogue, values, before, after));
    return code;
}

}  // namespace tallwick::history
