#pragma once

#include "exchange/exchange_progress.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick::exchange {

// The tables that carry the user's groupings, in transfer order.
inline const std::vector<std::string> kGroupTables = {"CT_Group", "DT_GroupItem"};

// Copies each listed table of `sourceDatabase`, definition and rows, into `target`, replacing a
// table of that name there and keeping the file's other tables; a missing target is created.
// The target changes only when every table is copied. Returns
// "数据已经被正确导出到：'<target>'！"; failures throw UserError "运行中发生错误：…".
std::string ExportTables(const std::filesystem::path& sourceDatabase,
                         const std::vector<std::string>& tables,
                         const std::filesystem::path& target,
                         const ExchangeProgress& progress = {});

struct TableImportResult {
    // "您选择的文件中不存在名字为"<table>"的数据表" for each table the file lacks; skipped.
    std::vector<std::string> missingTables;
    std::string message;  // "数据分组导入操作完成！"
};

// Replaces the rows of each listed table of the working database with those of `file`, all in
// one transaction: on any failure (for example columns that do not fit) nothing changes and
// UserError "运行中发生错误：…" is thrown. Items left without their grouping go with it; items
// from the file must belong to a grouping. A safety copy is made first (see MakeSafetyCopy).
TableImportResult ImportTables(SQLite::Database& working, const std::vector<std::string>& tables,
                               const std::filesystem::path& file,
                               const ExchangeProgress& progress = {});

}  // namespace tallwick::exchange
