#include "exchange/conflict_report.h"

#include "check/check_report.h"
#include "common/file_io.h"
#include "exchange/exchange_messages.h"

namespace tallwick::exchange {

std::filesystem::path ConflictReportPath(const std::filesystem::path& temporaryFolder) {
    return temporaryFolder / messages::kConflictReportName;
}

void WriteConflictReport(const std::filesystem::path& path,
                         const std::vector<CodeCollision>& collisions) {
    std::string text = "在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n";
    text += std::string(80, '-') + "\r\n";
    for (const auto& collision : collisions)
        text += "(" + check::FormatUnitCode(collision.code) + "," + collision.name + ")\r\n";
    WriteFileAtomically(path, {text.begin(), text.end()});
}

}  // namespace tallwick::exchange
