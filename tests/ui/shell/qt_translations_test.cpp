// Qt's own texts in the program's windows are Chinese like the program's own.
#include "shell/qt_translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class QtTranslationsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(tallwick::ui::InstallQtTranslations(*qApp)); }

    void messageBoxAndFileDialogSpeakChinese() {
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QMessageBox box(QMessageBox::Question, QStringLiteral("提示信息"),
                        QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.show();
        QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")));
        QVERIFY(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));
        QVERIFY(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("取消")));
        QVERIFY(
            box.grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/qt_message_box.png")));

        QFileDialog dialog(nullptr, QStringLiteral("选择要导入的文件"), QDir::tempPath());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.resize(700, 450);
        dialog.show();
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QVERIFY(
            buttons->button(QDialogButtonBox::Cancel)->text().startsWith(QStringLiteral("取消")));
        QVERIFY(dialog.grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/qt_file_dialog.png")));
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "qt_translations_test.moc"
