// The check dialog: range rules, the idle state, pausing and stopping a running check.
#include "check/check_dialog.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace tallwick::ui;

class CheckDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> temp;
    QStringList messages;
    QStringList opened;

    // Records that each break rule 1; codes 100000000001..n.
    void AddFaultyRecords(int n) {
        for (int i = 1; i <= n; ++i) {
            const std::string code = std::to_string(100000000000 + i);
            copy->Db().exec(
                "INSERT INTO dt_data (c901, c902, c904, c907, RecordState, z001, z003, z002) "
                "VALUES (" +
                code + ", '单位', 4, 1, 0, 1, 1, 5); INSERT INTO dt_data1 (c901) VALUES (" + code +
                ")");
        }
    }

    int CountState(int state) {
        return copy->Db()
            .execAndGet("SELECT count(*) FROM dt_data WHERE RecordState = " + std::to_string(state))
            .getInt();
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        temp = std::make_unique<tallwick::test::TempFolder>();
        setenv("TEMP", temp->Path().c_str(), 1);
        messages.clear();
        opened.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().openFile = [this](const QString& path) { opened << path; };
    }
    void cleanup() {
        Prompts() = {};
        unsetenv("TEMP");  // the next test's temporary folders must not land in this one
    }

    void rangeWithoutUpperBoundIsRefusedAndTheDialogIsReadyAgain() {
        CheckDialog dialog(copy->Db(), "测试", {}, {});
        dialog.rangeChoice()->setChecked(true);
        dialog.lowBox()->setText(QStringLiteral("100000000001"));
        dialog.checkButton()->click();
        QCOMPARE(messages, QStringList{QStringLiteral("请输入逻辑检查的范围")});
        QVERIFY(dialog.checkButton()->isEnabled());
        QVERIFY(dialog.rangeChoice()->isEnabled());
        QVERIFY(!dialog.pauseButton()->isEnabled());
        QCOMPARE(dialog.height(), CheckDialog::kIdleHeight);
    }

    void reversedRangeChecksTheLowerCodeOnly() {
        AddFaultyRecords(3);
        CheckDialog dialog(copy->Db(), "测试", {}, {});
        dialog.rangeChoice()->setChecked(true);
        dialog.lowBox()->setText(QStringLiteral("100000000002"));
        dialog.highBox()->setText(QStringLiteral("100000000001"));
        dialog.checkButton()->click();
        QCOMPARE(dialog.highBox()->text(), QStringLiteral("100000000002"));
        QCOMPARE(CountState(2), 1);
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().endsWith(QStringLiteral("2018基层以上-测试-逻辑检查结果.txt")));
    }

    void theLocateBoxAddsTheAnswersToLookAtFirst() {
        AddFaultyRecords(2);
        CheckDialog dialog(copy->Db(), "测试", {}, {});
        QVERIFY(!dialog.locateBox()->isChecked());  // off unless asked for
        dialog.allChoice()->setChecked(true);
        const auto report = [&] {
            QFile file(opened.last());
            file.open(QIODevice::ReadOnly);
            return QString::fromUtf8(file.readAll());
        };
        dialog.checkButton()->click();
        QVERIFY(!report().contains(QStringLiteral("建议修改")));

        dialog.locateBox()->setChecked(true);
        dialog.checkButton()->click();
        // Rule 1 (z002 <= z001) breaks with z002 = 5 and z001 = 1: the one answer to change is
        // z002, since z001 is tied to z003 by rule 2.
        QCOMPARE(report().count(QStringLiteral("  建议修改：z002（专职工会干部中女性）5 → 1\r\n")),
                 2);
        QVERIFY(dialog.locateBox()->isEnabled());

        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(dialog.grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/check_dialog_locate.png")));
    }

    void cleanDataIsCongratulatedAndTheListRefreshed() {
        int refreshed = 0;
        CheckDialog dialog(copy->Db(), "测试", {}, [&] { ++refreshed; });
        dialog.allChoice()->setChecked(true);
        dialog.checkButton()->click();
        QCOMPARE(messages, QStringList{QStringLiteral("恭喜你，所检查的数据没有逻辑错误")});
        QCOMPARE(refreshed, 1);
    }

    void selectionOfAnEmptyListChecksNothing() {
        CheckDialog dialog(copy->Db(), "测试",
                           [] { return std::optional<tallwick::check::CheckScope>(); }, {});
        dialog.checkButton()->click();
        QVERIFY(messages.isEmpty());
        QVERIFY(opened.isEmpty());
    }

    void pauseHoldsTheRunUntilResumed() {
        AddFaultyRecords(6);
        CheckDialog dialog(copy->Db(), "测试", {}, {});
        dialog.allChoice()->setChecked(true);
        std::vector<std::uint64_t> seen;
        int statesWhilePaused = -1;
        dialog.afterRecord = [&](std::uint64_t done) {
            seen.push_back(done);
            if (done != 2) return;
            QVERIFY(dialog.pauseButton()->isEnabled());
            dialog.pauseButton()->click();
            QVERIFY(dialog.resumeButton()->isEnabled());
            QTimer::singleShot(50, &dialog, [&] {
                statesWhilePaused = CountState(2);
                dialog.resumeButton()->click();
            });
        };
        dialog.checkButton()->click();
        QCOMPARE(seen, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(statesWhilePaused, 2);
        QCOMPARE(CountState(2), 6);
        QCOMPARE(opened.size(), 1);
    }

    // Esc and the window's close stop the run as 返回 does: none may hide a run that goes on.
    void stopHalfWayKeepsWhatWasDoneAndSaysNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("返回") << QStringLiteral("return");
        QTest::newRow("Esc") << QStringLiteral("escape");
        QTest::newRow("close box") << QStringLiteral("close");
    }
    void stopHalfWayKeepsWhatWasDoneAndSaysNothing() {
        QFETCH(QString, how);
        AddFaultyRecords(6);
        int refreshed = 0;
        CheckDialog dialog(copy->Db(), "测试", {}, [&] { ++refreshed; });
        dialog.allChoice()->setChecked(true);
        std::uint64_t last = 0;
        dialog.afterRecord = [&](std::uint64_t done) {
            last = done;
            if (done != 3) return;
            if (how == QStringLiteral("return"))
                dialog.returnButton()->click();
            else if (how == QStringLiteral("escape"))
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        };
        dialog.show();
        dialog.checkButton()->click();
        QCOMPARE(last, std::uint64_t{3});
        QCOMPARE(CountState(2), 3);
        QVERIFY(messages.isEmpty());
        QVERIFY(opened.isEmpty());
        QCOMPARE(refreshed, 0);
        QVERIFY(!dialog.isVisible());
    }

    // A run shorter than one timer tick still ends on its final counts, and they stay in sight.
    void theFinalCountsStayAfterAShortRun() {
        AddFaultyRecords(3);
        CheckDialog dialog(copy->Db(), "测试", {}, {});
        dialog.allChoice()->setChecked(true);
        dialog.show();
        dialog.checkButton()->click();
        QCOMPARE(dialog.doneLabel()->text(), QStringLiteral("已完成 3"));
        QCOMPARE(dialog.leftLabel()->text(), QStringLiteral("待完成 0"));
        QVERIFY(dialog.doneLabel()->isVisible());
        QVERIFY(dialog.leftLabel()->isVisible());
        QVERIFY(dialog.checkButton()->isEnabled());
        QVERIFY(!dialog.pauseButton()->isEnabled());
        QVERIFY(dialog.allChoice()->isEnabled());
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(dialog.grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/check_dialog_after_run.png")));
    }
};

QTEST_MAIN(CheckDialogTest)
#include "check_dialog_test.moc"
