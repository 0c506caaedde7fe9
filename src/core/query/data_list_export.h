#pragma once

#include "exchange/exchange_progress.h"
#include "query/data_list.h"
#include "query/result_workbook.h"
#include "store/field_catalogue.h"

#include <SQLiteCpp/Database.h>

#include <cstddef>
#include <filesystem>

namespace tallwick::query {

// The workbook columns of a data list: one description per column of the main query, then one
// per column of the second query (none without one).
struct DataListLayout {
    FieldDataArray columns;
    std::size_t firstCount = 0;  // the main query's columns
    bool empty = true;           // the main query has no record
};

DataListLayout DescribeDataList(SQLite::Database& db, const DataListQueries& queries);

// Writes the data list as a workbook: the main query's records alone, or with their y fields side
// by side when there is a second query. Throws as ExportResultWorkbook does.
std::filesystem::path ExportDataList(SQLite::Database& db, const DataListQueries& queries,
                                     const DataListLayout& layout, const WorkbookRequest& request,
                                     const exchange::ExchangeProgress& progress);

}  // namespace tallwick::query
