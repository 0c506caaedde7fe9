#include "review/review_rows.h"

#include "locate/locate_fields.h"
#include "store/database.h"
#include "store/raw_statement.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>

namespace tallwick::review {
namespace {

constexpr int kLeadingColumns = 4;  // c901, c902, c904, c907

// Positive codes from ?1 (inclusive), below ?2 where `bounded`.
std::string SelectSql(bool bounded) {
    std::string sql = "SELECT d.c901, d.c902, d.c904, d.c907";
    for (const locate::LocateField& field : locate::LocateFields()) {
        if (field.name == "c901" || field.name == "c904") continue;
        sql += field.name[0] == 'y' ? ", d1." : ", d.";
        sql += field.name;
    }
    return sql +
           " FROM dt_data d INNER JOIN dt_data1 d1 ON d1.c901 = d.c901"
           " WHERE d.c901 > 0 AND d.c901 >= ?1" +
           (bounded ? " AND d.c901 < ?2" : "") + " ORDER BY d.c901";
}

ReviewRows ReadRange(SQLite::Database& db, double low, std::optional<double> high,
                     std::size_t expected) {
    ReviewRows rows;
    const auto fields = locate::LocateFields();
    rows.values.resize(fields.size());
    const std::size_t size = expected;
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

    RawStatement query(db, SelectSql(high.has_value()));
    sqlite3_stmt* statement = query.Handle();
    sqlite3_bind_double(statement, 1, low);
    if (high) sqlite3_bind_double(statement, 2, *high);
    while (query.Step()) {
        rows.codes.push_back(sqlite3_column_double(statement, 0));
        const auto* name = sqlite3_column_text(statement, 1);
        rows.names.emplace_back(name ? reinterpret_cast<const char*>(name) : "");
        rows.levels.push_back(sqlite3_column_int(statement, 2));
        rows.reporting.push_back(sqlite3_column_int(statement, 3) <= 2);
        for (std::size_t c = 0; c < columns.size(); ++c)
            columns[c]->push_back(
                sqlite3_column_double(statement, kLeadingColumns + static_cast<int>(c)));
    }
    return rows;
}

void Append(ReviewRows& rows, ReviewRows&& more) {
    rows.codes.insert(rows.codes.end(), more.codes.begin(), more.codes.end());
    rows.names.insert(rows.names.end(), std::make_move_iterator(more.names.begin()),
                      std::make_move_iterator(more.names.end()));
    rows.levels.insert(rows.levels.end(), more.levels.begin(), more.levels.end());
    rows.reporting.insert(rows.reporting.end(), more.reporting.begin(), more.reporting.end());
    for (std::size_t f = 0; f < rows.values.size(); ++f)
        rows.values[f].insert(rows.values[f].end(), more.values[f].begin(), more.values[f].end());
}

// Below this many records a second reader costs more than it saves.
constexpr std::int64_t kSmallestSplit = 20000;

}  // namespace

ReviewRows ReadReviewRows(SQLite::Database& db, unsigned readers) {
    const std::int64_t count =
        db.execAndGet("SELECT count(*) FROM dt_data WHERE c901 > 0").getInt64();
    const std::string file = db.getFilename();
    if (readers < 2 || count < kSmallestSplit || file.empty())
        return ReadRange(db, 0, std::nullopt, static_cast<std::size_t>(count));

    SQLite::Statement middle(db,
                             "SELECT c901 FROM dt_data WHERE c901 > 0 ORDER BY c901 "
                             "LIMIT 1 OFFSET ?");
    middle.bind(1, count / 2);
    if (!middle.executeStep()) return ReadRange(db, 0, std::nullopt, 0);
    const double split = middle.getColumn(0).getDouble();
    const auto half = static_cast<std::size_t>(count / 2 + 1);

    ReviewRows upper;
    std::exception_ptr failure;
    std::thread reader([&] {
        try {
            auto other = OpenSqlite(file, SQLite::OPEN_READONLY);
            upper = ReadRange(*other, split, std::nullopt, half);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    ReviewRows rows;
    try {
        rows = ReadRange(db, 0, split, static_cast<std::size_t>(count));
    } catch (...) {
        reader.join();
        throw;
    }
    reader.join();
    if (failure) std::rethrow_exception(failure);
    Append(rows, std::move(upper));
    return rows;
}

}  // namespace tallwick::review
