#include "exchange/conflict_resolution.h"

#include "common/ascii.h"
#include "common/number_text.h"
#include "exchange/attached_file.h"
#include "exchange/import_checks.h"
#include "store/database.h"

#include <SQLiteCpp/Statement.h>

#include <set>

namespace tallwick::exchange {

namespace {

constexpr const char* kSource = "collision_source";

// A catalogue field compared between the existing and the incoming record: the alias of its
// table in the comparing statement (d: dt_data, e: dt_data1; m: existing, s: incoming).
struct ComparedField {
    std::string name;
    std::string question;
    char table = 'd';
};

// The catalogue's fields in its order, each in the record table that holds it. The code joins
// the rows; fields the catalogue does not describe (the processor stamp) are not compared.
std::vector<ComparedField> ComparedFields(SQLite::Database& working) {
    std::set<std::string> data;
    std::set<std::string> data1;
    for (const auto& column : TableColumns(working, "main", "dt_data"))
        data.insert(AsciiLower(column));
    for (const auto& column : TableColumns(working, "main", "dt_data1"))
        data1.insert(AsciiLower(column));
    SQLite::Statement query(
        working, "SELECT FieldName, ifnull(Hint, '') FROM DT_FieldList ORDER BY sequence");
    std::vector<ComparedField> fields;
    while (query.executeStep()) {
        const std::string name = query.getColumn(0).getString();
        const std::string lower = AsciiLower(name);
        if (lower == "c901") continue;
        if (data.count(lower))
            fields.push_back({name, query.getColumn(1).getString(), 'd'});
        else if (data1.count(lower))
            fields.push_back({name, query.getColumn(1).getString(), 'e'});
    }
    return fields;
}

std::string Column(char side, const ComparedField& field) {
    return std::string(1, side) + field.table + "." + QuoteIdentifier(field.name);
}

// The existing (m) and incoming (s) rows of both tables of the colliding codes.
std::string JoinedRows() {
    const std::string source = QuoteIdentifier(kSource);
    return " FROM main.dt_data AS md JOIN " + source +
           ".dt_data AS sd ON sd.c901 = md.c901"
           " LEFT JOIN main.dt_data1 AS me ON me.c901 = md.c901"
           " LEFT JOIN " +
           source + ".dt_data1 AS se ON se.c901 = md.c901";
}

// "a IS NOT b": two empty values are equal, and numbers compare as numbers (7 equals 7.0).
std::string Differs(const ComparedField& field) {
    return "(" + Column('m', field) + " IS NOT " + Column('s', field) + ")";
}

std::optional<int> State(const SQLite::Column& column) {
    if (column.isNull()) return std::nullopt;
    return column.getInt();
}

std::string Text(const SQLite::Column& column) {
    return column.isNull() ? std::string() : column.getString();
}

// A stored value as the user reads it: whole numbers without decimals, others as short as exact.
std::string ValueText(const SQLite::Column& column) {
    if (column.isNull()) return {};
    if (column.isInteger()) return std::to_string(column.getInt64());
    if (column.isFloat()) return NumberText(column.getDouble());
    return column.getString();
}

}  // namespace

std::vector<double> CollidingCodes(SQLite::Database& working, const PreparedImport& prepared) {
    const AttachedFile source(working, prepared.ReadableFile(), kSource);
    return CollidingCodesOf(working, source.Schema());
}

std::vector<CollidingRecord> ListCollisions(SQLite::Database& working,
                                            const PreparedImport& prepared) {
    const auto fields = ComparedFields(working);
    const AttachedFile source(working, prepared.ReadableFile(), kSource);
    std::string differing = "0";
    for (const auto& field : fields) differing += " + " + Differs(field);
    SQLite::Statement query(working,
                            "SELECT md.c901, md.c902, sd.c902, md.RecordState, "
                            "sd.RecordState, " +
                                differing + JoinedRows() + " ORDER BY md.c901");
    std::vector<CollidingRecord> records;
    while (query.executeStep()) {
        CollidingRecord record;
        record.code = query.getColumn(0).getDouble();
        record.existingName = Text(query.getColumn(1));
        record.incomingName = Text(query.getColumn(2));
        record.existingState = State(query.getColumn(3));
        record.incomingState = State(query.getColumn(4));
        record.differingFields = query.getColumn(5).getInt();
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<FieldDifference> DescribeDifferences(SQLite::Database& working,
                                                 const PreparedImport& prepared, double code) {
    const auto fields = ComparedFields(working);
    const AttachedFile source(working, prepared.ReadableFile(), kSource);
    std::string columns;
    for (const auto& field : fields) {
        columns += (columns.empty() ? "" : ", ") + Column('m', field) + ", " + Column('s', field) +
                   ", " + Differs(field);
    }
    SQLite::Statement query(working,
                            "SELECT " + columns + JoinedRows() + " WHERE md.c901 = ? LIMIT 1");
    query.bind(1, code);
    std::vector<FieldDifference> differences;
    if (!query.executeStep()) return differences;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int at = static_cast<int>(3 * i);
        if (query.getColumn(at + 2).getInt() == 0) continue;
        differences.push_back({fields[i].name, fields[i].question, ValueText(query.getColumn(at)),
                               ValueText(query.getColumn(at + 1))});
    }
    return differences;
}

ImportDecisions DecisionsForAll(SQLite::Database& working, const PreparedImport& prepared,
                                CollisionHandling handling) {
    ImportDecisions decisions;
    if (handling == CollisionHandling::Replace) {
        for (const double code : CollidingCodes(working, prepared)) decisions.replace.insert(code);
    }
    return decisions;
}

}  // namespace tallwick::exchange
