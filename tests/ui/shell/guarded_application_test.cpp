// The general error display: an error that no action caught reaches the user as a message, and
// the program and the window the user works in go on.
#include "shell/guarded_application.h"
#include "entry/entry_window.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "test_support.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"

#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

using namespace tallwick::ui;

class GuardedApplicationTest : public QObject {
    Q_OBJECT

  private slots:
    void anErrorInAnEntryWindowActionIsShownAndTheEditsStay() {
        tallwick::test::DeliveredDatabaseCopy copy;
        Registry registry(QString::fromStdString((copy.Folder() / "settings.ini").string()));
        const auto db = [&copy]() -> SQLite::Database& { return copy.Db(); };
        RecordListModel model(db);
        RecordListView view(&model);
        EntryWindow window(db, registry, QStringLiteral(TALLWICK_BUILD_DIR "/bin"));
        QStringList messages;
        Prompts().message = [&messages](const QString& text) { messages << text; };
        model.Reload();
        window.Begin(true, view);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        auto* name = qobject_cast<QLineEdit*>(window.Field(QStringLiteral("c902")));
        qobject_cast<QLineEdit*>(window.Field(QStringLiteral("c901")))
            ->setText(QStringLiteral("100000000001"));
        name->setText(QStringLiteral("已经输入的名称"));
        copy.Db().exec("DROP TABLE CT_CityName");
        window.Form().regionName->setFocus();
        QTest::keyClick(window.Form().regionName, Qt::Key_F4);  // the region picker

        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QStringLiteral("运行中发生错误：")));
        QVERIFY(messages[0].contains(QStringLiteral("CT_CityName")));
        QVERIFY(window.isVisible());
        QCOMPARE(name->text(), QStringLiteral("已经输入的名称"));
        QVERIFY(window.Button(QStringLiteral("tbHold"))->isEnabled());
        window.EndSession();
        Prompts() = {};
    }

    // The system's English never reaches the user alone: the file and the remedy in Chinese.
    void aFailureOfTheSystemIsSaidInChineseWithTheFileAndTheRemedy() {
        tallwick::test::TempFolder folder;
        const std::filesystem::path working = folder.Path() / "2018NB_qd_201809251730.mdb";
        static_cast<GuardedApplication*>(QApplication::instance())->SetWorkingDatabase(working);
        QStringList messages;
        Prompts().message = [&messages](const QString& text) { messages << text; };
        const auto shown = [&](std::function<void()> failing) -> QString {
            messages.clear();
            QObject target;
            QTimer::singleShot(0, &target, failing);
            for (int wait = 0; wait < 100 && messages.isEmpty(); ++wait) QTest::qWait(10);
            return messages.join(QStringLiteral("\n"));
        };
        const QString folderText = QString::fromStdString(folder.Path().string());
        QCOMPARE(shown([&] {
                     throw std::filesystem::filesystem_error(
                         "cannot create", folder.Path() / "年报.xlsx",
                         std::error_code(EPERM, std::generic_category()));
                 }),
                 QStringLiteral("运行中发生错误：无法写入文件夹 ") + folderText +
                     QStringLiteral("，请检查权限或选择其他位置。（Operation not permitted）"));
        QCOMPARE(shown([] { throw SQLite::Exception("database is locked", SQLITE_BUSY); }),
                 QStringLiteral("运行中发生错误：无法使用数据库文件 ") +
                     QString::fromStdString(working.string()) +
                     QStringLiteral("，它正被另一个程序使用，请关闭其它使用该文件的程序后再试。"
                                    "（database is locked）"));
        Prompts() = {};

        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallwick"), messages[0],
                        QMessageBox::Ok);
        box.show();
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(
            box.grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/mapped_error.png")));
    }
};

int main(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    GuardedApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "guarded_application_test.moc"
