#pragma once

#include <SQLiteCpp/Database.h>

#include <string>

namespace tallwick::query {

// The three statements of the query result list for one condition text ("where …").
struct ResultStatements {
    std::string report;   // the rows shown: view_data_all
    std::string detail;   // the matching rows of dt_data
    std::string detail1;  // the matching rows of dt_data1
};

// A condition that mentions "y0" is about a field of dt_data1, any other one about dt_data.
ResultStatements BuildResultStatements(const std::string& condition);

// The rows of `statement` in the order a list sorted by `column` shows them: empty cells first,
// then numbers, then texts by code point, ties by code ascending in both directions.
std::string SortedStatement(const std::string& statement, const std::string& column,
                            bool descending);

// Prepares the three statements in the order report, detail, detail1, so a condition the engine
// rejects fails here with the engine's message (as UserError) before the list is shown.
void CheckResultStatements(SQLite::Database& db, const ResultStatements& statements);

}  // namespace tallwick::query
