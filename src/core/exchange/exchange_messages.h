#pragma once

// Texts of the data exchange that the user sees; they are the system's own and fixed.
namespace tallwick::exchange::messages {

inline constexpr const char* kExportBlocked = "存在临时保存或逻辑错误的数据，不能上报!";
inline constexpr const char* kDefaultLabel = "默认数据库";
inline constexpr const char* kDefaultLabelRefused = "必须修改默认的名称！";
inline constexpr const char* kProviderNameTooLong = "提供数据的单位的名称长度不要超过200个汉字！";
inline constexpr const char* kFileMissing = "您选择的文件并不存在，请选择其它文件。";
inline constexpr const char* kFileFormat = "文件格式错误,请重新选择！";
inline constexpr const char* kFileNotReadable =
    "无法读取您选择的文件，请检查您是否有读取这个文件的权限。";
inline constexpr const char* kFileLacksData = "您选择的文件中不存在名字为\"dt_data\"的数据表";
inline constexpr const char* kSystemLacksData = "系统中不存在名字为\"dt_data\"的数据表";
inline constexpr const char* kImportFileLayout =
    "导入文件格式错误，请确认导入文件是基层以上报表离线版中备份的数据文件。";
inline constexpr const char* kImportDuplicates =
    "导入过程中发生错误,准备导入的数据可能与现有的数据有重复的内容,请修正或者采用逐条导入方式。";
// Its line breaks are LF CR, in this order, as the system has always shown them.
inline constexpr const char* kImportAnalysisUnavailable =
    "导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r"
    "\n\r"
    "            数据导入编号冲突.txt。";
inline constexpr const char* kImportOwnDatabase =
    "您选择的文件是系统正在使用的数据库文件，不能导入，请选择其它文件。";
inline constexpr const char* kCompareOwnDatabase =
    "您选择的文件是系统正在使用的数据库文件，不能比对，请选择其它文件。";
inline constexpr const char* kConflictReportName = "数据导入编号冲突.txt";
inline constexpr const char* kBackupDone = "备份成功";
// A copy written over the working database would replace the open file under the program, and
// every later change would be lost.
inline constexpr const char* kTargetIsWorkingDatabase =
    "不能导出到正在使用的数据库文件本身，请另选一个文件。";
inline constexpr const char* kGroupImportDone = "数据分组导入操作完成！";

}  // namespace tallwick::exchange::messages
