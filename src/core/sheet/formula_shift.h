#pragma once

#include <string>
#include <string_view>

namespace tallwick::sheet {

// Rows inserted above `atRow` on the sheet `sheetName`: every reference to that sheet at or
// below `atRow` moves down by `count`, each end of a range on its own, so a range that spans the
// insertion point grows.
struct RowInsertion {
    std::string sheetName;
    int atRow = 0;
    int count = 1;
    bool unqualifiedOnSheet = true;  // references without "Sheet!" point at sheetName
};

// Rewrites the references of a formula (without "="), a range list ("A1:B2 C3") or a defined
// name the way a spreadsheet application does; strings, function names and references to other
// sheets stay as they are.
std::string ShiftRows(std::string_view formula, const RowInsertion& insertion);

}  // namespace tallwick::sheet
