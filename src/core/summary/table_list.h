#pragma once

#include "summary/summary_workbook.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tallwick::summary {

inline constexpr const char* kTableListFileName = "sumtable.qd";

// One line of the summary dialog's table list. Lines whose text begins with "//" head a group
// of tables and are disabled; the others are the workbook's sheets in order.
struct TableListLine {
    std::string text;
    bool enabled = true;
    int tick = 0;  // 0 not ticked, 1 ticked, 2 grey

    bool IsGroup() const { return text.rfind("//", 0) == 0; }
    bool operator==(const TableListLine&) const = default;
};

// The 40 lines of the list, none ticked.
const std::vector<TableListLine>& DefaultTableList();

// "&" enabled " " tick " " text " " per line, CR LF after each; any other line is an enabled,
// unticked line with the whole line as text.
std::vector<TableListLine> ParseTableList(std::string_view content);
std::string FormatTableList(const std::vector<TableListLine>& lines);

// The saved list beside the program; the default list when there is none.
std::vector<TableListLine> ReadTableList(const std::filesystem::path& file);
void WriteTableList(const std::filesystem::path& file, const std::vector<TableListLine>& lines);

// The sheets that the ticked table lines stand for, in order (grey counts as ticked).
std::array<bool, kWorkbookSheets> TickedSheets(const std::vector<TableListLine>& lines);

}  // namespace tallwick::summary
