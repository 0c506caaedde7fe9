#pragma once

// The ranked list of the review as a workbook, for those who check the records away from the
// program.

#include "review/plausibility_review.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>

namespace tallwick::review {

// "可疑数据审核" in A1, the column titles in row 3, then one row per ranked record: rank, code,
// name, level, score, field, value, the expected range and its text. Written under a temporary
// name and moved over `target`, so a failure leaves no half-written file; it throws UserError
// with the export's error text.
void ExportReviewWorkbook(SQLite::Database& db, const ReviewResult& result,
                          const std::filesystem::path& target);

}  // namespace tallwick::review
