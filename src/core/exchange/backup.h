#pragma once

#include "exchange/exchange_progress.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <string>

namespace tallwick::exchange {

// Copies the working database to `target` through SQLite's online backup, which gives a
// consistent copy while the connection stays open. The target is replaced only by a complete
// copy. Returns "备份成功"; a failure throws UserError "运行中发生错误：…,请与软件发行者联系。".
// Progress counts database pages.
std::string BackupDatabase(SQLite::Database& working, const std::filesystem::path& target,
                           const ExchangeProgress& progress = {});

}  // namespace tallwick::exchange
