#include "check/answer_bounds.h"

#include "common/number_text.h"
#include "entry/record_io.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

namespace tallwick::check {
namespace {

// The largest number the entry window's number boxes take.
constexpr double kLargestAnswer = 99999999999999.0;

std::set<long long> Codes(SQLite::Database& db, const char* table) {
    std::set<long long> codes;
    SQLite::Statement query(db, std::string("SELECT ID FROM ") + table);
    while (query.executeStep()) codes.insert(query.getColumn(0).getInt64());
    return codes;
}

int ColumnOf(const SQLite::Statement& row, const std::string& name) {
    for (int i = 0; i < row.getColumnCount(); ++i) {
        const std::string column = row.getColumnName(i);
        if (column.size() == name.size() &&
            std::equal(column.begin(), column.end(), name.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
            return i;
    }
    return -1;
}

}  // namespace

AnswerBounds::AnswerBounds(SQLite::Database& db, const SQLite::Statement& row)
    : levels_(Codes(db, "CT_LevelCode")), states_(Codes(db, "CT_state")) {
    SQLite::Statement catalogue(db,
                                "SELECT FieldName, Hint, QueryType, PageID, id FROM DT_FieldList "
                                "ORDER BY sequence, id");
    while (catalogue.executeStep()) {
        Field field;
        field.name = catalogue.getColumn(0).getString();
        field.hint = catalogue.getColumn(1).getString();
        const int type = catalogue.getColumn(2).getInt();
        field.page = catalogue.getColumn(3).getInt();
        const auto id = catalogue.getColumn(4).getInt64();
        if (field.name == "c904" || field.name == "c907") {
            field.codes = field.name == "c904" ? &levels_ : &states_;
            field.codeTable = field.name == "c904" ? "CT_LevelCode" : "CT_state";
        } else if (id > 6 && field.page > 0 && type == entry::kTwoValued) {
            field.high = 2;
        } else if (id > 6 && field.page > 0 &&
                   (type == entry::kInteger || type == entry::kDecimal)) {
            field.high = kLargestAnswer;
        } else {
            continue;
        }
        field.column = ColumnOf(row, field.name);
        if (field.column >= 0) fields_.push_back(std::move(field));
    }
}

namespace {

std::string ColumnText(sqlite3_stmt* row, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(row, column)))
                : std::string();
}

}  // namespace

std::vector<LogicError> AnswerBounds::Check(const RowSnapshot& row) const {
    std::vector<LogicError> errors;
    for (const Field& field : fields_) {
        const RowSnapshot::Cell& cell = row.At(field.column);
        if (cell.type == SQLITE_NULL) continue;
        const double number = cell.real;
        const bool numeric = cell.type == SQLITE_INTEGER || cell.type == SQLITE_FLOAT;
        std::string rule;
        if (field.codes != nullptr) {
            const bool listed = numeric && number == std::floor(number) &&
                                field.codes->count(static_cast<long long>(number)) > 0;
            if (listed) continue;
            rule = field.name + "应为代码表" + field.codeTable + "中的代码";
        } else {
            if (numeric && number >= 0 && number <= field.high) continue;
            rule = field.high == 2 ? field.name + "的取值应为0、1或2"
                                   : field.name + "的取值应在0～" + NumberText(field.high) + "之间";
        }
        const std::string shown =
            numeric ? NumberText(number) : "“" + ColumnText(row.Row(), field.column) + "”";
        errors.push_back({"取值范围：" + rule,
                          (field.hint.empty() ? field.name : field.hint) + "的值为" + shown +
                              "，超出了规定的取值范围",
                          field.page, field.name});
    }
    return errors;
}

}  // namespace tallwick::check
