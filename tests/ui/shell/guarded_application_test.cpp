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

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

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
};

int main(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    GuardedApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "guarded_application_test.moc"
