#include "query/data_list_export.h"

#include "query/result_columns.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick::query {

DataListLayout DescribeDataList(SQLite::Database& db, const DataListQueries& queries) {
    DataListLayout layout;
    {
        SQLite::Statement main(db, queries.main);
        layout.columns = DescribeColumns(main);
        layout.firstCount = layout.columns.size();
        layout.empty = !main.executeStep();
    }
    if (!queries.second.empty()) {
        SQLite::Statement second(db, queries.second);
        for (FieldData& column : DescribeColumns(second))
            layout.columns.push_back(std::move(column));
    }
    return layout;
}

std::filesystem::path ExportDataList(SQLite::Database& db, const DataListQueries& queries,
                                     const DataListLayout& layout, const WorkbookRequest& request,
                                     const exchange::ExchangeProgress& progress) {
    if (queries.second.empty())
        return ExportResultWorkbook(db, queries.main, layout.columns, request, progress);
    return ExportPairedResultWorkbook(db, queries.main, queries.second, layout.firstCount,
                                      layout.columns, request, progress);
}

}  // namespace tallwick::query
