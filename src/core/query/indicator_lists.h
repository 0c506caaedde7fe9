#pragma once

#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

namespace tallwick::query {

// The indicator picker's two lists: the survey sheets and the indicators of one sheet.
struct SheetEntry {
    int codeId = 0;
    std::string name;
};

// The survey sheets of ct_sheetName with CodeID 0 or more, in the table's order.
std::vector<SheetEntry> ReadIndicatorSheets(SQLite::Database& db);

// The stored field names of one sheet's indicators, in catalogue order.
std::vector<std::string> ReadSheetIndicators(SQLite::Database& db, int sheetId);

}  // namespace tallwick::query
