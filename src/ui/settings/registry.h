#pragma once

#include <QSettings>
#include <QString>

#include <memory>
#include <stdexcept>

namespace tallwick::ui {

// The two hives the program keeps settings under. Both live in one per-user INI file.
enum class RegistryRoot { LocalMachine, CurrentUser };

inline const QString kSystemKey = QStringLiteral("\\SOFTWARE\\Marrowind\\Tallwick");
inline const QString kEnvSettingKey =
    QStringLiteral("\\SOFTWARE\\Marrowind\\Tallwick\\Options\\EnvSetting");
inline const QString kDataKey = QStringLiteral("\\SOFTWARE\\Marrowind\\Tallwick\\Data");

// Environment variable naming the settings file; tests point it at a file of their own.
inline constexpr const char* kSettingsFileVariable = "TALLWICK_SETTINGS";

class RegistryWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Registry-style access to the settings file: keys are backslash paths relative to a root,
// values are typed as the program reads them. Reads never fail (a missing or mistyped value
// gives the default); a write that cannot be stored throws RegistryWriteError.
class Registry {
  public:
    Registry();  // the file named by TALLWICK_SETTINGS, else Marrowind/Tallwick.ini of the user
    explicit Registry(const QString& iniFile);

    QString ReadRegString(const QString& name, const QString& defaultValue, RegistryRoot root,
                          const QString& key) const;
    int ReadRegInteger(const QString& name, int defaultValue, RegistryRoot root,
                       const QString& key) const;
    void WriteRegString(const QString& name, const QString& value, RegistryRoot root,
                        const QString& key);
    void WriteRegInteger(const QString& name, int value, RegistryRoot root, const QString& key);
    void WriteRegBool(const QString& name, bool value, RegistryRoot root, const QString& key);

    QString FileName() const { return settings_->fileName(); }

  private:
    void Write(const QString& name, const QVariant& value, RegistryRoot root, const QString& key);

    std::unique_ptr<QSettings> settings_;
};

}  // namespace tallwick::ui
