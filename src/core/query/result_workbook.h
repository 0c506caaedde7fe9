#pragma once

#include "exchange/exchange_progress.h"
#include "store/field_catalogue.h"

#include <SQLiteCpp/Database.h>

#include <cstddef>
#include <filesystem>
#include <string>

namespace tallwick::query {

struct WorkbookRequest {
    std::string title;                 // names the worksheet (the two-set form adds "1")
    std::string exportDate;            // B2: today in the user's short date format
    std::filesystem::path chosenName;  // from the save dialog; ".xlsx" is appended when missing
};

// Writes the rows of `sql` as a workbook: "导出日期:" in A2, the date in B2, the titles of the
// selected columns in row 3, one row per record from row 5, each column in the number format of
// its kind. Returns the file written (atomically). An empty result throws
// UserError(kEmptyWorkbookExport) and writes nothing; other failures throw UserError with the
// run-error text. Progress is (records written, records).
std::filesystem::path ExportResultWorkbook(SQLite::Database& db, const std::string& sql,
                                           const FieldDataArray& columns,
                                           const WorkbookRequest& request,
                                           const exchange::ExchangeProgress& progress);

// The records of `sql` with their dt_data1 rows from `sql1` side by side, matched by order (both
// are ordered by code). columns[0, firstCount) describe `sql`'s columns, columns[firstCount] is
// the second set's code column and never written, the rest describe `sql1`. Selected columns are
// placed next to each other, first set then second, so values always sit under their titles.
std::filesystem::path ExportPairedResultWorkbook(SQLite::Database& db, const std::string& sql,
                                                 const std::string& sql1, std::size_t firstCount,
                                                 const FieldDataArray& columns,
                                                 const WorkbookRequest& request,
                                                 const exchange::ExchangeProgress& progress);

}  // namespace tallwick::query
