// Settings: defaults, first-run writes, the ShowGrid round trip, and registry typing.
#include "settings/settings.h"
#include "settings/registry.h"
#include "test_support.h"

#include <QSettings>
#include <QTest>

using namespace tallwick::ui;

class SettingsTest : public QObject {
    Q_OBJECT

    static QString IniPath(const tallwick::test::TempFolder& folder) {
        return QString::fromStdString((folder.Path() / "Tallwick.ini").string());
    }

  private slots:
    void firstRunWritesItsValuesAtEveryStart() {
        tallwick::test::TempFolder folder;
        Registry registry(IniPath(folder));
        for (int start = 0; start < 2; ++start) {
            const AppSettings settings = LoadSettings(registry, QStringLiteral("/opt/tallwick"));
            QVERIFY(settings.imePrefer.isEmpty());
            QVERIFY(!settings.inputWndStyle);
        }
        QSettings file(IniPath(folder), QSettings::IniFormat);
        QCOMPARE(file.value("ServicePack").toString(), QStringLiteral("None"));
        QCOMPARE(file.value("FilePath").toString(), QStringLiteral("/opt/tallwick/"));
        QCOMPARE(file.value("AppTyp").toInt(), 1);
        QVERIFY(file.contains("Options/EnvSetting/ImePrefer"));
        QCOMPARE(file.value("Options/EnvSetting/InputWndStyle").toInt(), 0);
        QVERIFY(!file.contains("Version"));
    }

    void installedVersionReadsStoredSettings() {
        tallwick::test::TempFolder folder;
        {
            QSettings file(IniPath(folder), QSettings::IniFormat);
            file.setValue("Version", "1.0");
            file.setValue("Options/EnvSetting/ImePrefer", QStringLiteral("拼音"));
            file.setValue("Options/EnvSetting/InputWndStyle", 3);
        }
        Registry registry(IniPath(folder));
        const AppSettings settings = LoadSettings(registry, QStringLiteral("/opt/tallwick"));
        QCOMPARE(settings.imePrefer, QStringLiteral("拼音"));
        QVERIFY(settings.inputWndStyle);
        QVERIFY(!QSettings(IniPath(folder), QSettings::IniFormat).contains("ServicePack"));
    }

    void showGridIsWrittenAndReadBack() {
        tallwick::test::TempFolder folder;
        {
            QSettings file(IniPath(folder), QSettings::IniFormat);
            file.setValue("ShowGrid", 0);
        }
        Registry registry(IniPath(folder));
        QVERIFY(WriteAndReadShowGrid(registry));
        QCOMPARE(QSettings(IniPath(folder), QSettings::IniFormat).value("ShowGrid").toInt(), 1);
    }

    void readsFallBackToDefaultsAndWritesKeepTheirTypes() {
        tallwick::test::TempFolder folder;
        Registry registry(IniPath(folder));
        const auto lm = RegistryRoot::LocalMachine;
        QCOMPARE(registry.ReadRegString("c905", "默认", lm, kDataKey), QStringLiteral("默认"));
        QCOMPARE(registry.ReadRegInteger("AppLastCity", 0, lm, kEnvSettingKey), 0);

        registry.WriteRegString("c905", QStringLiteral("张三"), lm, kDataKey);
        registry.WriteRegString("AppLastCity", QStringLiteral("not a number"), lm, kEnvSettingKey);
        registry.WriteRegBool("CheckBox1", true, lm, kDataKey);
        QCOMPARE(registry.ReadRegString("c905", "", lm, kDataKey), QStringLiteral("张三"));
        QCOMPARE(registry.ReadRegInteger("AppLastCity", 7, lm, kEnvSettingKey), 7);
        QCOMPARE(registry.ReadRegInteger("CheckBox1", 0, lm, kDataKey), 1);

        registry.WriteRegInteger("AppLastCity", 110101, lm, kEnvSettingKey);
        QCOMPARE(registry.ReadRegInteger("AppLastCity", 0, lm, kEnvSettingKey), 110101);
        QCOMPARE(QSettings(IniPath(folder), QSettings::IniFormat).value("Data/c905").toString(),
                 QStringLiteral("张三"));
    }

    void documentsFolderIsAnAbsolutePath() { QVERIFY(QDir::isAbsolutePath(DocumentsFolder())); }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
