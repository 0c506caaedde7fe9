#include "query/indicator_lists.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::query {

std::vector<SheetEntry> ReadIndicatorSheets(SQLite::Database& db) {
    std::vector<SheetEntry> sheets;
    SQLite::Statement query(db, "SELECT CodeID, CodeName FROM ct_sheetName WHERE CodeID >= 0");
    while (query.executeStep()) {
        sheets.push_back({query.getColumn(0).getInt(), query.getColumn(1).getString()});
    }
    return sheets;
}

std::vector<IndicatorEntry> ReadSheetIndicators(SQLite::Database& db, int sheetId) {
    std::vector<IndicatorEntry> fields;
    SQLite::Statement query(db,
                            "SELECT codename, ifnull(Hint, '') FROM view_datasearch WHERE PageID = "
                            "? ORDER BY sequence");
    query.bind(1, sheetId);
    while (query.executeStep())
        fields.push_back({query.getColumn(0).getString(), query.getColumn(1).getString()});
    return fields;
}

}  // namespace tallwick::query
