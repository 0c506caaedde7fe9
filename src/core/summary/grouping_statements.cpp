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
    if (!IsSymbol(item.lowSymbol, ">", ">=") || !IsSymbol(item.highSymbol, "<", "<="))
        throw std::invalid_argument("grouping item " + item.title + " has no valid bounds");
    return " select ?1 as ItemName,?2 as sid," + SheetNumber(sheet).selectList +
           " and dt_data.c901" + item.lowSymbol + "?3 and dt_data.c901" + item.highSymbol + "?4";
}

}  // namespace tallwick::summary
