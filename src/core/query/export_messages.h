#pragma once

#include <filesystem>
#include <string>

namespace tallwick::query {

inline constexpr const char* kEmptyWorkbookExport = "SaveQueryAsExcel出错:数据表为空，不能导出！";
inline constexpr const char* kEmptyDatabaseExport =
    "SaveQueryAsAccess:：出错:数据表为空，不能导出！";
inline constexpr const char* kPairedWorkbookSaveFailed =
    "导出发生错误，请确认EXCEl版本在2007以上重试，若无效,请与系统管理员或软件发行者联系。";
// Followed by the cell's name: a text longer than a workbook cell can hold is not cut silently.
inline constexpr const char* kCellTextTooLong =
    "有文本超过了工作簿单元格所能容纳的32767个字符，不能导出。请先修正这个数据，单元格：";
inline constexpr const char* kQueryResultTitle = "Tallwick查询结果";

// "运行中发生错误：" + detail + ",请与系统管理员或软件发行者联系。"
std::string RunErrorMessage(const std::string& detail);

std::string WorkbookExportedMessage(const std::filesystem::path& path);
std::string DatabaseExportedMessage(const std::filesystem::path& path);

// The save dialog's suggested name: the title, "-" and the date as yyyy-mm-dd.
std::string SuggestedExportName(const std::string& title, const std::string& isoDate);

// The chosen name with ".xlsx" (workbooks of both forms) or ".mdb" appended unless it already
// ends in it (exact case).
std::filesystem::path WithExtension(const std::filesystem::path& chosen, const std::string& ext);

}  // namespace tallwick::query
