#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tallwick::summary {

// The statement that yields one row per code of CT_LevelCode or CT_state for sheet n: the
// code's name, the code and the aggregate columns (empty for a code without records), in
// descending sequence, so that inserting each row above the previous one shows them ascending.
std::string LevelStatement(int sheet);
std::string StateStatement(int sheet);

// A grouping's stored sort clause turned round: the first "desc" of a clause that contains
// "DESC" becomes "asc", else the first "asc" of one that contains "ASC" becomes "desc".
std::string ReverseOrder(const std::string& orderClause);

// One item of a custom grouping: a named range of unit codes.
struct GroupItem {
    std::string title;
    std::string lowSymbol;  // ">" or ">="
    std::int64_t low = 0;
    std::string highSymbol;  // "<" or "<="
    std::int64_t high = 0;
};

// The items of grouping `groupId` (0: of every grouping) in the reverse of the grouping's stored
// order, which the sheet turns back round.
std::vector<GroupItem> ReadGroupItemsReversed(SQLite::Database& db, std::int64_t groupId);

// The one-row statement of an item on sheet n: the title and position are bound as ?1 and ?2,
// the bounds as ?3 and ?4.
std::string ItemStatement(int sheet, const GroupItem& item);

}  // namespace tallwick::summary
