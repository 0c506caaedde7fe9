#pragma once

#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

namespace tallwick::ui {

// The indicator picker's two lists. No Qt here, so the reads can move into core unchanged.
struct SheetEntry {
    int codeId = 0;
    std::string name;
};

// The survey sheets of ct_sheetName with CodeID 0 or more, in the table's order.
std::vector<SheetEntry> ReadIndicatorSheets(SQLite::Database& db);

// The stored field names of one sheet's indicators, in catalogue order.
std::vector<std::string> ReadSheetIndicators(SQLite::Database& db, int sheetId);

}  // namespace tallwick::ui
