#include "summary/groupings.h"

#include "common/user_error.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>
#include <string_view>

namespace tallwick::summary {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The order clause is spliced into SQL text, so only view columns pass.
bool IsItemColumn(const std::string& column) {
    static constexpr std::array<std::string_view, 9> kColumns = {
        "id",        "groupid",    "title",    "lowboundary", "highboundary",
        "lowsymbol", "highsymbol", "lowvalue", "highvalue"};
    return std::find(kColumns.begin(), kColumns.end(), Lower(column)) != kColumns.end();
}

std::string SafeOrder(const std::string& clause) {
    const std::size_t space = clause.find(' ');
    if (space != std::string::npos && IsItemColumn(clause.substr(0, space))) {
        const std::string direction = Lower(clause.substr(space + 1));
        if (direction == "asc" || direction == "desc") return clause;
    }
    return kNewGroupingOrder;
}

void CheckItem(const GroupItemRow& item) {
    if (const auto problem = ItemProblem(item)) throw UserError(*problem);
}

void BindItem(SQLite::Statement& statement, std::int64_t groupId, const GroupItemRow& item) {
    statement.bind(1, groupId);
    statement.bind(2, item.title);
    statement.bind(3, static_cast<double>(item.low));
    statement.bind(4, static_cast<double>(item.high));
    statement.bind(5, item.lowSymbol);
    statement.bind(6, item.highSymbol);
}

}  // namespace

std::vector<GroupingRow> ListGroupings(SQLite::Database& db) {
    SQLite::Statement query(db,
                            "SELECT g.id, g.Name, g.orderstr, "
                            "(SELECT count(*) FROM DT_GroupItem i WHERE i.GroupID = g.id) "
                            "FROM ct_group g ORDER BY g.id");
    std::vector<GroupingRow> rows;
    while (query.executeStep())
        rows.push_back({query.getColumn(0).getInt64(), query.getColumn(1).getString(),
                        query.getColumn(2).getString(), query.getColumn(3).getInt()});
    return rows;
}

std::optional<GroupingRow> FindGrouping(SQLite::Database& db, std::int64_t id) {
    for (auto& row : ListGroupings(db))
        if (row.id == id) return row;
    return std::nullopt;
}

std::int64_t AddGrouping(SQLite::Database& db, const std::string& name) {
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO ct_group (Name, orderstr) VALUES (?, ?)");
    insert.bind(1, name);
    insert.bind(2, kNewGroupingOrder);
    insert.exec();
    const std::int64_t id = db.getLastInsertRowid();
    transaction.commit();
    return id;
}

void RenameGrouping(SQLite::Database& db, std::int64_t id, const std::string& name) {
    SQLite::Statement update(db, "UPDATE ct_group SET Name = ? WHERE id = ?");
    update.bind(1, name);
    update.bind(2, id);
    update.exec();
}

void DeleteGrouping(SQLite::Database& db, std::int64_t id) {
    // The foreign key takes the items along; deleting them here too keeps a connection
    // without foreign keys from leaving orphans behind.
    SQLite::Transaction transaction(db);
    for (const char* sql :
         {"DELETE FROM DT_GroupItem WHERE GroupID = ?", "DELETE FROM ct_group WHERE id = ?"}) {
        SQLite::Statement statement(db, sql);
        statement.bind(1, id);
        statement.exec();
    }
    transaction.commit();
}

std::vector<GroupItemRow> ListGroupItems(SQLite::Database& db, std::int64_t groupId) {
    std::string order = kNewGroupingOrder;
    if (const auto grouping = FindGrouping(db, groupId)) order = SafeOrder(grouping->orderStr);
    SQLite::Statement query(db,
                            "SELECT id, Title, LowSymbol, LowBoundary, HighSymbol, HighBoundary, "
                            "LowValue, HighValue FROM view_group_item WHERE GroupID = ? ORDER BY " +
                                order);
    query.bind(1, groupId);
    std::vector<GroupItemRow> rows;
    while (query.executeStep())
        rows.push_back({query.getColumn(0).getInt64(), query.getColumn(1).getString(),
                        query.getColumn(2).getString(), query.getColumn(3).getInt64(),
                        query.getColumn(4).getString(), query.getColumn(5).getInt64(),
                        query.getColumn(6).getString(), query.getColumn(7).getString()});
    return rows;
}

std::optional<std::string> ItemProblem(const GroupItemRow& item) {
    if (item.title.empty()) return kItemNameMissing;
    if (item.high <= item.low) return kItemBoundsReversed;
    return std::nullopt;
}

std::int64_t AddGroupItem(SQLite::Database& db, std::int64_t groupId, const GroupItemRow& item) {
    CheckItem(item);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db,
                             "INSERT INTO view_group_item (GroupID, Title, LowBoundary, "
                             "HighBoundary, LowSymbol, HighSymbol) VALUES (?, ?, ?, ?, ?, ?)");
    BindItem(insert, groupId, item);
    insert.exec();
    const std::int64_t id = db.execAndGet("SELECT max(id) FROM DT_GroupItem").getInt64();
    transaction.commit();
    return id;
}

void UpdateGroupItem(SQLite::Database& db, std::int64_t groupId, const GroupItemRow& item) {
    CheckItem(item);
    SQLite::Statement update(db,
                             "UPDATE view_group_item SET GroupID = ?, Title = ?, LowBoundary = ?, "
                             "HighBoundary = ?, LowSymbol = ?, HighSymbol = ? WHERE id = ?");
    BindItem(update, groupId, item);
    update.bind(7, item.id);
    update.exec();
}

void DeleteGroupItem(SQLite::Database& db, std::int64_t itemId) {
    SQLite::Statement remove(db, "DELETE FROM view_group_item WHERE id = ?");
    remove.bind(1, itemId);
    remove.exec();
}

void StoreItemOrder(SQLite::Database& db, std::int64_t groupId, const std::string& column,
                    bool ascending) {
    if (!IsItemColumn(column)) throw std::invalid_argument("not a grouping item column: " + column);
    SQLite::Statement update(db, "UPDATE ct_group SET orderstr = ? WHERE id = ?");
    update.bind(1, column + (ascending ? " ASC" : " DESC"));
    update.bind(2, groupId);
    update.exec();
}

}  // namespace tallwick::summary
