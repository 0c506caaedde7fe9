#pragma once

// The judgements of an import that went wrong: what the user is told, and the staging of the
// colliding records. Shared by the import of every record and the import with decisions.
#include "exchange/data_import.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::exchange {

// "导入过程中发生错误，没有导入任何数据：<cause>"
std::string ImportFailure(const std::string& cause);

// Every record of the file must bring exactly one dt_data1 row: the rows added after the given
// row ids are compared both ways. Duplicate codes were refused by the unique indexes already.
std::optional<std::string> UnpairedRecord(SQLite::Database& working, std::int64_t lastData,
                                          std::int64_t lastData1);

std::int64_t LastRowId(SQLite::Database& working, const char* table);

// The codes of the attached file's dt_data that the working dt_data holds already, ascending.
std::vector<double> CollidingCodesOf(SQLite::Database& working, const std::string& source);

// The first record of the attached file, in the file's order, that breaks a limit of the survey
// or whose code the file holds twice. Nothing for a file of another layout, which the conflict
// analysis reports.
std::optional<std::string> FirstBadRecord(SQLite::Database& working, const std::string& source);

// After a failed transfer: stage the file's records whose codes are already present and report
// them. The staging tables hold them until the next analysis.
ImportResult AnalyseConflicts(SQLite::Database& working, const std::string& source,
                              const std::filesystem::path& temporaryFolder,
                              const std::string& cause);

}  // namespace tallwick::exchange
