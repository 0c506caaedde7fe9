#pragma once

#include <string>
#include <vector>

namespace tallwick::summary {

// One sheet of the summary workbook: the aggregate columns that the database computes over the
// records of one group, in the order of the sheet's columns.
struct SummarySheet {
    int number = 0;                    // 2 to 27; sheet 1 is the cover and is never summed
    std::string title;                 // the survey table's title
    std::vector<std::string> aliases;  // result columns in order: cnt, sum_z001, sum_z009_1, ...
    // "sum(z001) as sum_z001,... from dt_data where c901>0": a grouping statement puts its
    // grouping column in front and a "group by" or further conditions behind.
    std::string selectList;
    std::string aggregates;  // the select list without its "from" clause
};

// Sheets 2 to 27, in order; built once.
const std::vector<SummarySheet>& SummarySheets();
const SummarySheet& SheetNumber(int number);

// The whole-database weighted averages for the total rows of sheets 24 and 26.
inline constexpr const char* kWholeD023Average =
    "select iif(sum(iif(d023>0,d012,0))>0,sum(d023*d012)*1.0/sum(iif(d023>0,d012,0)),0)  as "
    "sum_d023_cnt "
    "from dt_data";
inline constexpr const char* kWholeD045Average =
    "select iif(sum(iif(d045>0,x001,0))>0,sum(d045*x001)*1.0/sum(iif(d045>0,x001,0)),0)  as "
    "sum_d045_cnt "
    "from dt_data";

}  // namespace tallwick::summary
