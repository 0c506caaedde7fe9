// The options dialog: the input method list, what "确定" stores and that "取消" stores nothing.
#include "shell/options_dialog.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

using namespace tallwick::ui;

namespace {

QPushButton* ButtonCaptioned(const QWidget& dialog, const QString& caption) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == caption) return button;
    }
    return nullptr;
}

// Drops the list down, as the user does, and clicks the item `name`.
void Choose(QComboBox& box, const QString& name) {
    box.showPopup();
    const int row = box.findText(name);
    QVERIFY2(row >= 0, qPrintable(name));
    QAbstractItemView* view = box.view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
    QCOMPARE(box.currentText(), name);
}

}  // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT

    QString IniPath() const {
        return QString::fromStdString((folder_->Path() / "Tallwick.ini").string());
    }
    QVariant Stored(const QString& name) const {
        return QSettings(IniPath(), QSettings::IniFormat)
            .value(QStringLiteral("Options/EnvSetting/") + name);
    }

    std::unique_ptr<tallwick::test::TempFolder> folder_;

  private slots:
    void init() {
        folder_ = std::make_unique<tallwick::test::TempFolder>();
        qputenv("QT_IM_MODULE", "fcitx");
        qputenv("GTK_IM_MODULE", "fcitx");
        qputenv("XMODIFIERS", "@im=ibus");
    }

    void platformNamesComeFromTheEnvironment() {
        qputenv("QT_IM_MODULES", "ibus;fcitx5");
        qputenv("XMODIFIERS", "@im=none");
        const QStringList names = PlatformInputMethods();
        qunsetenv("QT_IM_MODULES");
        QCOMPARE(names.mid(0, 3), (QStringList{"ibus", "fcitx5", "fcitx"}));
        QVERIFY(!names.contains(QStringLiteral("none")));
    }

    void choicesKeepTheCurrentPreferenceFirst() {
        QCOMPARE(InputMethodChoices(QString(), {"fcitx"}), (QStringList{QString(), "fcitx"}));
        QCOMPARE(InputMethodChoices("fcitx", {"ibus", "fcitx"}), (QStringList{"fcitx", "ibus"}));
    }

    void okStoresTheChosenInputMethod_data() {
        QTest::addColumn<bool>("importPrinciple");
        QTest::addColumn<int>("stored");
        QTest::newRow("有错就全部放弃") << false << 0;
        QTest::newRow("只放弃出错的数据") << true << 1;
    }
    void okStoresTheChosenInputMethod() {
        QFETCH(bool, importPrinciple);
        QFETCH(int, stored);
        Registry registry(IniPath());
        AppSettings settings{QStringLiteral("拼音"), false, importPrinciple};
        TdlgOptionSetupForm dialog(registry, settings);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("软件参数设置"));
        QCOMPARE(dialog.findChild<QTabWidget*>()->tabText(0), QStringLiteral("软件环境"));
        QCOMPARE(dialog.ImeBox()->currentText(), QStringLiteral("拼音"));

        Choose(*dialog.ImeBox(), QStringLiteral("ibus"));
        QTest::mouseClick(ButtonCaptioned(dialog, QStringLiteral("确定")), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Stored("ImePrefer").toString(), QStringLiteral("ibus"));
        QCOMPARE(Stored("ImportPrinciple").toInt(), stored);
        QVERIFY(Stored("OrganisationName").isValid());
        QVERIFY(Stored("OrganisationName").toString().isEmpty());
        QCOMPARE(settings.imePrefer, QStringLiteral("ibus"));
        QCOMPARE(settings.importPrinciple, importPrinciple);
    }

    void listOffersTheInstalledMethodsAndThePreference() {
        Registry registry(IniPath());
        AppSettings settings{QStringLiteral("拼音"), false, false};
        TdlgOptionSetupForm dialog(registry, settings);
        dialog.show();
        QComboBox& box = *dialog.ImeBox();
        QVERIFY(!box.isEditable());
        Choose(box, QStringLiteral("fcitx"));
        box.showPopup();  // filled afresh, the choice kept
        QStringList items;
        for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
        box.hidePopup();
        QCOMPARE(items.mid(0, 3), (QStringList{"拼音", "fcitx", "ibus"}));
        QCOMPARE(items.count(QStringLiteral("fcitx")), 1);
        QCOMPARE(box.currentText(), QStringLiteral("fcitx"));
    }

    void cancelStoresNothing() {
        Registry registry(IniPath());
        AppSettings settings{QStringLiteral("拼音"), true, false};
        TdlgOptionSetupForm dialog(registry, settings);
        dialog.show();
        Choose(*dialog.ImeBox(), QStringLiteral("fcitx"));
        QTest::mouseClick(ButtonCaptioned(dialog, QStringLiteral("取消")), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(QSettings(IniPath(), QSettings::IniFormat).allKeys().isEmpty());
        QCOMPARE(settings.imePrefer, QStringLiteral("拼音"));
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
