#include "verify/taken_values.h"

#include "common/ascii.h"
#include "entry/processor_stamp.h"
#include "history/recorded_write.h"

#include <SQLiteCpp/Transaction.h>

#include <map>
#include <stdexcept>

namespace tallwick::verify {

std::size_t WriteTakenValues(SQLite::Database& db, const std::vector<TakenValue>& taken,
                             std::string_view operation) {
    const auto catalogue = entry::EntryCatalogue::Read(db);
    const std::string codeField =
        catalogue.Rows().empty() ? std::string("c901") : catalogue.Rows().front().fieldName;
    std::map<double, std::map<std::string, entry::FieldValue>> byRecord;
    for (const TakenValue& value : taken) {
        const std::string lower = AsciiLower(value.field);
        if (lower == AsciiLower(codeField) || lower == "recordstate")
            throw std::invalid_argument("not an answer that can be taken: " + value.field);
        byRecord[value.code][lower] = value.value;
    }
    const std::string stamp = entry::ProcessorStamp();
    SQLite::Transaction transaction(db);
    for (const auto& [code, values] : byRecord) {
        const entry::StoredRecord stored = entry::ReadRecord(db, code);
        if (!stored.found) throw std::invalid_argument("no stored record " + entry::CodeText(code));
        std::size_t known = 0;
        for (const auto& row : catalogue.Rows()) known += values.count(AsciiLower(row.fieldName));
        if (known != values.size()) throw std::invalid_argument("a taken field is not catalogued");
        // The code is always given, so both rows are addressed; every other field only when taken.
        const entry::FieldSource source =
            [&](const std::string& name) -> std::optional<entry::FieldValue> {
            const std::string lower = AsciiLower(name);
            if (lower == AsciiLower(codeField)) return code;
            const auto it = values.find(lower);
            if (it == values.end()) return std::nullopt;
            return it->second;
        };
        entry::RecordWrite write;
        write.existingCode = code;
        const auto state = stored.data.find("recordstate");
        write.recordState =
            state == stored.data.end() ? 0 : static_cast<int>(entry::AsNumber(state->second));
        write.processorStamp = stamp;
        history::WriteRecordRowsWithHistory(db, catalogue, source, write, operation);
    }
    transaction.commit();
    return byRecord.size();
}

}  // namespace tallwick::verify
