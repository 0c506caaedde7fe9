// Dependent verification keyed through the entry window as an operator keys it: the red box
// asked again, the third keying settling it either way, the differences at the end of the record,
// what reaches the database, and a pass closed midway.
#include "entry/verification_pass.h"
#include "entry/entry_number_box.h"
#include "entry/entry_window.h"
#include "entry/verification_differences.h"
#include "entry_window_rig.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <SQLiteCpp/Statement.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace tallwick;
using namespace tallwick::ui;

namespace {

constexpr double kFirst = 100000000001.0;
constexpr double kSecond = 100000000002.0;

QString Shots() {
    QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
    return QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/");
}

}  // namespace

class VerificationPassTest : public EntryWindowRig {
    Q_OBJECT

    QStringList messages;
    QStringList questions;

    QString Sql(const std::string& sql) {
        return QString::fromStdString(Db().execAndGet(sql).getString());
    }
    EntryNumberBox* Box(const char* name) {
        return qobject_cast<EntryNumberBox*>(window->Field(QString::fromLatin1(name)));
    }

    // A record the first operator keyed: z001 46, z002 5, every other answer 0.
    void AddRecord(double code, const char* name) {
        SQLite::Statement data(Db(),
                               "INSERT INTO dt_data (c900, c901, c902, c903, c904, c905, c906, "
                               "c907, RecordState, z001, z002) VALUES ('first-keyer', ?, ?, "
                               "110101, 1, '张三', '010-12345678', 1, 1, 46, 5)");
        data.bind(1, code);
        data.bind(2, name);
        data.exec();
        SQLite::Statement data1(Db(), "INSERT INTO dt_data1 (c901) VALUES (?)");
        data1.bind(1, code);
        data1.exec();
    }

    void Key(const char* field, const char* text) {
        EntryNumberBox* box = Box(field);
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QTest::keyClicks(box, QString::fromLatin1(text));
        QTest::keyClick(box, Qt::Key_Return);
    }

    std::unique_ptr<VerificationPass> StartPass(std::vector<double> codes) {
        model->Reload();
        auto pass = std::make_unique<VerificationPass>(*window, *view, Db(), std::move(codes));
        pass->askToLeave = [this](const QString& text) {
            questions << text;
            return true;
        };
        if (!pass->Start()) return nullptr;
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get())) return nullptr;
        return pass;
    }

  private slots:
    void init() {
        OpenEntryWindow([](SQLite::Database& db) {
            // Only z002 <= z001 stays, so the verified record's state says whether the rules ran.
            db.exec("DELETE FROM dt_logic WHERE id <> 1");
        });
        messages.clear();
        questions.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        AddRecord(kFirst, "甲工会");
        AddRecord(kSecond, "乙工会");
    }
    void cleanup() { CloseEntryWindow(); }

    void aFirstKeyingErrorIsReplacedAndAVerificationSlipLeavesTheStoredValue() {
        auto pass = StartPass({kFirst, kSecond});
        QVERIFY(pass);
        QCOMPARE(window->Form().pages->currentIndex(), 1);
        QCOMPARE(window->Field(QStringLiteral("c902"))->property("text").toString(),
                 QStringLiteral("甲工会"));
        QVERIFY(Box("z001")->text().isEmpty());
        QVERIFY(Box("z002")->text().isEmpty());

        // The paper says 4 where 46 was keyed: asked again, the same 4 replaces it.
        Key("z001", "4");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        QVERIFY(Box("z001")->text().isEmpty());
        QVERIFY(Box("z001")->styleSheet().contains(QStringLiteral("#d00000")));
        QVERIFY(window->VerificationHint()->isVisible());
        // Blank answers are no edits to offer back after a crash.
        QVERIFY(!std::filesystem::exists(copy->Folder() / "entry-journal.json"));
        // The focus passed z002 on its way back: that is no keying of z002.
        QTest::qWait(10);
        QVERIFY(Box("z002")->styleSheet().isEmpty());
        QVERIFY(window->grab().save(Shots() + QStringLiteral("verification_red_box.png")));
        Key("z001", "4");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z002"));
        QVERIFY(Box("z001")->styleSheet().isEmpty());

        // This pass slips on z002 (8 for 5) and keys 5 when asked again: the stored 5 stands.
        Key("z002", "8");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z002"));
        Key("z002", "5");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z003"));
        QCOMPARE(Box("z002")->value(), 5.0);
        QVERIFY(!window->VerificationHint()->isVisible());

        QStringList rows;
        pass->confirmDifferences = [&rows](VerificationDifferencesDialog& dialog) {
            QTableWidget* table = dialog.Table();
            for (int r = 0; r < table->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columnCount(); ++c) cells << table->item(r, c)->text();
                rows << cells.join(QLatin1Char('|'));
            }
            rows << dialog.findChild<QLabel*>(QStringLiteral("VerifiedState"))->text();
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog)) return false;
            dialog.grab().save(Shots() + QStringLiteral("verification_differences.png"));
            return true;
        };
        QTest::keyClick(Box("z003"), Qt::Key_F2);
        QApplication::setActiveWindow(window.get());  // the dialog shown for its picture took it
        QCOMPARE(rows.size(), 3);
        // The rules judge the values saved: z002 5 now exceeds z001 4.
        QCOMPARE(rows[2], QStringLiteral("这条记录保存后有逻辑错误。"));
        QVERIFY(rows[0].startsWith(QStringLiteral("z001  ")));
        QVERIFY(rows[0].endsWith(QStringLiteral("|46|4|采用校验录入（原数据录错）")));
        QVERIFY(rows[1].startsWith(QStringLiteral("z002  ")));
        QVERIFY(rows[1].endsWith(QStringLiteral("|5|8|原数据不变（校验时录错）")));

        // The replaced value is an edit with its old and new value; the slip changed nothing.
        QCOMPARE(Sql("SELECT z001 || '/' || z002 || '/' || RecordState || '/' || c900 FROM dt_data "
                     "WHERE c901 = 100000000001"),
                 QStringLiteral("4/5/2/first-keyer"));
        QCOMPARE(Sql("SELECT group_concat(Operation || ':' || FieldName || ':' || OldValue || ':' "
                     "|| NewValue, ';') FROM dt_history WHERE c901 = 100000000001"),
                 QStringLiteral("校验录入:z001:46:4"));
        const auto enabled =
            std::count_if(window->Form().surveyFields.begin(), window->Form().surveyFields.end(),
                          [](const EntryNumberBox* box) { return box->isEnabled(); });
        QCOMPARE(Sql("SELECT Confirmed || '/' || Withdrawn || '/' || AnswersKeyed FROM "
                     "dt_verification WHERE c901 = 100000000001"),
                 QStringLiteral("1/1/%1").arg(enabled));

        // On to the second record, blank again; closing it midway writes nothing of it.
        QCOMPARE(window->Field(QStringLiteral("c902"))->property("text").toString(),
                 QStringLiteral("乙工会"));
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        QVERIFY(Box("z001")->text().isEmpty());
        QVERIFY(Box("z001")->styleSheet().isEmpty());
        Key("z001", "99");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        Key("z001", "99");
        QVERIFY(questions.isEmpty());
        window->reject();
        QCOMPARE(questions.size(), 1);
        QVERIFY(!window->isVisible());
        pass->Finish();
        QCOMPARE(Sql("SELECT z001 FROM dt_data WHERE c901 = 100000000002"), QStringLiteral("46"));
        QCOMPARE(Db().execAndGet("SELECT count(*) FROM dt_verification").getInt(), 1);
        QCOMPARE(Db().execAndGet("SELECT count(*) FROM dt_history").getInt(), 1);
        QVERIFY(!qobject_cast<QLineEdit*>(window->Field(QStringLiteral("c902")))->isReadOnly());
    }

    void anAnswerStillAskedAgainKeepsTheRecordFromBeingSaved() {
        auto pass = StartPass({kFirst});
        QVERIFY(pass);
        bool shown = false;
        pass->confirmDifferences = [&shown](VerificationDifferencesDialog&) {
            shown = true;
            return true;
        };
        Key("z001", "64");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        QTest::keyClick(Box("z001"), Qt::Key_F2);
        QVERIFY(!shown);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("不能保存")));
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        // Enter twice through the empty red box keys nothing: it does not settle as 0.
        Key("z001", "");
        Key("z001", "");
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        QVERIFY(Box("z001")->styleSheet().contains(QStringLiteral("#d00000")));

        // A box passed over with the mouse counts as keyed blank at the end: z002 differs too.
        QTest::keyClicks(Box("z001"), QStringLiteral("46"));
        QTest::keyClick(Box("z001"), Qt::Key_F2);
        QVERIFY(!shown);
        QVERIFY(Box("z002")->styleSheet().contains(QStringLiteral("#d00000")));
        QTRY_COMPARE(QApplication::focusWidget(), Box("z002"));
        QCOMPARE(Db().execAndGet("SELECT count(*) FROM dt_verification").getInt(), 0);
    }

    void theLastBoxOfAPageAskedAgainBringsItsPageBack() {
        Db().exec("UPDATE dt_data SET z015 = 1 WHERE c901 = 100000000001");
        auto pass = StartPass({kFirst});
        QVERIFY(pass);
        QTRY_COMPARE(QApplication::focusWidget(), Box("z001"));
        Box("z015")->setFocus();
        Key("z015", "2");  // Enter in the page's last box goes on to 表2
        QTRY_COMPARE(QApplication::focusWidget(), Box("z015"));
        QCOMPARE(window->Form().pages->currentIndex(), 1);
        QVERIFY(Box("z015")->styleSheet().contains(QStringLiteral("#d00000")));
        Key("z015", "1");
        QTRY_COMPARE(window->Form().pages->currentIndex(), 2);
        QVERIFY(Box("z015")->styleSheet().isEmpty());
    }
};

QTEST_MAIN(VerificationPassTest)
#include "verification_pass_test.moc"
