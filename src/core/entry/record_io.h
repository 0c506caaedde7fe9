#pragma once

// One record of the entry window: its dt_data and dt_data1 rows, read and written column by
// column under the names the field catalogue gives, both rows always in one transaction.

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tallwick::entry {

enum QueryType : int { kInteger = 0, kText = 1, kDecimal = 2, kTwoValued = 3 };

struct CatalogueRow {
    std::int64_t id = 0;
    std::string fieldName;
    int queryType = kInteger;
    std::string rule;
};

// The catalogue in sequence order, divided between the two record tables: the last 13 rows
// belong to dt_data1, all others to dt_data, and the first row (the code) to both.
class EntryCatalogue {
  public:
    static constexpr std::size_t kData1Rows = 13;

    static EntryCatalogue Read(SQLite::Database& db);
    explicit EntryCatalogue(std::vector<CatalogueRow> rows);

    const std::vector<CatalogueRow>& Rows() const { return rows_; }
    std::vector<const CatalogueRow*> DataRows() const;
    std::vector<const CatalogueRow*> Data1Rows() const;
    bool BelongsToData1(std::size_t index) const;

  private:
    std::vector<CatalogueRow> rows_;
};

using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;
double AsNumber(const FieldValue& value);  // NULL and text give 0
std::string AsText(const FieldValue& value);

// Column values by lower-case column name.
using RowValues = std::map<std::string, FieldValue, std::less<>>;

struct StoredRecord {
    bool found = false;
    RowValues data;   // dt_data
    RowValues data1;  // dt_data1; empty when the row is missing
    // The value a catalogue row is filled from: dt_data1 for its last rows, else dt_data.
    FieldValue ValueOf(const EntryCatalogue& catalogue, std::size_t index) const;
};

StoredRecord ReadRecord(SQLite::Database& db, double code);

// MAX(c901)+1 of dt_data, 0 for an empty table.
double ProposeNewCode(SQLite::Database& db);
// The shortest plain decimal text of a code, without separators or exponent.
std::string CodeText(double code);
bool CodeIsStored(SQLite::Database& db, double code);

// What a control holds, by field name; nullopt when the field has no control.
using FieldSource = std::function<std::optional<FieldValue>(const std::string& fieldName)>;

struct RecordWrite {
    std::optional<double> existingCode;  // the row pair to change; nullopt appends a new pair
    int recordState = 0;
    std::string processorStamp;
};

// Writes both rows in one transaction (a failure leaves both tables as they were) and returns
// the code written. Values are converted by QueryType; a two-valued code above 2 is stored as 2.
// A missing dt_data1 partner of an existing record is created rather than left missing.
double WriteRecord(SQLite::Database& db, const EntryCatalogue& catalogue, const FieldSource& values,
                   const RecordWrite& write);
// The same inside the caller's transaction, for a caller that changes more with the record.
double WriteRecordRows(SQLite::Database& db, const EntryCatalogue& catalogue,
                       const FieldSource& values, const RecordWrite& write);

}  // namespace tallwick::entry
