#include "settings/settings.h"

#include <QDir>
#include <QStandardPaths>

namespace tallwick::ui {

AppSettings LoadSettings(Registry& registry, const QString& programFolder) {
    constexpr RegistryRoot kRoot = RegistryRoot::LocalMachine;
    AppSettings settings;
    if (registry.ReadRegString(QStringLiteral("Version"), QStringLiteral("000"), kRoot,
                               kSystemKey) != QLatin1String("000")) {
        settings.imePrefer =
            registry.ReadRegString(QStringLiteral("ImePrefer"), QString(), kRoot, kEnvSettingKey);
        settings.inputWndStyle =
            registry.ReadRegInteger(QStringLiteral("InputWndStyle"), 0, kRoot, kEnvSettingKey) != 0;
        return settings;
    }
    QString folder = QDir::toNativeSeparators(programFolder);
    if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
    registry.WriteRegString(QStringLiteral("ServicePack"), QStringLiteral("None"), kRoot,
                            kSystemKey);
    registry.WriteRegString(QStringLiteral("FilePath"), folder, kRoot, kSystemKey);
    registry.WriteRegInteger(QStringLiteral("AppTyp"), 1, kRoot, kSystemKey);
    registry.WriteRegString(QStringLiteral("ImePrefer"), QString(), kRoot, kEnvSettingKey);
    registry.WriteRegInteger(QStringLiteral("InputWndStyle"), 0, kRoot, kEnvSettingKey);
    return settings;
}

bool WriteAndReadShowGrid(Registry& registry) {
    try {
        registry.WriteRegInteger(QStringLiteral("ShowGrid"), 1, RegistryRoot::LocalMachine,
                                 kSystemKey);
    } catch (const RegistryWriteError&) {
    }
    return registry.ReadRegInteger(QStringLiteral("ShowGrid"), 1, RegistryRoot::LocalMachine,
                                   kSystemKey) == 1;
}

QString DocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

}  // namespace tallwick::ui
