#pragma once

#include <filesystem>

namespace tallwick {

inline constexpr const char* kCompactionDone = "压缩操作成功";

// Rewrites the database file compactly. The caller closes its connection first and reopens it
// afterwards. The file is replaced only by a complete copy (written beside it, then renamed), so
// on any failure it keeps its previous content; the failure is thrown as UserError
// "运行中发生错误：" + the reason. A safety copy is made first; without one (its own UserError) the
// file is not touched.
void CompactDatabase(const std::filesystem::path& path);

}  // namespace tallwick
