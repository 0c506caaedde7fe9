#pragma once

#include "settings/settings.h"
#include "store/connection.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

namespace tallwick::ui {

// Everything the start-up sequence leaves for the main window.
struct StartupResult {
    AppSettings settings;
    DatabaseConnection connection;
    QString databaseLabel;
    bool showGrid = true;
};

// Loads the settings, opens the working database and reads its label and the ShowGrid setting.
// A damaged or missing database is offered its newest safety copy as the way back. Throws
// UserError when the database cannot be opened all the same (the program must end). Errors after
// the database has opened (a settings write, an unreadable label) go to `showError` and start-up
// goes on, as any other operation's error would.
StartupResult RunStartup(Registry& registry, const std::filesystem::path& programFolder,
                         const std::function<void(const QString&)>& showError);

// "开发单位：Marrowind　软件版本：1.0 (Build N)"
QString StatusVersionText();

}  // namespace tallwick::ui
