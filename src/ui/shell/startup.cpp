#include "shell/startup.h"

#include "common/user_error.h"
#include "exchange/damaged_database_offer.h"
#include "exchange/restore.h"
#include "store/schema_version.h"

#include <SQLiteCpp/Exception.h>

namespace tallwick::ui {

namespace {

// A damaged or missing working database ends the program only when no safety copy can replace it.
DatabaseConnection OpenOrRestore(const std::filesystem::path& programFolder,
                                 const std::function<void(const QString&)>& showError) {
    try {
        return DatabaseConnection::Open(programFolder);
    } catch (const UserError&) {
        const std::filesystem::path working = programFolder / kDatabaseFileName;
        bool damaged = false;
        try {
            damaged = exchange::IsDamagedOrMissing(working);
        } catch (const std::exception&) {
            // Locked or unreadable: the opening's own message says more.
        }
        if (!damaged) throw;
        const auto restored = OfferWayBack(working, DamagedDatabaseText(working));
        if (!restored) throw;
        showError(QString::fromStdString(*restored));
    }
    return DatabaseConnection::Open(programFolder);
}

}  // namespace

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
        return OpenOrRestore(programFolder, showError);
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
