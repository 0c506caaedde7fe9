#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tallwick {

// One list column as the catalogue describes it (TFieldData).
struct FieldData {
    std::int64_t id = 0;
    std::string fieldName;  // ShowName: the column of view_data_all that the list shows
    std::string title;      // Hint
    int width = 0;          // FieldWidth, pixels
    std::string typeText;   // FieldType
    bool visible = false;
    bool selected = false;  // QueryShow
    int queryType = 0;
};
using FieldDataArray = std::vector<FieldData>;

// Every catalogue row in sequence order.
FieldDataArray ReadListColumns(SQLite::Database& db);

// One entry of the column chooser: a catalogue row with a page of its own (PageID >= 0), and the
// record state, which shows with the cover.
struct ChooserField {
    std::int64_t id = 0;
    std::string fieldName;
    std::string hint;
    int pageId = 0;
    std::string sheetName;
    bool visible = false;
};

// The chooser's rows, ordered by page and then by sequence.
std::vector<ChooserField> ReadChooserFields(SQLite::Database& db);

// Makes exactly the given fields visible, all others hidden, in one transaction: a failure
// leaves the catalogue as it was.
void SaveVisibleFields(SQLite::Database& db, const std::vector<std::int64_t>& visibleIds);

}  // namespace tallwick
