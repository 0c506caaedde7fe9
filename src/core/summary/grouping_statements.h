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
// the bounds as ?3 and ?4. The plain definition of an item's sums; ItemSums computes the same
// for all items at once and is tested against it.
std::string ItemStatement(int sheet, const GroupItem& item);

// The aggregates of every item on the given sheets (2 to 27), summed into temporary tables in
// one pass over the records of all items (and one more for sheet 27, which also reads dt_data1)
// instead of one statement per item and sheet. Items may overlap: a record counts in each of its
// items. The tables are dropped again with the object.
class ItemSums {
  public:
    // Throws std::invalid_argument, as ItemStatement does, for an item with invalid symbols.
    ItemSums(SQLite::Database& db, const std::vector<GroupItem>& items,
             const std::vector<int>& sheets);
    ~ItemSums();
    ItemSums(const ItemSums&) = delete;
    ItemSums& operator=(const ItemSums&) = delete;

    // The rows of sheet n, one per item in the order given and with the columns and values of
    // its ItemStatement row.
    std::string SheetStatement(int sheet) const;

  private:
    void Drop() noexcept;

    SQLite::Database& db_;
};

}  // namespace tallwick::summary
