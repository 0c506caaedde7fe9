// The main window as the user meets it: enable rules, menus and groups, keys, wheel, compaction,
// the splash and its service gesture; and screenshots of the window and of a running check.
#include "shell/main_window.h"
#include "check/check_dialog.h"
#include "entry/entry_window.h"
#include "list/delete_dialog.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "query/query_result_list.h"
#include "query/query_search_dialogs.h"
#include "record_generator.h"
#include "sheet_python_reader.h"
#include "shell/about_dialog.h"
#include "shell/group_bar.h"
#include "shell/wheel_to_keys.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/question_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

using namespace tallwick::ui;

namespace {

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QString Screenshot(const QString& name) {
    return QStringLiteral(TALLWICK_BUILD_DIR "/") + name;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> settingsFolder;
    std::unique_ptr<Registry> registry;
    QStringList messages;

    std::unique_ptr<MainWindow> Open(int generatedRecords = 0) {
        if (generatedRecords > 0) tallwick::bench::GenerateRecords(copy->Db(), generatedRecords);
        copy->CloseDb();
        auto startup = RunStartup(*registry, copy->Folder(),
                                  [this](const QString& text) { messages << text; });
        return std::make_unique<MainWindow>(std::move(startup), *registry);
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        settingsFolder = std::make_unique<tallwick::test::TempFolder>();
        registry = std::make_unique<Registry>(
            QString::fromStdString((settingsFolder->Path() / "t.ini").string()));
        messages.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
    }
    void cleanup() { Prompts() = {}; }

    void captionStatusMenusAndGroupsAreInTheirOrder() {
        auto window = Open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Tallwick - 默认数据库"));
        QVERIFY(window->findChild<QLabel*>(QStringLiteral("StatusVersion"))
                    ->text()
                    .startsWith(QStringLiteral("开发单位：Marrowind　软件版本：1.0 (Build ")));

        QStringList menus;
        for (QAction* action : window->menuBar()->actions()) menus << action->text();
        QCOMPARE(menus,
                 (QStringList{"数据记录", "查找", "逻辑检查", "数据处理", "工具", "关于", "退出"}));
        QCOMPARE(Texts(window->menuBar()->actions().at(2)->menu()->actions()),
                 (QStringList{"检查选中数据的逻辑", "检查数据的逻辑", "可疑数据审核"}));
        QCOMPARE(Texts(window->ListMenu().actions()),
                 (QStringList{"添加新记录", "修改选中的记录", "删除记录", "-", "按条件查找定位数据",
                              "按编号范围查找数据", "-", "检查选中数据的逻辑", "-",
                              "自定义列表显示", "打印选中记录的年报表"}));

        GroupBar& groups = window->Groups();
        QCOMPARE(groups.count(), 3);
        QCOMPARE(groups.itemText(0), QStringLiteral("数据操作"));
        QCOMPARE(groups.currentIndex(), 1);  // 备份与上报 open at start
        QStringList backupGroup;
        for (QToolButton* button : groups.widget(1)->findChildren<QToolButton*>())
            backupGroup << button->text();
        QCOMPARE(backupGroup,
                 (QStringList{"数据导入", "数据备份", "上报到离线版", "上报到网络版", "导入记录"}));
        QStringList toolGroup;
        for (QToolButton* button : groups.widget(2)->findChildren<QToolButton*>())
            toolGroup << button->text();
        QCOMPARE(toolGroup,
                 (QStringList{"压缩数据库文件", "恢复备份", "参数设置", "自定义列表显示"}));
        QCOMPARE(Texts(window->menuBar()->actions().at(4)->menu()->actions()),
                 (QStringList{"参数设置", "压缩数据库文件", "恢复备份", "自定义列表显示"}));
    }

    void anEmptyDatabaseDisablesWhatNeedsARecord() {
        auto window = Open();
        window->UpdateActions();
        const MainActions& a = window->Actions();
        for (QAction* needsRecord : {a.modify, a.remove, a.locate, a.search, a.print}) {
            QVERIFY2(!needsRecord->isEnabled(), qPrintable(needsRecord->text()));
        }
        for (QAction* always : {a.check, a.checkSelected, a.compress, a.options, a.recordGrid,
                                a.about, a.conditionSearch}) {
            QVERIFY2(always->isEnabled(), qPrintable(always->text()));
        }
        // Ctrl+L and Ctrl+F do nothing; Delete on the list still opens the delete dialog.
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        bool dialogOpened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<DeleteDialog*>(QApplication::activeModalWidget());
            dialogOpened = dialog != nullptr;
            if (dialog) dialog->reject();
        });
        QTest::keyClick(&window->List(), Qt::Key_Delete);
        QVERIFY(dialogOpened);

        // Insert adds the first record, wherever the focus is at start-up.
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        bool entryOpened = false;
        QTimer::singleShot(0, [&] {
            entryOpened = QApplication::activeModalWidget() == &window->Entry();
            window->Entry().Button(QStringLiteral("tbReturn"))->click();
        });
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), Qt::Key_Insert);
        QVERIFY(entryOpened);
    }

    void recordsEnableDeletionAndTheWheelMovesOneRow() {
        auto window = Open(20);
        window->UpdateActions();
        QVERIFY(window->Actions().remove->isEnabled());
        RecordListView& list = window->List();
        window->show();
        list.setFocus();
        list.GoToRow(5);
        WheelToKeys wheelToKeys;
        QApplication::instance()->installEventFilter(&wheelToKeys);
        QWheelEvent down(QPointF(10, 10), list.mapToGlobal(QPointF(10, 10)), QPoint(),
                         QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list.viewport(), &down);
        QCOMPARE(list.CurrentRow(), 6);
    }

    void theCodeRangeSearchShowsItsResultListAndReturnsToTheRecord() {
        auto window = Open(10);
        window->UpdateActions();
        QVERIFY(window->Actions().search->isEnabled());
        window->List().GoToRow(7);
        const double current = window->ListModel().CodeAt(7);
        const double fifth = window->ListModel().CodeAt(4);
        int listed = -1;
        QTimer::singleShot(0, [&] {
            auto* search = qobject_cast<CodeRangeSearchDialog*>(QApplication::activeModalWidget());
            if (!search) return;
            SetOperator(search->operator1Box(), 4);  // >=
            search->number1Box()->setText(QString::number(fifth, 'f', 0));
            QTimer::singleShot(0, [&] {
                auto* results = qobject_cast<QueryResultList*>(QApplication::activeModalWidget());
                if (results) listed = results->model()->RowCount();
                if (results) results->reject();
                search->reject();
            });
            search->searchButton()->click();
        });
        window->Actions().search->trigger();
        QCOMPARE(listed, 6);
        QCOMPARE(window->ListModel().CodeAt(window->List().CurrentRow()), current);
    }

    // Deleting marked rows asks row by row with the marks still on; an import keeps the current
    // record (by its code) though records arrive before it.
    void theListKeepsTheUsersPlace() {
        auto window = Open(12);
        window->UpdateActions();
        window->show();
        RecordListView& list = window->List();
        const RecordListModel& model = window->ListModel();
        list.GoToRow(2);
        for (const int row : {6, 9}) {
            list.selectionModel()->select(model.index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        const std::vector<int> marks{2, 6, 9};
        QCOMPARE(list.MarkedRowsInMarkOrder(), marks);

        std::vector<std::vector<int>> marksWhileAsked;
        std::vector<int> rowsAsked;
        std::function<void()> answer = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* choice = qobject_cast<DeleteDialog*>(modal)) {
                if (!marksWhileAsked.empty()) return choice->reject();
                // Clicked from the event loop: the questions open in the click's own loop.
                QTimer::singleShot(0, choice->findChild<QPushButton*>(QStringLiteral("tbDelete")),
                                   &QPushButton::click);
                return;
            }
            if (auto* question = qobject_cast<QDialog*>(modal)) {
                marksWhileAsked.push_back(list.MarkedRowsInMarkOrder());
                rowsAsked.push_back(list.CurrentRow());
                // Closing the question moves on to the next row; 否 ends.
                question->done(marksWhileAsked.size() == 1 ? kAnswerCancel : kAnswerNo);
            }
        };
        QTimer poll;
        connect(&poll, &QTimer::timeout, answer);
        poll.start(20);
        window->Actions().remove->trigger();
        QCOMPARE(rowsAsked, (std::vector<int>{2, 6}));
        QCOMPARE(marksWhileAsked, (std::vector<std::vector<int>>{marks, marks}));
        QCOMPARE(model.RowCount(), 12);
        poll.stop();

        // A backup of ten records whose codes fall between the listed ones.
        tallwick::test::DeliveredDatabaseCopy other;
        tallwick::bench::GenerateRecords(other.Db(), 10, 7);
        other.Db().exec("UPDATE dt_data SET c901 = c901 + 1; UPDATE dt_data1 SET c901 = c901 + 1");
        const QString backup = QString::fromStdString(other.FilePath().string());
        other.CloseDb();
        list.GoToRow(5);
        const double current = model.CodeAt(5);
        QTimer::singleShot(0, [&] {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(files != nullptr);
            files->selectFile(backup);
            static_cast<QDialog*>(files)->accept();
        });
        QTimer confirm;
        connect(&confirm, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        confirm.start(20);
        window->Actions().fastImport->trigger();
        QVERIFY2(model.RowCount() == 22, qPrintable(messages.join(" | ")));
        QCOMPARE(model.CodeAt(list.CurrentRow()), current);
        QVERIFY(list.CurrentRow() > 5);
    }

    void printingOpensTheReportOfTheCurrentRecord() {
        // The template lies beside the database, as in the program's folder.
        std::filesystem::copy_file(
            tallwick::test::DeliveredDatabasePath().parent_path() / "2018打印表.xltx",
            copy->Folder() / "2018打印表.xltx");
        auto window = Open(3);
        window->UpdateActions();
        QVERIFY(window->Actions().print->isEnabled());
        // The report is saved in the documents folder, here a temporary one.
        tallwick::test::TempFolder home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(home.Path().string()));
        QStringList opened;
        Prompts().openFile = [&opened](const QString& path) { opened << path; };
        window->List().GoToRow(1);
        const QString code = QString::number(window->ListModel().CodeAt(1), 'f', 0);
        window->Actions().print->trigger();
        // The entry window prints the record it was opened on and leaves the last sheet shown.
        window->List().GoToRow(2);
        const QString entryCode = QString::number(window->ListModel().CodeAt(2), 'f', 0);
        QTimer::singleShot(0, [&window] {
            window->Entry().Button(QStringLiteral("tbPrint"))->click();
            window->Entry().Button(QStringLiteral("tbReturn"))->click();
        });
        window->ModifyRecord();
        qputenv("HOME", oldHome);
        Prompts().openFile = nullptr;
        QCOMPARE(opened.size(), 2);
        QVERIFY2(opened[0].contains(QStringLiteral("2018打印表-") + code + QStringLiteral("-")),
                 qPrintable(opened[0]));
        QVERIFY2(
            opened[1].contains(QStringLiteral("2018打印表-") + entryCode + QStringLiteral("-")),
            qPrintable(opened[1]));
        QCOMPARE(tallwick::test::ReadWithOpenpyxl(opened[0].toStdString()).activeSheet, 0);
        QCOMPARE(tallwick::test::ReadWithOpenpyxl(opened[1].toStdString()).activeSheet, 13);
    }

    void compactionTwiceReportsSuccessAndReturnsToTheFirstRow() {
        auto window = Open(10);
        // An editing session before must not keep the database from closing.
        QTimer::singleShot(
            0, [&window] { window->Entry().Button(QStringLiteral("tbReturn"))->click(); });
        window->ModifyRecord();
        window->List().GoToRow(4);
        window->CompactDatabase();
        window->CompactDatabase();
        QCOMPARE(messages, (QStringList{"压缩操作成功", "压缩操作成功"}));
        QCOMPARE(window->List().CurrentRow(), 0);
        QCOMPARE(window->ListModel().RowCount(), 10);
    }

    void splashRunsTwoSecondsOrUntilClicked() {
        AboutDialog splash(true);
        QVERIFY(splash.Progress()->isVisible() || !splash.isVisible());
        for (int tick = 0; tick < 49; ++tick) splash.Tick();
        QCOMPARE(splash.result(), 0);
        splash.Tick();
        QCOMPARE(splash.result(), int(QDialog::Accepted));

        AboutDialog clicked(true);
        clicked.show();
        QTest::mouseClick(&clicked, Qt::LeftButton, Qt::NoModifier, QPoint(500, 20));
        QVERIFY(!clicked.isVisible());
    }

    void serviceGestureMarksEveryRecordClean() {
        auto window = Open(30);
        AboutDialog about(false, window->MarkAllCleanCallback());
        about.show();
        QTest::mouseDClick(about.NameLabel(), Qt::LeftButton,
                           Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window->Connection()
                    .Db()
                    .execAndGet("SELECT count(*) FROM dt_data WHERE RecordState<>1")
                    .getInt() > 0);
        about.show();
        QTest::mouseDClick(about.NameLabel(), Qt::LeftButton, AboutDialog::kServiceModifiers);
        QCOMPARE(window->Connection()
                     .Db()
                     .execAndGet("SELECT count(*) FROM dt_data WHERE RecordState<>1")
                     .getInt(),
                 0);
        QVERIFY(!about.isVisible());
    }

    // Before any dialog of their own the exports say how many records hold them up, of each
    // kind, and on 是 list exactly those: a held record of reporting state 3 as well.
    void exportsRefuseHeldOrFaultyRecordsAndListThem() {
        auto window = Open(12);  // generated records are in states 0, 1 and 2
        SQLite::Database& db = window->Connection().Db();
        db.exec("UPDATE dt_data SET RecordState = 1");
        db.exec(
            "UPDATE dt_data SET RecordState = 2 WHERE rowid IN (SELECT rowid FROM dt_data "
            "ORDER BY c901 LIMIT 2)");
        db.exec(
            "UPDATE dt_data SET RecordState = 0, c907 = 3 WHERE rowid IN (SELECT rowid FROM "
            "dt_data ORDER BY c901 DESC LIMIT 3)");
        window->List().RequeryKeepingRecord();
        QStringList asked;
        QList<int> listed;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                asked << box->text();
                if (asked.size() == 1)
                    box->grab().save(Screenshot(QStringLiteral("screenshots/export_refused.png")));
                box->button(QMessageBox::Yes)->click();
            } else if (auto* results = qobject_cast<QueryResultList*>(modal)) {
                listed << results->model()->RowCount();
                results->close();
            }
        });
        answer.start(10);
        QDir().mkpath(Screenshot(QStringLiteral("screenshots")));
        window->UpdateActions();
        window->Actions().exportOffline->trigger();
        window->Actions().exportNetwork->trigger();
        const QString counts =
            QStringLiteral("\n临时保存的数据有3条，有逻辑错误的数据有2条。\n是否列出这些数据？");
        QCOMPARE(asked, (QStringList{"存在临时保存或逻辑错误的数据，不能上报!" + counts,
                                     "存在临时保存或逻辑错误的数据，不能导出上报数据!" + counts}));
        QCOMPARE(listed, (QList<int>{5, 5}));
        QVERIFY(messages.isEmpty());
    }

    void screenshotsOfTheWindowAndOfARunningCheck() {
        auto window = Open(300);
        window->resize(1280, 800);
        window->show();
        window->List().GoToRow(2);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->grab().save(Screenshot(QStringLiteral("main_window.png"))));

        tallwick::test::TempFolder temp;
        setenv("TEMP", temp.Path().c_str(), 1);
        Prompts().openFile = [](const QString&) {};
        CheckDialog dialog(window->Connection().Db(), "默认数据库", {}, {}, window.get());
        dialog.allChoice()->setChecked(true);
        dialog.show();
        bool saved = false;
        dialog.afterRecord = [&](std::uint64_t done) {
            if (done != 150) return;
            for (int tick = 0; tick < 60; ++tick) dialog.Tick();
            QApplication::processEvents();
            saved = dialog.grab().save(Screenshot(QStringLiteral("check_dialog.png")));
        };
        dialog.checkButton()->click();
        unsetenv("TEMP");
        QVERIFY(saved);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
