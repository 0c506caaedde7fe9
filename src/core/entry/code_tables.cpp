#include "entry/code_tables.h"

#include <SQLiteCpp/Statement.h>

#include <stdexcept>

namespace tallwick::entry {
namespace {

std::vector<RegionRow> ReadRegions(SQLite::Statement& query) {
    std::vector<RegionRow> rows;
    while (query.executeStep()) {
        rows.push_back({query.getColumn(0).getInt64(), query.getColumn(1).getInt(),
                        query.getColumn(2).getInt(), query.getColumn(3).getInt(),
                        query.getColumn(4).getString(), query.getColumn(5).getString()});
    }
    return rows;
}

constexpr const char* kRegionColumns =
    "SELECT ID, Code1, Code2, Code3, Name, CombName FROM CT_CityName ";

}  // namespace

CodeList LoadCodeList(SQLite::Database& db, const std::string& table) {
    if (table != "CT_LevelCode" && table != "CT_state") {
        throw std::invalid_argument("not a code table: " + table);
    }
    SQLite::Statement query(db, "SELECT ID, Name FROM " + table + " WHERE ID<>0 ORDER BY Sequence");
    CodeList list;
    while (query.executeStep()) {
        list.push_back({query.getColumn(0).getInt(), query.getColumn(1).getString()});
    }
    return list;
}

std::string CodeName(const CodeList& list, int code) {
    for (const CodeItem& item : list) {
        if (item.code == code) return item.name;
    }
    return {};
}

std::string RegionName(SQLite::Database& db, std::int64_t code) {
    if (code <= 99999) return {};
    SQLite::Statement query(db, "SELECT CombName FROM CT_CityName WHERE ID=?");
    query.bind(1, code);
    return query.executeStep() ? query.getColumn(0).getString() : std::string{};
}

RegionParts SplitRegionCode(std::int64_t code) {
    return {static_cast<int>(code / 10000), static_cast<int>(code % 10000 / 100),
            static_cast<int>(code % 100)};
}

std::vector<RegionRow> ReadProvinces(SQLite::Database& db) {
    SQLite::Statement query(db, std::string(kRegionColumns) + "WHERE Code2=0 ORDER BY Code1");
    return ReadRegions(query);
}

std::vector<RegionRow> ReadCities(SQLite::Database& db, int province) {
    SQLite::Statement query(
        db, std::string(kRegionColumns) + "WHERE Code1=? AND Code2<>0 AND Code3=0 ORDER BY Code2");
    query.bind(1, province);
    return ReadRegions(query);
}

std::vector<RegionRow> ReadCounties(SQLite::Database& db, int province, int city) {
    SQLite::Statement query(
        db, std::string(kRegionColumns) + "WHERE Code1=? AND Code2=? ORDER BY Code3");
    query.bind(1, province);
    query.bind(2, city);
    return ReadRegions(query);
}

}  // namespace tallwick::entry
