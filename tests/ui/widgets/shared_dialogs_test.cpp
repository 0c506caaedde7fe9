// The shared windows: progress texts and timer, the two-bar window, the question dialog's
// answers and size, and the code pop-up.
#include "widgets/code_popup.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"
#include "widgets/question_dialog.h"
#include "widgets/two_bar_progress_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <functional>

using namespace tallwick::ui;

namespace {

QString LineText(const QWidget& window, const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QString BuildFolderFile(const QString& name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

// Answers the next modal dialog through `act` once the event loop runs.
void WhenModal(std::function<void(TQuestionDlg&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<TQuestionDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        act(*dialog);
    });
}

}  // namespace

class SharedDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10)); }

    // While a progress window shows, no other window takes a click: no second action starts
    // under a running one.
    void progressWindowsTakeEveryClickWhileShown() {
        QWidget owner;
        auto* button = new QPushButton(QStringLiteral("删除"), &owner);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QSignalSpy clicks(button, &QPushButton::clicked);
        TProgressBarForm one(&owner);
        TProgressBar2LineForm two(&owner);
        for (QWidget* progress : std::initializer_list<QWidget*>{&one, &two}) {
            progress->show();
            QVERIFY(QTest::qWaitForWindowExposed(progress));
            // Through the window system, as a user's click arrives.
            const QPoint at = button->mapTo(&owner, button->rect().center());
            QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {}, at);
            QCOMPARE(clicks.count(), 0);
            progress->hide();
            QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {}, at);
            QCOMPARE(clicks.count(), 1);
            clicks.clear();
        }
    }

    // A produced file that no viewer can show is at least named with its full path.
    void aFileNoViewerCanOpenIsNamedWithItsPath() {
        QStringList messages;
        Prompts().message = [&messages](const QString& text) { messages << text; };
        Prompts().launchViewer = [](const QString&) { return false; };
        OpenFileInViewer(QStringLiteral("/tmp/报告.txt"));
        OpenFileInViewer(QStringLiteral("/tmp/汇总表.xlsx"), nullptr,
                         QStringLiteral("汇总表已保存到："));
        Prompts().launchViewer = [](const QString&) { return true; };
        OpenFileInViewer(QStringLiteral("/tmp/报告.txt"));
        Prompts() = {};
        QCOMPARE(messages, (QStringList{QStringLiteral("文件已保存到：/tmp/报告.txt"),
                                        QStringLiteral("汇总表已保存到：/tmp/汇总表.xlsx")}));
    }

    void progressTexts_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::newRow("estimate from the average") << 60 << 10 << 100 << "已完成 10 用时6秒"
                                                   << "待完成 90 尚需54秒";
        QTest::newRow("first five seconds: counts only") << 50 << 10 << 100 << "已完成 10"
                                                         << "待完成 90";
        QTest::newRow("nothing done after five seconds") << 80 << 0 << 100 << "已完成 0"
                                                         << "待完成 100";
        QTest::newRow("seconds used round down, seconds left up")
            << 51 << 1 << 3 << "已完成 1 用时5秒"
            << "待完成 2 尚需11秒";
        QTest::newRow("an exact estimate gains no second") << 60 << 29 << 58 << "已完成 29 用时6秒"
                                                           << "待完成 29 尚需6秒";
        QTest::newRow("complete") << 100 << 100 << 100 << "已完成 100 用时10秒"
                                  << "待完成 0 尚需0秒";
    }
    void progressTexts() {
        QFETCH(int, ticks);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, left);
        QFETCH(QString, right);
        const ProgressLines lines = ProgressTexts(ticks, done, total);
        QCOMPARE(lines.left, left);
        QCOMPARE(lines.right, right);
    }

    void progressWindowCountsTicksAndEstimates() {
        TProgressBarForm window;
        window.setWindowTitle(QStringLiteral("导出上报数据...10%"));
        window.show();
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("leftLine"))->isVisible());

        window.InitProgress(100, 0);
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("leftLine"))->isVisible());
        QCOMPARE(LineText(window, "leftLine"), QStringLiteral("已完成 0"));
        QCOMPARE(LineText(window, "rightLine"), QStringLiteral("待完成 100"));
        QVERIFY(window.IsTiming());
        for (int part = 0; part < 10; ++part) window.IncProgress();
        QCOMPARE(window.findChild<QProgressBar*>()->value(), 10);
        for (int tick = 0; tick < 60; ++tick) window.Tick();
        QCOMPARE(LineText(window, "leftLine"), QStringLiteral("已完成 10 用时6秒"));
        QCOMPARE(LineText(window, "rightLine"), QStringLiteral("待完成 90 尚需54秒"));
        QCOMPARE(window.EstimateTicks(), 540);
        window.grab().save(BuildFolderFile(QStringLiteral("progress_window.png")));

        // Reused for the next operation: the clock starts again from the parts already done.
        window.InitProgress(50, 20);
        QCOMPARE(window.Ticks(), 0);
        QCOMPARE(window.EstimateTicks(), -1);
        QCOMPARE(window.findChild<QProgressBar*>()->value(), 20);
        QCOMPARE(LineText(window, "rightLine"), QStringLiteral("待完成 30"));

        window.hide();
        QVERIFY(!window.IsTiming());
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("leftLine"))->isHidden());
    }

    void progressTimerStopsAtFullBar() {
        TProgressBarForm window;
        window.InitProgress(3, 0);
        for (int tick = 0; tick < 55; ++tick) window.Tick();
        window.IncProgress();
        window.Tick();
        QVERIFY(window.IsTiming());
        window.IncProgress();
        window.IncProgress();
        window.Tick();
        QVERIFY(!window.IsTiming());
        QCOMPARE(LineText(window, "leftLine"), QStringLiteral("已完成 3 用时5秒"));
        QCOMPARE(LineText(window, "rightLine"), QStringLiteral("待完成 0 尚需0秒"));
    }

    void twoBarWindowInitialisesAndAdvancesEachBar() {
        TProgressBar2LineForm window;
        QCOMPARE(window.windowTitle(), QStringLiteral("操作进度指示"));
        auto* first = window.findChild<QProgressBar*>(QStringLiteral("firstBar"));
        auto* second = window.findChild<QProgressBar*>(QStringLiteral("secondBar"));
        window.InitFirst(3);
        window.InitSecond(5);
        window.IncFirst();
        window.IncSecond();
        window.IncSecond();
        QCOMPARE(first->maximum(), 3);
        QCOMPARE(first->value(), 1);
        QCOMPARE(second->maximum(), 5);
        QCOMPARE(second->value(), 2);
        window.InitSecond(4);  // the next inner loop
        QCOMPARE(second->maximum(), 4);
        QCOMPARE(second->value(), 0);
        QCOMPARE(first->value(), 1);
    }

    void questionAnswers_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        const int all = kAskYes | kAskNo | kAskYesToAll | kAskNoToAll;
        QTest::newRow("是") << (kAskYes | kAskNo) << int(kAskYes) << 6;
        QTest::newRow("否") << (kAskYes | kAskNo) << int(kAskNo) << 7;
        QTest::newRow("全都是") << all << int(kAskYesToAll) << 10;
        QTest::newRow("全都否") << all << int(kAskNoToAll) << 9;
    }
    void questionAnswers() {
        QFETCH(int, flags);
        QFETCH(int, button);
        QFETCH(int, answer);
        WhenModal([button](TQuestionDlg& dialog) {
            QTest::mouseClick(dialog.Button(QuestionFlag(button)), Qt::LeftButton);
        });
        QCOMPARE(AskQuestion(QStringLiteral("是否覆盖？"), flags), answer);
    }

    void questionCloseBoxAnswersCancel() {
        WhenModal([](TQuestionDlg& dialog) { dialog.close(); });
        QCOMPARE(AskQuestion(QStringLiteral("是否覆盖？"), kAskYes | kAskNo), 2);
    }

    void questionShowsTheButtonsOfItsFlagsInOrder_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("1|2") << (kAskYes | kAskNo) << QStringList{"是", "否"};
        QTest::newRow("2|4") << (kAskNo | kAskYesToAll) << QStringList{"全都是", "否"};
        QTest::newRow("all") << (kAskYes | kAskNo | kAskYesToAll | kAskNoToAll)
                             << QStringList{"是", "全都是", "否", "全都否"};
    }
    void questionShowsTheButtonsOfItsFlagsInOrder() {
        QFETCH(int, flags);
        QFETCH(QStringList, captions);
        TQuestionDlg dialog;
        dialog.Prepare(QStringLiteral("是否覆盖？"), flags);
        dialog.show();
        QList<QPushButton*> shown;
        for (QPushButton* button : dialog.ToolBar()->findChildren<QPushButton*>()) {
            if (button->isVisible()) shown << button;
        }
        std::sort(shown.begin(), shown.end(),
                  [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
        QStringList shownCaptions;
        for (QPushButton* button : shown) shownCaptions << button->text();
        QCOMPARE(shownCaptions, captions);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("提示信息"));
    }

    void questionSizeRule() {
        QCOMPARE(QuestionToolBarWidth(kAskYes | kAskNo | kAskYesToAll | kAskNoToAll), 297);
        QCOMPARE(QuestionToolBarWidth(kAskYes | kAskNo), 297 - 2 * kQuestionButtonWidth);
        QCOMPARE(QuestionToolBarWidth(kAskNo), 297 - 3 * kQuestionButtonWidth);
        // The label decides the width ...
        QCOMPARE(QuestionDialogSize(QRect(16, 16, 200, 20), QSize(149, 30)), QSize(241, 81));
        // ... unless half as much again as the tool bar is wider; both halves round down.
        QCOMPARE(QuestionDialogSize(QRect(16, 16, 40, 20), QSize(75, 31)), QSize(112, 82));
    }

    void questionDialogFollowsTheSizeRule() {
        const QString question = QStringLiteral(
            "导入的数据中有与现有记录代码相同的单位，是否用导入的数据覆盖现有记录？"
            "选择“全都是”将覆盖以后所有相同代码的记录，选择“全都否”将保留所有现有记录。");
        for (const int flags : {kAskYes | kAskNo, kAskYes | kAskNo | kAskYesToAll | kAskNoToAll}) {
            TQuestionDlg dialog;
            dialog.Prepare(question, flags);
            dialog.show();
            const QRect label = dialog.Label()->geometry();
            const QRect toolBar = dialog.ToolBar()->geometry();
            QCOMPARE(dialog.size(), QuestionDialogSize(label, toolBar.size()));
            QCOMPARE(toolBar.bottomRight(), dialog.rect().bottomRight());
            QCOMPARE(toolBar.width(), QuestionToolBarWidth(flags));
            // A long question wraps instead of stretching the dialog off the screen.
            QVERIFY(label.height() > 2 * dialog.Label()->fontMetrics().height());
            QVERIFY(label.bottom() < toolBar.top());
            if (flags == (kAskYes | kAskNo | kAskYesToAll | kAskNoToAll)) {
                dialog.grab().save(BuildFolderFile(QStringLiteral("question_dialog.png")));
            }
        }
    }

    void codePopupChecksTheBoxCodeAndFillsTheBox() {
        QWidget form;
        form.resize(400, 300);
        form.move(100, 100);
        CodePickerBox box(&form);
        box.setGeometry(50, 60, 160, 24);
        box.setCode(10);
        box.setText(QStringLiteral("地市级"));
        form.show();
        const TMenuItemDataArray codes{{1, QStringLiteral("省级")},
                                       {10, QStringLiteral("地市级")},
                                       {20, QStringLiteral(" 县级  ")}};
        QList<int> calls;
        QMenu* menu = ShowCodeMenu(&box, codes, [&calls](int code) { calls << code; });

        QCOMPARE(menu->pos(), form.mapToGlobal(QPoint(50 + 160 - 10, 60 + 24 - 30)));
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(items[i]->isCheckable());
            QCOMPARE(items[i]->isChecked(), codes[i].code == 10);
            QCOMPARE(items[i]->text(), codes[i].name);
        }

        // Dismissing changes nothing.
        menu->hide();
        QCOMPARE(box.code(), 10);
        QCOMPARE(box.text(), QStringLiteral("地市级"));
        QVERIFY(calls.isEmpty());

        items[2]->trigger();
        QCOMPARE(box.text(), QStringLiteral("县级"));
        QCOMPARE(box.code(), 20);
        QCOMPARE(calls, QList<int>{20});

        // The next pop-up replaces the items and the callback of the last one.
        QList<int> laterCalls;
        menu = ShowCodeMenu(&box, {{10, QStringLiteral("工会&协会")}, {20, QStringLiteral("县级")}},
                            [&laterCalls](int code) { laterCalls << code; });
        QCOMPARE(menu->actions().size(), 2);
        QVERIFY(menu->actions()[1]->isChecked());
        menu->actions()[0]->trigger();
        QCOMPARE(box.text(), QStringLiteral("工会&协会"));
        QCOMPARE(box.code(), 10);
        QCOMPARE(calls, QList<int>{20});
        QCOMPARE(laterCalls, QList<int>{10});

        // Without a callback the box still takes the choice.
        menu = ShowCodeMenu(&box, codes);
        menu->actions()[0]->trigger();
        QCOMPARE(box.code(), 1);
    }

    void pickerBoxAsksForItsPopup() {
        CodePickerBox box;
        QVERIFY(box.isReadOnly());
        QCOMPARE(box.code(), CodePickerBox::kNoCode);
        QSignalSpy asked(&box, &CodePickerBox::dropDownRequested);
        box.actions().constFirst()->trigger();
        QTest::keyClick(&box, Qt::Key_F4);
        QTest::keyClick(&box, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(asked.size(), 3);
    }
};

QTEST_MAIN(SharedDialogsTest)
#include "shared_dialogs_test.moc"
