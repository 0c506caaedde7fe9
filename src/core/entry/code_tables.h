#pragma once

// The code tables that the cover page looks names up in: levels, reporting states, regions.

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tallwick::entry {

struct CodeItem {
    int code = 0;
    std::string name;
};
using CodeList = std::vector<CodeItem>;

// CT_LevelCode or CT_state without the code 0, in Sequence order: 0 is never a valid code.
CodeList LoadCodeList(SQLite::Database& db, const std::string& table);
// The name of the first item with `code`, empty when there is none.
std::string CodeName(const CodeList& list, int code);

// The region's combined name; empty for codes of five digits or fewer and unknown codes.
std::string RegionName(SQLite::Database& db, std::int64_t code);

struct RegionRow {
    std::int64_t id = 0;
    int code1 = 0;  // province
    int code2 = 0;  // city within the province, 0 on a province row
    int code3 = 0;  // county within the city, 0 on a city row
    std::string name;
    std::string combName;
};

struct RegionParts {
    int province = 0;
    int city = 0;
    int county = 0;
};
RegionParts SplitRegionCode(std::int64_t code);

std::vector<RegionRow> ReadProvinces(SQLite::Database& db);
std::vector<RegionRow> ReadCities(SQLite::Database& db, int province);
// The city's own row (county 0) comes first.
std::vector<RegionRow> ReadCounties(SQLite::Database& db, int province, int city);

}  // namespace tallwick::entry
