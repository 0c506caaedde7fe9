#include "query/data_list.h"

#include "common/user_error.h"
#include "entry/record_io.h"
#include "store/code_range.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::query {

const std::array<DataListTable, 13> kDataListTables{{
    {"表一 工会组织建设及民主参与状况", "z", 7, 1000},
    {"表二 工会干部协管及教育培训工作", "x", 7, 1000},
    {"表三 工会权益保障及集体合同工作", "b", 7, 1000},
    {"表四 工会法律工作", "f", 7, 1000},
    {"表五 工会劳动保护工作", "l", 7, 1000},
    {"表六 工会经济技术工作", "j", 7, 1000},
    {"表七 工会财务和经费审查工作", "s", 7, 1000},
    {"表八 工会宣传教育和职工文化体育工作", "w", 7, 1000},
    {"表九 工会网络工作", "n", 7, 1000},
    {"表十 工会国际交流工作", "g", 7, 1000},
    {"附表1  工会干部队伍情况", "d", 7, 301},
    {"附表1续  工会领导班子情况", "d", 300, 1000},
    {"附表2  工会经费审查工作情况", "y", 7, 1000},
}};

namespace {

constexpr std::size_t kData1Line = 12;  // line 13: the y fields of dt_data1
constexpr const char* kCover = "select dt_data.c901,c902,c903,c904,c905,c906,c907,RecordState";

std::string Join(const std::vector<std::string>& names) {
    std::string joined;
    for (const auto& name : names) joined += (joined.empty() ? "" : ",") + name;
    return joined;
}

DataListQueries Queries(const DataListColumns& columns, const std::string& mainTail,
                        const std::string& secondTail) {
    DataListQueries queries{kCover + columns.data + mainTail, {}};
    if (!columns.data1.empty())
        queries.second = "select dt_data1.c901," + columns.data1 + secondTail;
    return queries;
}

bool IsComparison(const std::string& symbol) {
    for (const char* known : {"=", ">", "<", ">=", "<="})
        if (symbol == known) return true;
    return false;
}

}  // namespace

DataListColumns BuildDataListColumns(SQLite::Database& db, const std::array<bool, 13>& ticked) {
    std::vector<std::string> data;
    std::vector<std::string> data1;
    SQLite::Statement names(db,
                            "SELECT FieldName FROM dt_fieldlist WHERE FieldName LIKE ? AND "
                            "sequence>? AND sequence<? ORDER BY sequence");
    for (std::size_t line = 0; line < kDataListTables.size(); ++line) {
        if (!ticked[line]) continue;
        const DataListTable& table = kDataListTables[line];
        names.bind(1, std::string("%") + table.letter + "%");
        names.bind(2, table.above);
        names.bind(3, table.below);
        while (names.executeStep())
            (line == kData1Line ? data1 : data).push_back(names.getColumn(0).getString());
        names.reset();
    }
    return {data.empty() ? std::string() : "," + Join(data), Join(data1)};
}

DataListQueries AllRecordsQueries(const DataListColumns& columns) {
    return Queries(columns,
                   " from dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901 order by "
                   "dt_data.c901",
                   " from dt_data1 inner join dt_data on dt_data.c901=dt_data1.c901 order by "
                   "dt_data1.c901");
}

DataListQueries CodeRangeQueries(const DataListColumns& columns, const std::string& lowText,
                                 const std::string& highText) {
    const CodeRange range = ParseCodeRange(lowText, highText, kCodeRangeMissing);
    const std::string low = CodeBoundText(range.low);
    const std::string high = CodeBoundText(range.high);
    return Queries(columns,
                   " from dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901 where "
                   "dt_data.c901>=" +
                       low + " and dt_data.c901<=" + high + " order by dt_data.c901",
                   " from dt_data1 inner join dt_data on dt_data.c901=dt_data1.c901 where "
                   "dt_data1.c901>=" +
                       low + " and dt_data1.c901<=" + high + "  order by dt_data1.c901");
}

DataListQueries GroupItemQueries(const DataListColumns& columns, double low, double high,
                                 const std::string& lowSymbol, const std::string& highSymbol) {
    const std::string lowText = entry::CodeText(low);
    const std::string highText = entry::CodeText(high);
    if (lowText == "0" || highText == "0" || !IsComparison(lowSymbol) || !IsComparison(highSymbol))
        throw UserError(kGroupItemInvalid);
    return Queries(columns,
                   " from dt_data  inner join dt_data1 on dt_data.c901=dt_data1.c901 where "
                   "dt_data.c901" +
                       lowSymbol + lowText + " and dt_data.c901" + highSymbol + highText +
                       " order by dt_data.c901",
                   " from dt_data1 inner join dt_data on dt_data.c901=dt_data1.c901 where "
                   "dt_data.c901" +
                       lowSymbol + lowText + " and dt_data1.c901" + highSymbol + highText +
                       " order by dt_data1.c901");
}

}  // namespace tallwick::query
