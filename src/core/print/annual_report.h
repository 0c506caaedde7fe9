#pragma once

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <functional>
#include <string>

namespace tallwick::print {

inline constexpr const char* kAnnualReportTemplateName = "2018打印表.xltx";
inline constexpr const char* kTemplateOpenFailed =
    "打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel";
// The sheet whose values come from dt_data1 (y001–y012).
inline constexpr int kSecondTableSheet = 14;

// "没有编号为 <code> 的数据", the code in plain digits.
std::string NoRecordMessage(double code);

enum class FinalSheet {
    First,       // the main window prints the record list's current record
    LastFilled,  // the entry window leaves the last table it filled in view
};

// Called with 0 before the first sheet and then once per sheet filled.
using PrintProgress = std::function<void(int sheetsDone, int sheetsTotal)>;

// Fills the record with code `code` into a new workbook from the template, each catalogue field
// of page 0 or more into the cell its printPageID and printplace name, and saves it at `output`,
// atomically. Numbers become number cells, texts strings, a missing value an empty cell.
// Throws UserError kTemplateOpenFailed when the template cannot be opened and NoRecordMessage
// when dt_data holds no such record; database errors propagate.
void WriteAnnualReport(SQLite::Database& db, const std::filesystem::path& templatePath, double code,
                       const std::filesystem::path& output, FinalSheet finalSheet,
                       const PrintProgress& progress = {});

}  // namespace tallwick::print
