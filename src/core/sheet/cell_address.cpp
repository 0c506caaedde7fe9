#include "sheet/cell_address.h"

#include <algorithm>

namespace tallwick::sheet {

std::string ColumnName(int column) {
    std::string name;
    for (int rest = column; rest > 0; rest = (rest - 1) / 26)
        name.push_back(static_cast<char>('A' + (rest - 1) % 26));
    std::reverse(name.begin(), name.end());
    return name;
}

std::string CellName(int row, int column) {
    return ColumnName(column) + std::to_string(row);
}

std::optional<CellAddress> ParseCellName(std::string_view name) {
    std::size_t i = 0;
    if (i < name.size() && name[i] == '$') ++i;
    CellAddress address;
    const std::size_t letters = i;
    for (; i < name.size() && name[i] >= 'A' && name[i] <= 'Z'; ++i)
        address.column = address.column * 26 + (name[i] - 'A' + 1);
    if (i == letters || i - letters > 3) return std::nullopt;
    if (i < name.size() && name[i] == '$') ++i;
    const std::size_t digits = i;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        address.row = address.row * 10 + (name[i] - '0');
        if (address.row > 1048576) return std::nullopt;
    }
    if (i == digits || i != name.size() || address.row == 0) return std::nullopt;
    return address;
}

}  // namespace tallwick::sheet
