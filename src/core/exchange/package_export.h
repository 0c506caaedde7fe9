#pragma once

#include "exchange/exchange_progress.h"

#include <SQLiteCpp/Database.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace tallwick::exchange {

// Throws UserError "存在临时保存或逻辑错误的数据，不能上报!" while any record is held or has
// logic errors: only clean records leave the system.
void CheckExportGate(SQLite::Database& db);

// Throws UserError naming the first rows to be exported that break the survey's types and limits
// (an older working database keeps those its upgrade reported): every receiver would refuse a
// package with them. Checked by the front ends beside the gate.
void CheckExportedLimits(SQLite::Database& working);

// Why a provider name cannot be taken ("必须修改默认的名称！", or too long), or nothing. The name
// is otherwise taken as entered: not trimmed, and an empty one is accepted.
std::optional<std::string> ProviderNameProblem(const std::string& name);
inline constexpr std::size_t kProviderNameMaxCharacters = 200;

// "<provider>-yyyy-mm-dd(离线版)", the name the save dialog suggests.
std::string SuggestedPackageName(const std::string& provider, const std::tm& today);

struct PackageExportResult {
    std::uint64_t records = 0;
    std::string message;  // "数据已经被正确导出到：'<target>'！"
};

// Writes the package: the template `templateFile` (view.dll) filled with the clean records of
// the working database and their dt_data1 rows, labelled with `provider`, sealed and masked.
// The target appears only when complete. Run the gate first; failures throw UserError
// "运行中发生错误：…,请与软件发行者联系。".
PackageExportResult ExportPackage(SQLite::Database& working,
                                  const std::filesystem::path& templateFile,
                                  const std::filesystem::path& target, const std::string& provider,
                                  const ExchangeProgress& progress = {});

}  // namespace tallwick::exchange
