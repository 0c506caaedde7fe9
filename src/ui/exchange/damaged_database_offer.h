#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace tallwick::ui {

// The way back from a damaged or missing working database: its data folder's newest safety copy,
// then any backup file the user chooses, each offered after `whatHappened`. `beforeRestore` runs
// once the user has said yes (it lets go of the damaged file). Returns the restore's message;
// nothing when the user declined everything. The damaged file is kept beside the restored one.
// A failed restore throws UserError and leaves the damaged file as it was.
std::optional<std::string> OfferWayBack(const std::filesystem::path& working,
                                        const QString& whatHappened,
                                        const std::function<void()>& beforeRestore = {},
                                        QWidget* parent = nullptr);

// "数据库文件“…”已经损坏。" or "没有找到数据库文件“…”。", with the finding in brackets when known.
QString DamagedDatabaseText(const std::filesystem::path& working, const std::string& finding = {});

}  // namespace tallwick::ui
