#include "settings/settings.h"

#include "store/safety_copy.h"

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

int ReadSafetyCopiesKept(const Registry& registry) {
    const int kept = registry.ReadRegInteger(QString::fromLatin1(kSafetyCopyCountSetting),
                                             kDefaultSafetyCopiesKept, RegistryRoot::LocalMachine,
                                             kEnvSettingKey);
    return kept > 0 ? kept : kDefaultSafetyCopiesKept;
}

void ApplySafetyCopySetting(const Registry& registry) {
    SafetyCopyPolicy policy = CurrentSafetyCopyPolicy();
    policy.kept = ReadSafetyCopiesKept(registry);
    SetSafetyCopyPolicy(std::move(policy));
}

void WriteSafetyCopiesKept(Registry& registry, int kept) {
    registry.WriteRegInteger(QString::fromLatin1(kSafetyCopyCountSetting), kept,
                             RegistryRoot::LocalMachine, kEnvSettingKey);
    ApplySafetyCopySetting(registry);
}

QString DocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

}  // namespace tallwick::ui
