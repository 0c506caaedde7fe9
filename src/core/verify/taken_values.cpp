#include "verify/taken_values.h"

#include "check/check_scope.h"
#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "common/ascii.h"
#include "entry/processor_stamp.h"
#include "history/recorded_write.h"

#include <SQLiteCpp/Transaction.h>

#include <map>
#include <stdexcept>

namespace tallwick::verify {
namespace {

// A taken value can make a record break a rule, or mend it: a saved record is judged again as a
// check run judges it. A held record stays held, and one that does not report is never checked.
void JudgeAgain(SQLite::Database& db, const std::vector<double>& codes) {
    const check::CompiledRuleSet rules(check::FieldHints::Load(db));
    SQLite::Statement rows(db, std::string(check::kCheckSelectHead) +
                                   " where dt_data.c901=? and dt_data.RecordState in (1,2)"
                                   " and dt_data.c907<=2");
    const check::RecordColumns columns(rows);
    SQLite::Statement update(db, "UPDATE dt_data SET RecordState=? WHERE c901=?");
    for (const double code : codes) {
        rows.bind(1, code);
        if (rows.executeStep()) {
            update.bind(1, rules.FailingRules(columns.Read(rows)).empty() ? 1 : 2);
            update.bind(2, code);
            update.exec();
            update.reset();
        }
        rows.reset();
    }
}

}  // namespace

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
    std::vector<double> codes;
    for (const auto& entry : byRecord) codes.push_back(entry.first);
    JudgeAgain(db, codes);
    transaction.commit();
    return byRecord.size();
}

}  // namespace tallwick::verify
