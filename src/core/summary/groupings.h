#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::summary {

inline constexpr const char* kNewGroupingOrder = "id ASC";
inline constexpr const char* kItemNameMissing = "必须输入本组数据的名称！";
inline constexpr const char* kItemBoundsReversed = "上限必须大于下限！";

// One user-defined grouping of ct_group.
struct GroupingRow {
    std::int64_t id = 0;
    std::string name;
    std::string orderStr;
    int itemCount = 0;
};

// One item as the editor shows and writes it: a named range of unit codes.
struct GroupItemRow {
    std::int64_t id = 0;  // 0 for an item not stored yet
    std::string title;
    std::string lowSymbol = ">=";
    std::int64_t low = 0;
    std::string highSymbol = "<";
    std::int64_t high = 0;
    std::string lowValue;  // symbol then bound, as the summary appends them to its conditions
    std::string highValue;
};

// In id order.
std::vector<GroupingRow> ListGroupings(SQLite::Database& db);
std::optional<GroupingRow> FindGrouping(SQLite::Database& db, std::int64_t id);

// Appends a grouping that lists its items in the order they were added; returns its id.
std::int64_t AddGrouping(SQLite::Database& db, const std::string& name);
void RenameGrouping(SQLite::Database& db, std::int64_t id, const std::string& name);
// Removes the grouping with its items.
void DeleteGrouping(SQLite::Database& db, std::int64_t id);

// The items of a grouping in its stored order (id order when that is missing or not a valid
// sort clause of the item view).
std::vector<GroupItemRow> ListGroupItems(SQLite::Database& db, std::int64_t groupId);

// The message that refuses an item, if any: a missing title, or an upper bound not above the
// lower one (whatever the symbols).
std::optional<std::string> ItemProblem(const GroupItemRow& item);

// Both throw UserError with ItemProblem's message and store nothing when the item is refused.
std::int64_t AddGroupItem(SQLite::Database& db, std::int64_t groupId, const GroupItemRow& item);
void UpdateGroupItem(SQLite::Database& db, std::int64_t groupId, const GroupItemRow& item);
void DeleteGroupItem(SQLite::Database& db, std::int64_t itemId);

// Stores "<column> ASC|DESC" as the grouping's order; `column` must be a column of
// view_group_item (std::invalid_argument otherwise).
void StoreItemOrder(SQLite::Database& db, std::int64_t groupId, const std::string& column,
                    bool ascending);

}  // namespace tallwick::summary
