#include "settings/registry.h"

namespace tallwick::ui {
namespace {

// "\SOFTWARE\Marrowind\Tallwick\Options\EnvSetting" + "ImePrefer" ->
// "Options/EnvSetting/ImePrefer". The system's own key is the top of the file; any other key keeps
// its full path under its hive.
QString SettingsPath(const QString& name, RegistryRoot root, const QString& key) {
    QString path = key;
    if (root == RegistryRoot::LocalMachine && path.startsWith(kSystemKey, Qt::CaseInsensitive)) {
        path = path.mid(kSystemKey.size());
    } else {
        path.prepend(root == RegistryRoot::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE\\")
                                                        : QStringLiteral("HKEY_CURRENT_USER\\"));
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    return path.isEmpty() ? name : path + QLatin1Char('/') + name;
}

}  // namespace

Registry::Registry() {
    const QByteArray file = qgetenv(kSettingsFileVariable);
    settings_ =
        file.isEmpty()
            ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("Marrowind"), QStringLiteral("Tallwick"))
            : std::make_unique<QSettings>(QString::fromLocal8Bit(file), QSettings::IniFormat);
}

Registry::Registry(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QString Registry::ReadRegString(const QString& name, const QString& defaultValue, RegistryRoot root,
                                const QString& key) const {
    const QString value = settings_->value(SettingsPath(name, root, key)).toString();
    return value.isEmpty() ? defaultValue : value;
}

int Registry::ReadRegInteger(const QString& name, int defaultValue, RegistryRoot root,
                             const QString& key) const {
    const QVariant value = settings_->value(SettingsPath(name, root, key));
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    return ok ? number : defaultValue;
}

void Registry::WriteRegString(const QString& name, const QString& value, RegistryRoot root,
                              const QString& key) {
    Write(name, value, root, key);
}

void Registry::WriteRegInteger(const QString& name, int value, RegistryRoot root,
                               const QString& key) {
    Write(name, value, root, key);
}

void Registry::WriteRegBool(const QString& name, bool value, RegistryRoot root,
                            const QString& key) {
    Write(name, value ? 1 : 0, root, key);
}

void Registry::Write(const QString& name, const QVariant& value, RegistryRoot root,
                     const QString& key) {
    settings_->setValue(SettingsPath(name, root, key), value);
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        throw RegistryWriteError("无法写入设置 " + name.toStdString() + "：" +
                                 settings_->fileName().toStdString());
    }
}

}  // namespace tallwick::ui
