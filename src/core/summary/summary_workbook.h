#pragma once

#include <SQLiteCpp/Database.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>

namespace tallwick::summary {

inline constexpr const char* kSummaryTemplateName = "2018基层以上汇总表.xltx";
// A custom grouping that is not (or no longer) stored.
inline constexpr const char* kGroupingMissing = "所选的自定义分组不存在，请重新选择。";
inline constexpr const char* kOnlyCoverTicked = "除去封面，请至少选择一个表格进行汇总";
inline constexpr const char* kTemplateOpenFailed =
    "打开汇总模版文件时发生错误，可能是没有安装MS Office或者WPS Office中的Excel";

enum class Grouping { Level, State, Custom };

inline constexpr int kWorkbookSheets = 27;

struct SummaryRequest {
    Grouping grouping = Grouping::Level;
    std::int64_t groupId = 0;                    // Custom: the grouping (0: the items of all)
    std::array<bool, kWorkbookSheets> sheets{};  // ticked sheets; [0] is the cover
};

// Where a run stands: the sheets filled and the cells written on the current sheet.
struct SummaryProgressState {
    int sheetsDone = 0;
    int sheetsTotal = 0;
    std::uint64_t cellsDone = 0;
    std::uint64_t cellsTotal = 0;
};
using SummaryProgress = std::function<void(const SummaryProgressState&)>;

enum class SummaryOutcome { NothingTicked, Written };

// Fills a new workbook from the template with one row per group on every ticked sheet, deletes
// the sheets not ticked and saves it at `output`, atomically. Nothing happens when nothing is
// ticked. Throws UserError kOnlyCoverTicked when only the cover is, and kTemplateOpenFailed when
// the template cannot be opened; database errors propagate.
SummaryOutcome WriteSummaryWorkbook(SQLite::Database& db, const std::filesystem::path& templatePath,
                                    const SummaryRequest& request,
                                    const std::filesystem::path& output,
                                    const SummaryProgress& progress = {});

}  // namespace tallwick::summary
