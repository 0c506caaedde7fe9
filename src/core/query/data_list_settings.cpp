#include "query/data_list_settings.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::query {
namespace {

constexpr const char* kItemColumns =
    "SELECT id, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol FROM DT_GroupItem";

DataListGroupItem ItemOf(SQLite::Statement& row) {
    return {row.getColumn(0).getInt64(),  row.getColumn(1).getString(),
            row.getColumn(2).getDouble(), row.getColumn(3).getDouble(),
            row.getColumn(4).getString(), row.getColumn(5).getString()};
}

}  // namespace

std::vector<summary::TableListLine> ReadDataListTables(const std::filesystem::path& file) {
    std::vector<summary::TableListLine> saved;
    if (std::filesystem::exists(file)) saved = summary::ReadTableList(file);
    std::vector<summary::TableListLine> lines;
    for (std::size_t i = 0; i < kDataListTables.size(); ++i) {
        summary::TableListLine line{kDataListTables[i].text, true, 0};
        if (i < saved.size()) {
            line.enabled = saved[i].enabled;
            line.tick = saved[i].tick;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::array<bool, 13> TickedDataListTables(const std::vector<summary::TableListLine>& lines) {
    std::array<bool, 13> ticked{};
    for (std::size_t i = 0; i < lines.size() && i < ticked.size(); ++i)
        ticked[i] = lines[i].tick != 0;
    return ticked;
}

std::vector<DataListGroupItem> ListAllGroupItems(SQLite::Database& db) {
    SQLite::Statement rows(db, std::string(kItemColumns) + " ORDER BY id");
    std::vector<DataListGroupItem> items;
    while (rows.executeStep()) items.push_back(ItemOf(rows));
    return items;
}

std::optional<DataListGroupItem> FindDataListGroupItem(SQLite::Database& db, std::int64_t id) {
    SQLite::Statement row(db, std::string(kItemColumns) + " WHERE id = ?");
    row.bind(1, id);
    if (!row.executeStep()) return std::nullopt;
    return ItemOf(row);
}

DataListQueries GroupItemQueries(const DataListColumns& columns, const DataListGroupItem& item) {
    return GroupItemQueries(columns, item.low, item.high, item.lowSymbol, item.highSymbol);
}

}  // namespace tallwick::query
