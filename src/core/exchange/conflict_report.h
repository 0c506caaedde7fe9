#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick::exchange {

struct CodeCollision {
    double code = 0;
    std::string name;
};

// "<folder>/数据导入编号冲突.txt"
std::filesystem::path ConflictReportPath(const std::filesystem::path& temporaryFolder);

// The number-conflict report: a heading, 80 hyphens, then "(code,name)" per colliding record,
// UTF-8 with CR LF line ends, replacing an older report only when complete.
void WriteConflictReport(const std::filesystem::path& path,
                         const std::vector<CodeCollision>& collisions);

}  // namespace tallwick::exchange
