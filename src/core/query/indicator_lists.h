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

// One indicator: its stored field name and the question it answers.
struct IndicatorEntry {
    std::string code;
    std::string question;
};

// The indicators of one sheet, in catalogue order.
std::vector<IndicatorEntry> ReadSheetIndicators(SQLite::Database& db, int sheetId);

}  // namespace tallwick::query
