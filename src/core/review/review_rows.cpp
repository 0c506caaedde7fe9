#include "review/review_rows.h"

#include "locate/locate_fields.h"

#include <sqlite3.h>

#include <stdexcept>

namespace tallwick::review {
namespace {

constexpr int kLeadingColumns = 4;  // c901, c902, c904, c907

std::string SelectSql() {
    std::string sql = "SELECT d.c901, d.c902, d.c904, d.c907";
    for (const locate::LocateField& field : locate::LocateFields()) {
        if (field.name == "c901" || field.name == "c904") continue;
        sql += field.name[0] == 'y' ? ", d1." : ", d.";
        sql += field.name;
    }
    return sql +
           " FROM dt_data d INNER JOIN dt_data1 d1 ON d1.c901 = d.c901 WHERE d.c901 > 0"
           " ORDER BY d.c901";
}

}  // namespace

ReviewRows ReadReviewRows(SQLite::Database& db) {
    ReviewRows rows;
    const auto fields = locate::LocateFields();
    rows.values.resize(fields.size());
    const std::int64_t count =
        db.execAndGet(
              "SELECT count(*) FROM dt_data d INNER JOIN dt_data1 d1 ON d1.c901 = d.c901 "
              "WHERE d.c901 > 0")
            .getInt64();
    const auto size = static_cast<std::size_t>(count);
    rows.codes.reserve(size);
    rows.names.reserve(size);
    rows.levels.reserve(size);
    rows.reporting.reserve(size);
    std::vector<std::vector<double>*> columns;  // by result column after the leading ones
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (locate::IsCoverField(static_cast<int>(f))) continue;
        rows.values[f].reserve(size);
        columns.push_back(&rows.values[f]);
    }

    sqlite3_stmt* statement = nullptr;
    const std::string sql = SelectSql();
    if (sqlite3_prepare_v2(db.getHandle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw SQLite::Exception(db.getHandle());
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        rows.codes.push_back(sqlite3_column_double(statement, 0));
        const auto* name = sqlite3_column_text(statement, 1);
        rows.names.emplace_back(name ? reinterpret_cast<const char*>(name) : "");
        rows.levels.push_back(sqlite3_column_int(statement, 2));
        rows.reporting.push_back(sqlite3_column_int(statement, 3) <= 2);
        for (std::size_t c = 0; c < columns.size(); ++c)
            columns[c]->push_back(
                sqlite3_column_double(statement, kLeadingColumns + static_cast<int>(c)));
    }
    const int finished = sqlite3_finalize(statement);
    if (step != SQLITE_DONE || finished != SQLITE_OK) throw SQLite::Exception(db.getHandle());
    return rows;
}

}  // namespace tallwick::review
