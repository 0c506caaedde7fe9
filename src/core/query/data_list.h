#pragma once

#include <SQLiteCpp/Database.h>

#include <array>
#include <string>
#include <vector>

namespace tallwick::query {

// One line of the data list's table list: a survey table, the family letter of its fields and
// the catalogue sequence range (both bounds exclusive).
struct DataListTable {
    const char* text;
    const char* letter;
    int above;
    int below;
};

extern const std::array<DataListTable, 13> kDataListTables;

// The columns the ticked tables add: `data` for dt_data (with a leading comma, or empty), `data1`
// the y fields of dt_data1 (comma-separated, or empty).
struct DataListColumns {
    std::string data;
    std::string data1;
};

// `ticked[i]` stands for line i + 1 of the table list.
DataListColumns BuildDataListColumns(SQLite::Database& db, const std::array<bool, 13>& ticked);

// The main query and the second one (empty when no y field is ticked).
struct DataListQueries {
    std::string main;
    std::string second;
};

inline constexpr const char* kCodeRangeMissing = "请输入单位编号的范围";
inline constexpr const char* kGroupItemInvalid = "自定义分组不正确";

DataListQueries AllRecordsQueries(const DataListColumns& columns);

// Both boxes must hold a code other than 0, else UserError(kCodeRangeMissing); an upper code
// below the lower one becomes the lower one.
DataListQueries CodeRangeQueries(const DataListColumns& columns, const std::string& lowText,
                                 const std::string& highText);

// A grouping item's range: lowSymbol low and highSymbol high, such as ">=" and "<". A zero bound
// or a symbol that is no comparison throws UserError(kGroupItemInvalid).
DataListQueries GroupItemQueries(const DataListColumns& columns, double low, double high,
                                 const std::string& lowSymbol, const std::string& highSymbol);

}  // namespace tallwick::query
