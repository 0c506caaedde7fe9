#include "query/export_messages.h"

namespace tallwick::query {

std::string RunErrorMessage(const std::string& detail) {
    return "运行中发生错误：" + detail + ",请与系统管理员或软件发行者联系。";
}

std::string WorkbookExportedMessage(const std::filesystem::path& path) {
    return "Excel文件已经正确导出到：'" + path.string();
}

std::string DatabaseExportedMessage(const std::filesystem::path& path) {
    return "Access文件已经正确导出到：'" + path.string() + "'！";
}

std::string SuggestedExportName(const std::string& title, const std::string& isoDate) {
    return title + "-" + isoDate;
}

std::filesystem::path WithExtension(const std::filesystem::path& chosen, const std::string& ext) {
    const std::string name = chosen.string();
    if (name.size() >= ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
        return chosen;
    return std::filesystem::path(name + ext);
}

}  // namespace tallwick::query
