#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallwick::sheet {

// Rows and columns count from 1, as the sheet shows them: column 1 is "A".
struct CellAddress {
    int row = 0;
    int column = 0;
};

std::string ColumnName(int column);
std::string CellName(int row, int column);
// "B12" or "$B$12"; nullopt for anything else.
std::optional<CellAddress> ParseCellName(std::string_view name);

}  // namespace tallwick::sheet
