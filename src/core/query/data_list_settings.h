#pragma once

#include "query/data_list.h"
#include "summary/table_list.h"

#include <SQLiteCpp/Database.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::query {

// What the data list dialog starts from: the ticks of its table list, kept beside the program,
// and the grouping items whose code ranges it can export.

inline constexpr const char* kDataListTableFileName = "exporttable.qd";

// The 13 lines of the table list with the texts of kDataListTables; tick and enabled state come
// from the line at the same position of `file` (the sumtable.qd line format). Lines the file
// lacks, or a missing file, leave a line enabled and unticked.
std::vector<summary::TableListLine> ReadDataListTables(const std::filesystem::path& file);

// The lines that take part in an export; grey counts as ticked.
std::array<bool, 13> TickedDataListTables(const std::vector<summary::TableListLine>& lines);

// One row of DT_GroupItem with its bounds as stored.
struct DataListGroupItem {
    std::int64_t id = 0;
    std::string title;
    double low = 0;
    double high = 0;
    std::string lowSymbol;
    std::string highSymbol;
};

// Every item of every grouping, in id order.
std::vector<DataListGroupItem> ListAllGroupItems(SQLite::Database& db);
std::optional<DataListGroupItem> FindDataListGroupItem(SQLite::Database& db, std::int64_t id);

// The queries for an item's code range; UserError(kGroupItemInvalid) for an unusable item.
DataListQueries GroupItemQueries(const DataListColumns& columns, const DataListGroupItem& item);

}  // namespace tallwick::query
