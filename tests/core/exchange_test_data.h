#pragma once

// Records and row snapshots shared by the data exchange tests.
#include "exchange/attached_file.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <string>
#include <vector>

namespace tallwick::test {

// One record in both tables, with a few values that show whether every column travelled.
inline void AddRecord(SQLite::Database& db, double code, const std::string& name, int state = 1) {
    SQLite::Statement data(db,
                           "INSERT INTO dt_data (c900, c901, c902, c903, c904, c907, RecordState, "
                           "z001, b018, d055) VALUES ('stamp', ?, ?, 110101, 10, 1, ?, 7, 2.5, 3)");
    data.bind(1, code);
    data.bind(2, name);
    data.bind(3, state);
    data.exec();
    SQLite::Statement data1(db, "INSERT INTO dt_data1 (c901, y001, y012) VALUES (?, 1.25, 9)");
    data1.bind(1, code);
    data1.exec();
}

// Every row of the table with every column, ordered, as text: equal snapshots mean equal rows.
inline std::vector<std::string> Rows(SQLite::Database& db, const std::string& table,
                                     const std::string& order = "c901") {
    const auto columns = exchange::TableColumns(db, "main", table);
    std::string expression;
    for (const auto& column : columns)
        expression +=
            (expression.empty() ? "" : " || '|' || ") + ("quote(" + QuoteIdentifier(column) + ")");
    SQLite::Statement query(
        db, "SELECT " + expression + " FROM " + QuoteIdentifier(table) + " ORDER BY " + order);
    std::vector<std::string> rows;
    while (query.executeStep()) rows.push_back(query.getColumn(0).getString());
    return rows;
}

// Both record tables.
inline std::vector<std::string> RecordRows(SQLite::Database& db) {
    auto rows = Rows(db, "dt_data");
    for (auto& row : Rows(db, "dt_data1")) rows.push_back("1:" + row);
    return rows;
}

}  // namespace tallwick::test
