#include "summary/grouping_statements.h"

#include "summary/summary_queries.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>
#include <string_view>

namespace tallwick::summary {
namespace {

std::string CodeStatement(const char* table, const char* column, int sheet) {
    return std::string("select code.name,sum_table.*  from ") + table + " code left join (select " +
           column + "," + SheetNumber(sheet).selectList + " group by " + column +
           ") sum_table on code.id = sum_table." + column + " order by code.sequence desc";
}

std::size_t FindIgnoringCase(const std::string& text, std::string_view word) {
    const auto found =
        std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    return found == text.end() ? std::string::npos : static_cast<std::size_t>(found - text.begin());
}

// The stored clause goes into SQL text, so only "<column of the item view> ASC|DESC" passes.
bool IsSortClause(const std::string& clause) {
    static constexpr std::array<std::string_view, 9> kColumns = {
        "id",        "groupid",    "title",    "lowboundary", "highboundary",
        "lowsymbol", "highsymbol", "lowvalue", "highvalue"};
    const std::size_t space = clause.find(' ');
    if (space == std::string::npos) return false;
    std::string column = clause.substr(0, space);
    std::string direction = clause.substr(space + 1);
    for (std::string* word : {&column, &direction})
        std::transform(word->begin(), word->end(), word->begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kColumns.begin(), kColumns.end(), column) != kColumns.end() &&
           (direction == "asc" || direction == "desc");
}

bool IsSymbol(const std::string& symbol, std::string_view a, std::string_view b) {
    return symbol == a || symbol == b;
}

void CheckSymbols(const GroupItem& item) {
    if (!IsSymbol(item.lowSymbol, ">", ">=") || !IsSymbol(item.highSymbol, "<", "<="))
        throw std::invalid_argument("grouping item " + item.title + " has no valid bounds");
}

constexpr const char* kItemTable = "summary_items";
constexpr const char* kRecordSums = "summary_item_sums";    // sheets 2 to 26
constexpr const char* kSheet27Sums = "summary_item_sums1";  // sheet 27

// The closed range lets the index on c901 find each item's records, as the bound parameters of
// ItemStatement do, so the records are summed in the same order; the flags then drop an open end.
constexpr const char* kInItem =
    "dt_data.c901>0 and dt_data.c901 between item.low and item.high"
    " and (item.low_inclusive or dt_data.c901>item.low)"
    " and (item.high_inclusive or dt_data.c901<item.high)";

// `records` is what the aggregates read per item; `empty` a table they can run over without any
// row, which gives an item without records the values its ItemStatement row shows.
void SumItems(SQLite::Database& db, const char* table, const std::string& aggregates,
              const char* records, const char* empty) {
    const std::string name = std::string("temp.") + table;
    db.exec("CREATE TEMP TABLE " + std::string(table) + " AS SELECT item.sid AS sid," + aggregates +
            " FROM temp." + kItemTable + " item CROSS JOIN " + records + " WHERE " + kInItem +
            " GROUP BY item.sid");
    db.exec("INSERT INTO " + name + " SELECT item.sid, empty.* FROM temp." + kItemTable +
            " item CROSS JOIN (SELECT " + aggregates + " FROM " + empty +
            " WHERE 0) empty WHERE item.sid NOT IN (SELECT sid FROM " + name + ")");
}

}  // namespace

std::string LevelStatement(int sheet) {
    return CodeStatement("CT_LevelCode", "c904", sheet);
}
std::string StateStatement(int sheet) {
    return CodeStatement("ct_state", "c907", sheet);
}

std::string ReverseOrder(const std::string& orderClause) {
    std::string reversed = orderClause;
    if (orderClause.find("DESC") != std::string::npos) {
        reversed.replace(FindIgnoringCase(reversed, "desc"), 4, "asc");
    } else if (orderClause.find("ASC") != std::string::npos) {
        reversed.replace(FindIgnoringCase(reversed, "asc"), 3, "desc");
    }
    return reversed;
}

std::vector<GroupItem> ReadGroupItemsReversed(SQLite::Database& db, std::int64_t groupId) {
    std::string order = "id ASC";
    if (groupId != 0) {
        SQLite::Statement read(db, "select orderstr from ct_group where id=?");
        read.bind(1, groupId);
        if (read.executeStep() && !read.getColumn(0).isNull() &&
            !read.getColumn(0).getString().empty())
            order = read.getColumn(0).getString();
    }
    std::string reversed = ReverseOrder(order);
    if (!IsSortClause(reversed)) reversed = "id desc";

    SQLite::Statement items(
        db, "select Title, LowSymbol, LowBoundary, HighSymbol, HighBoundary from view_group_item" +
                std::string(groupId != 0 ? " where groupid=?" : "") + " order by " + reversed);
    if (groupId != 0) items.bind(1, groupId);
    std::vector<GroupItem> result;
    while (items.executeStep()) {
        GroupItem item{items.getColumn(0).getString(), items.getColumn(1).getString(),
                       items.getColumn(2).getInt64(), items.getColumn(3).getString(),
                       items.getColumn(4).getInt64()};
        result.push_back(std::move(item));
    }
    return result;
}

std::string ItemStatement(int sheet, const GroupItem& item) {
    CheckSymbols(item);
    return " select ?1 as ItemName,?2 as sid," + SheetNumber(sheet).selectList +
           " and dt_data.c901" + item.lowSymbol + "?3 and dt_data.c901" + item.highSymbol + "?4";
}

ItemSums::ItemSums(SQLite::Database& db, const std::vector<GroupItem>& items,
                   const std::vector<int>& sheets)
    : db_(db) {
    for (const GroupItem& item : items) CheckSymbols(item);
    std::string recordAggregates;
    bool sheet27 = false;
    for (const int number : sheets) {
        if (number == 27)
            sheet27 = true;
        else
            recordAggregates += "," + SheetNumber(number).aggregates;
    }

    Drop();
    try {
        db_.exec(std::string("CREATE TEMP TABLE ") + kItemTable +
                 " (sid INTEGER PRIMARY KEY, title TEXT, low INTEGER, high INTEGER,"
                 " low_inclusive INTEGER, high_inclusive INTEGER)");
        SQLite::Statement insert(
            db_, std::string("INSERT INTO temp.") + kItemTable + " VALUES (?,?,?,?,?,?)");
        for (std::size_t i = 0; i < items.size(); ++i) {
            insert.bind(1, static_cast<std::int64_t>(i + 1));
            insert.bind(2, items[i].title);
            insert.bind(3, items[i].low);
            insert.bind(4, items[i].high);
            insert.bind(5, items[i].lowSymbol == ">=" ? 1 : 0);
            insert.bind(6, items[i].highSymbol == "<=" ? 1 : 0);
            insert.exec();
            insert.reset();
        }
        if (!recordAggregates.empty())
            SumItems(db_, kRecordSums, recordAggregates.substr(1), "dt_data", "dt_data");
        if (sheet27)
            SumItems(db_, kSheet27Sums, SheetNumber(27).aggregates,
                     "dt_data CROSS JOIN dt_data1 ON dt_data1.c901=dt_data.c901", "dt_data1");
    } catch (...) {
        Drop();
        throw;
    }
}

ItemSums::~ItemSums() {
    Drop();
}

void ItemSums::Drop() noexcept {
    for (const char* table : {kSheet27Sums, kRecordSums, kItemTable}) {
        try {
            db_.exec(std::string("DROP TABLE IF EXISTS temp.") + table);
        } catch (...) {
        }
    }
}

std::string ItemSums::SheetStatement(int sheet) const {
    std::string columns;
    for (const std::string& alias : SheetNumber(sheet).aliases) columns += ",sums." + alias;
    return "select item.title,item.sid" + columns + " from temp." + kItemTable +
           " item join temp." + (sheet == 27 ? kSheet27Sums : kRecordSums) +
           " sums on sums.sid=item.sid order by item.sid";
}

}  // namespace tallwick::summary
