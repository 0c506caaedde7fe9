#include "shell/startup.h"

#include "store/schema_version.h"

#include <SQLiteCpp/Exception.h>

namespace tallwick::ui {

StartupResult RunStartup(Registry& registry, const std::filesystem::path& programFolder,
                         const std::function<void(const QString&)>& showError) {
    AppSettings settings;
    try {
        settings = LoadSettings(registry, QString::fromStdString(programFolder.string()));
    } catch (const RegistryWriteError& error) {
        showError(QString::fromStdString(error.what()));
    }
    ApplySafetyCopySetting(registry);

    DatabaseConnection connection = [&] {
        const ScopedUpgradeNotice notice(
            [&showError](const std::string& text) { showError(QString::fromStdString(text)); });
        return DatabaseConnection::Open(programFolder);
    }();
    QString label;
    try {
        label = QString::fromStdString(connection.ReadDatabaseLabel());
    } catch (const SQLite::Exception& error) {
        showError(QString::fromUtf8(error.what()));
    }
    const bool showGrid = WriteAndReadShowGrid(registry);
    return {settings, std::move(connection), label, showGrid};
}

QString StatusVersionText() {
    return QStringLiteral("开发单位：Marrowind　软件版本：1.0 (Build %1)")
        .arg(TALLWICK_BUILD_NUMBER);
}

}  // namespace tallwick::ui
