#pragma once

// Texts of the database connection that the user sees; they are the system's own and fixed.
namespace tallwick::messages {

inline constexpr const char* kDataFileMissing = "没有找到系统数据文件，请重新安装。";
// Asked for while the file is closed for compaction or a restore, or after it failed to reopen.
inline constexpr const char* kDatabaseClosed = "数据库文件正在整理或恢复，暂时不能读取。";
inline constexpr const char* kInstallationBroken = "软件安装不正确，请与软件提供者联系！";

}  // namespace tallwick::messages
