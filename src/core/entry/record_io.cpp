#include "entry/record_io.h"

#include "common/ascii.h"
#include "common/number_text.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace tallwick::entry {
namespace {

// Column names are identifiers and cannot be bound; the catalogue's names are checked instead.
std::string QuotedColumn(const std::string& name) {
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               c == '_';
    });
    if (!plain) throw std::invalid_argument("field name not usable as a column: " + name);
    return '"' + name + '"';
}

RowValues ReadRow(SQLite::Database& db, const char* table, double code) {
    SQLite::Statement query(db, std::string("SELECT * FROM ") + table + " WHERE c901=?");
    query.bind(1, code);
    RowValues row;
    if (!query.executeStep()) return row;
    for (int i = 0; i < query.getColumnCount(); ++i) {
        const SQLite::Column column = query.getColumn(i);
        FieldValue value;
        if (column.isInteger())
            value = column.getInt64();
        else if (column.isFloat())
            value = column.getDouble();
        else if (column.isText())
            value = column.getString();
        row[AsciiLower(query.getColumnName(i))] = value;
    }
    return row;
}

std::string TrimBlanksOf(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

struct Assignment {
    std::string column;
    FieldValue value;
};

FieldValue Converted(const CatalogueRow& row, const FieldValue& value, bool clampTwoValued) {
    switch (row.queryType) {
        case kText:
            return TrimBlanksOf(AsText(value));
        case kDecimal:
            return AsNumber(value);
        case kTwoValued: {
            auto number = static_cast<std::int64_t>(std::llround(AsNumber(value)));
            if (clampTwoValued && number > 2) number = 2;
            return number;
        }
        default:
            return static_cast<std::int64_t>(std::llround(AsNumber(value)));
    }
}

void Bind(SQLite::Statement& statement, int index, const FieldValue& value) {
    if (const auto* i = std::get_if<std::int64_t>(&value))
        statement.bind(index, *i);
    else if (const auto* d = std::get_if<double>(&value))
        statement.bind(index, *d);
    else if (const auto* s = std::get_if<std::string>(&value))
        statement.bind(index, *s);
    else
        statement.bind(index);
}

// UPDATE of the row with `key`; when there is none, INSERT.
void WriteRow(SQLite::Database& db, const char* table, const std::vector<Assignment>& values,
              std::optional<double> key) {
    if (key) {
        std::string sql = std::string("UPDATE ") + table + " SET ";
        for (std::size_t i = 0; i < values.size(); ++i) {
            sql += (i ? ", " : "") + QuotedColumn(values[i].column) + "=?";
        }
        SQLite::Statement update(db, sql + " WHERE c901=?");
        for (std::size_t i = 0; i < values.size(); ++i) {
            Bind(update, static_cast<int>(i + 1), values[i].value);
        }
        update.bind(static_cast<int>(values.size() + 1), *key);
        if (update.exec() > 0) return;
    }
    std::string columns, marks;
    for (std::size_t i = 0; i < values.size(); ++i) {
        columns += (i ? ", " : "") + QuotedColumn(values[i].column);
        marks += i ? ", ?" : "?";
    }
    SQLite::Statement insert(
        db, std::string("INSERT INTO ") + table + " (" + columns + ") VALUES (" + marks + ")");
    for (std::size_t i = 0; i < values.size(); ++i) {
        Bind(insert, static_cast<int>(i + 1), values[i].value);
    }
    insert.exec();
}

std::vector<Assignment> Collect(const std::vector<const CatalogueRow*>& rows,
                                const FieldSource& values, bool clampTwoValued) {
    std::vector<Assignment> out;
    for (const CatalogueRow* row : rows) {
        if (const auto value = values(row->fieldName)) {
            out.push_back({row->fieldName, Converted(*row, *value, clampTwoValued)});
        }
    }
    return out;
}

}  // namespace

EntryCatalogue::EntryCatalogue(std::vector<CatalogueRow> rows) : rows_(std::move(rows)) {}

EntryCatalogue EntryCatalogue::Read(SQLite::Database& db) {
    SQLite::Statement query(
        db, "SELECT id, FieldName, QueryType, Rule FROM DT_FieldList ORDER BY sequence, id");
    std::vector<CatalogueRow> rows;
    while (query.executeStep()) {
        rows.push_back({query.getColumn(0).getInt64(), query.getColumn(1).getString(),
                        query.getColumn(2).getInt(), query.getColumn(3).getString()});
    }
    return EntryCatalogue(std::move(rows));
}

bool EntryCatalogue::BelongsToData1(std::size_t index) const {
    return rows_.size() > kData1Rows && index >= rows_.size() - kData1Rows;
}

std::vector<const CatalogueRow*> EntryCatalogue::DataRows() const {
    std::vector<const CatalogueRow*> rows;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!BelongsToData1(i)) rows.push_back(&rows_[i]);
    }
    return rows;
}

std::vector<const CatalogueRow*> EntryCatalogue::Data1Rows() const {
    std::vector<const CatalogueRow*> rows;
    if (rows_.empty()) return rows;
    rows.push_back(&rows_.front());
    for (std::size_t i = 1; i < rows_.size(); ++i) {
        if (BelongsToData1(i)) rows.push_back(&rows_[i]);
    }
    return rows;
}

double AsNumber(const FieldValue& value) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* s = std::get_if<std::string>(&value)) return std::strtod(s->c_str(), nullptr);
    return 0;
}

std::string AsText(const FieldValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) return CodeText(*d);
    return {};
}

FieldValue StoredRecord::ValueOf(const EntryCatalogue& catalogue, std::size_t index) const {
    const RowValues& row = catalogue.BelongsToData1(index) ? data1 : data;
    const auto it = row.find(AsciiLower(catalogue.Rows()[index].fieldName));
    return it == row.end() ? FieldValue{} : it->second;
}

StoredRecord ReadRecord(SQLite::Database& db, double code) {
    StoredRecord record;
    record.data = ReadRow(db, "dt_data", code);
    record.data1 = ReadRow(db, "dt_data1", code);
    record.found = !record.data.empty();
    return record;
}

double ProposeNewCode(SQLite::Database& db) {
    SQLite::Statement query(db, "SELECT MAX(c901)+1 AS NSI FROM dt_data");
    query.executeStep();
    return query.getColumn(0).isNull() ? 0.0 : query.getColumn(0).getDouble();
}

std::string CodeText(double code) {
    return NumberText(code);
}

bool CodeIsStored(SQLite::Database& db, double code) {
    SQLite::Statement query(db, "SELECT count(*) FROM dt_data WHERE c901=?");
    query.bind(1, code);
    query.executeStep();
    return query.getColumn(0).getInt64() > 0;
}

double WriteRecord(SQLite::Database& db, const EntryCatalogue& catalogue, const FieldSource& values,
                   const RecordWrite& write) {
    SQLite::Transaction transaction(db);
    const double code = WriteRecordRows(db, catalogue, values, write);
    transaction.commit();
    return code;
}

double WriteRecordRows(SQLite::Database& db, const EntryCatalogue& catalogue,
                       const FieldSource& values, const RecordWrite& write) {
    std::vector<Assignment> data = Collect(catalogue.DataRows(), values, true);
    data.push_back({"RecordState", static_cast<std::int64_t>(write.recordState)});
    data.push_back({"c900", write.processorStamp});
    const std::vector<Assignment> data1 = Collect(catalogue.Data1Rows(), values, false);

    WriteRow(db, "dt_data", data, write.existingCode);
    WriteRow(db, "dt_data1", data1, write.existingCode);

    const auto code = std::find_if(data.begin(), data.end(), [](const Assignment& a) {
        return AsciiLower(a.column) == "c901";
    });
    return code == data.end() ? write.existingCode.value_or(0) : AsNumber(code->value);
}

}  // namespace tallwick::entry
