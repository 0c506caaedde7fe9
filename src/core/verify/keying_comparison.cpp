#include "verify/keying_comparison.h"

#include "common/ascii.h"
#include "common/number_text.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/data_import.h"
#include "store/database.h"

#include <SQLiteCpp/Statement.h>

#include <set>

namespace tallwick::verify {
namespace fs = std::filesystem;

namespace {

constexpr const char* kOther = "other_keying";
constexpr const char* kForeignLayout =
    "所选文件的数据表与本系统的不一致，不是本系统的数据文件，不能比对。";

// A compared answer and the table that holds it (d: dt_data, e: dt_data1).
struct ComparedField {
    std::string name;
    std::string question;
    char table = 'd';
};

std::set<std::string> LowerColumns(SQLite::Database& db, const std::string& schema,
                                   const char* table) {
    std::set<std::string> columns;
    for (const auto& column : exchange::TableColumns(db, schema, table))
        columns.insert(AsciiLower(column));
    return columns;
}

// The catalogue's answers in its order. The code joins the records and the state is the
// program's verdict, not something keyed, so neither is compared.
std::vector<ComparedField> ComparedFields(SQLite::Database& working) {
    const auto data = LowerColumns(working, "main", "dt_data");
    const auto data1 = LowerColumns(working, "main", "dt_data1");
    const auto otherData = LowerColumns(working, kOther, "dt_data");
    const auto otherData1 = LowerColumns(working, kOther, "dt_data1");
    if (otherData1.empty()) throw UserError(kForeignLayout);
    SQLite::Statement query(
        working, "SELECT FieldName, ifnull(Hint, '') FROM main.DT_FieldList ORDER BY sequence, id");
    std::vector<ComparedField> fields;
    while (query.executeStep()) {
        const std::string name = query.getColumn(0).getString();
        const std::string lower = AsciiLower(name);
        if (lower == "c901" || lower == "recordstate") continue;
        const bool inData = data.count(lower) != 0;
        if (!inData && !data1.count(lower)) continue;
        if (!(inData ? otherData : otherData1).count(lower)) throw UserError(kForeignLayout);
        fields.push_back({name, query.getColumn(1).getString(), inData ? 'd' : 'e'});
    }
    return fields;
}

std::string Column(char side, const ComparedField& field) {
    return std::string(1, side) + field.table + "." + QuoteIdentifier(field.name);
}

// "a IS NOT b": two empty values are equal, and numbers compare as numbers (7 equals 7.0).
std::string Differs(const ComparedField& field) {
    return Column('m', field) + " IS NOT " + Column('s', field);
}

entry::FieldValue ValueOf(const SQLite::Column& column) {
    if (column.isInteger()) return column.getInt64();
    if (column.isFloat()) return column.getDouble();
    if (column.isText()) return column.getString();
    return {};
}

std::vector<double> Codes(SQLite::Database& db, const std::string& sql) {
    SQLite::Statement query(db, sql);
    std::vector<double> codes;
    while (query.executeStep()) codes.push_back(query.getColumn(0).getDouble());
    return codes;
}

}  // namespace

std::string ValueText(const entry::FieldValue& value) {
    if (const auto* d = std::get_if<double>(&value)) return NumberText(*d);
    return entry::AsText(value);
}

KeyingComparison CompareWithPlainFile(SQLite::Database& working, const fs::path& plainFile) {
    const exchange::AttachedFile other(working, plainFile, kOther);
    const auto fields = ComparedFields(working);
    const std::string schema = QuoteIdentifier(kOther);

    // One pass over both sets of rows: the engine keeps only the records with a difference, and
    // only for those are both sets of values read out.
    std::string columns = "md.c901";
    std::string anyDiffers;
    for (const auto& field : fields) {
        columns += ", " + Column('m', field) + ", " + Column('s', field) + ", " + Differs(field);
        anyDiffers += (anyDiffers.empty() ? "" : " OR ") + Differs(field);
    }
    if (anyDiffers.empty()) anyDiffers = "0";
    const std::string joined = " FROM main.dt_data AS md JOIN " + schema +
                               ".dt_data AS sd ON sd.c901 = md.c901"
                               " LEFT JOIN main.dt_data1 AS me ON me.c901 = md.c901"
                               " LEFT JOIN " +
                               schema + ".dt_data1 AS se ON se.c901 = md.c901";

    KeyingComparison result;
    result.recordsCompared =
        static_cast<std::uint64_t>(working
                                       .execAndGet("SELECT count(*) FROM main.dt_data AS md JOIN " +
                                                   schema + ".dt_data AS sd ON sd.c901 = md.c901")
                                       .getInt64());
    SQLite::Statement query(
        working, "SELECT " + columns + joined + " WHERE " + anyDiffers + " ORDER BY md.c901");
    while (query.executeStep()) {
        const double code = query.getColumn(0).getDouble();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int at = 1 + static_cast<int>(3 * i);
            if (query.getColumn(at + 2).getInt() == 0) continue;
            result.differences.push_back({code, fields[i].name, fields[i].question,
                                          ValueOf(query.getColumn(at)),
                                          ValueOf(query.getColumn(at + 1))});
        }
    }
    result.onlyHere = Codes(working,
                            "SELECT c901 FROM main.dt_data WHERE c901 NOT IN "
                            "(SELECT c901 FROM " +
                                schema + ".dt_data) ORDER BY c901");
    result.onlyThere = Codes(working, "SELECT c901 FROM " + schema +
                                          ".dt_data WHERE c901 NOT IN "
                                          "(SELECT c901 FROM main.dt_data) ORDER BY c901");
    return result;
}

KeyingComparison CompareKeyings(SQLite::Database& working, const fs::path& chosen,
                                const fs::path& programFolder) {
    const exchange::PreparedImport prepared =
        exchange::PrepareImport(working, chosen, programFolder, exchange::FileUse::Comparison);
    return CompareWithPlainFile(working, prepared.ReadableFile());
}

}  // namespace tallwick::verify
