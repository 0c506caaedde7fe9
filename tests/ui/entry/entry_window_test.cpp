// The record entry window walked as a user walks it: adding, holding, saving, the close query,
// reporting states, level rules, navigation, the keyboard path and the error list.
#include "entry/entry_window.h"
#include "entry/entry_error_list.h"
#include "entry/entry_number_box.h"
#include "entry/entry_region_picker.h"
#include "entry_window_rig.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "record_generator.h"
#include "settings/registry.h"
#include "test_support.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <memory>

using namespace tallwick::ui;

class EntryWindowTest : public EntryWindowRig {
    Q_OBJECT

    QStringList messages;
    QStringList questions;
    bool answer = true;

    int Count(const std::string& sql) { return Db().execAndGet(sql).getInt(); }

    // A screenshot of the entry window and its error list where they stand on the screen.
    bool SaveTogether(ErrorListWindow& list, const char* fileName) {
        const QRect both = window->frameGeometry().united(list.frameGeometry());
        QPixmap shot(both.size());
        shot.fill(Qt::darkGray);
        QPainter painter(&shot);
        painter.drawPixmap(window->geometry().topLeft() - both.topLeft(), window->grab());
        painter.drawPixmap(list.geometry().topLeft() - both.topLeft(), list.grab());
        painter.end();
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        return shot.save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/") +
                         QString::fromLatin1(fileName));
    }

    EntryNumberBox* Box(const char* name) {
        return qobject_cast<EntryNumberBox*>(window->Field(QString::fromLatin1(name)));
    }
    QLineEdit* Text(const char* name) {
        return qobject_cast<QLineEdit*>(window->Field(QString::fromLatin1(name)));
    }
    QTabWidget* Pages() { return window->Form().pages; }

    // Only rule 1 (z002 <= z001) stays, so a record of zeros is clean and z002 > z001 is not.
    void KeepOnlyRuleOne() { Db().exec("DELETE FROM dt_logic WHERE id <> 1"); }

    void FillValidCover(const QString& code = QStringLiteral("100000000001"), int level = 1) {
        Text("c901")->setText(code);
        Text("c902")->setText(QStringLiteral("市总工会"));
        Box("c903")->setValue(110101);
        window->ApplyLevelRules(level);
        window->ApplyReportingState(1);
        Text("c905")->setText(QStringLiteral("张三"));
        Text("c906")->setText(QStringLiteral("010-12345678"));
    }

    void Open(bool adding) {
        model->Reload();
        view->MoveToFirst();
        window->Begin(adding, *view);
    }

    void ShowActive() {
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

  private slots:
    void init() {
        OpenEntryWindow();
        messages.clear();
        questions.clear();
        answer = true;
        Prompts().message = [this](const QString& text) { messages << text; };
        window->askToSave = [this](const QString& text) {
            questions << text;
            return answer;
        };
    }
    void cleanup() { CloseEntryWindow(); }

    void addingIntoAnEmptyDatabaseProposesCodeZero() {
        Open(true);
        QCOMPARE(Text("c901")->text(), QStringLiteral("0"));
        QCOMPARE(Box("c904")->value(), 10.0);
        QCOMPARE(window->Form().levelName->text(), QStringLiteral("乡镇、街道工会"));
        QCOMPARE(window->Form().stateName->text(), QString());
        QVERIFY(window->Button(QStringLiteral("tbAdd"))->isVisibleTo(window.get()));
        QVERIFY(!window->Button(QStringLiteral("tbSave"))->isVisibleTo(window.get()));
        QVERIFY(!window->Button(QStringLiteral("tbPrint"))->isEnabled());
        QVERIFY(!window->Button(QStringLiteral("tbHold"))->isEnabled());
        QVERIFY(!window->NavBar()->isVisibleTo(window.get()));
        QVERIFY(!window->ItemNo()->isVisibleTo(window.get()));
        QVERIFY(!window->Notes()->toPlainText().isEmpty());
    }

    void holdThenSaveWhileAddingKeepsOnePairAndShowsTheNextCode() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        QVERIFY(window->Button(QStringLiteral("tbHold"))->isEnabled());
        QVERIFY(window->Hold());
        QCOMPARE(messages.takeLast(), QStringLiteral("数据已经被临时保存。"));
        QCOMPARE(Count("SELECT RecordState FROM dt_data WHERE c901=100000000001"), 0);

        Box("z001")->setValue(4);
        QVERIFY(window->Save());  // the held record is edited, not a duplicate
        QCOMPARE(messages.takeLast(), QStringLiteral("数据保存成功，没有逻辑错误！"));
        QCOMPARE(Count("SELECT count(*) FROM dt_data"), 1);
        QCOMPARE(Count("SELECT count(*) FROM dt_data1 WHERE c901=100000000001"), 1);
        QCOMPARE(Count("SELECT RecordState FROM dt_data"), 1);
        QCOMPARE(Count("SELECT z001 FROM dt_data"), 4);
        QCOMPARE(Count("SELECT length(c900) FROM dt_data"), 32);
        // A blank record with the next code, filler and telephone remembered.
        QCOMPARE(Text("c901")->text(), QStringLiteral("100000000002"));
        QCOMPARE(Text("c902")->text(), QString());
        QCOMPARE(Box("z001")->value(), 0.0);
        QCOMPARE(Text("c905")->text(), QStringLiteral("张三"));
        QCOMPARE(Box("c903")->value(), 110101.0);
        QCOMPARE(model->RowCount(), 1);
    }

    // F2 saves from any field, as the button and its tool tip say; the record just saved may be
    // printed again at once.
    void f2SavesFromAnyFieldAndPrintIsAvailableAgain() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        QVERIFY(window->Save());
        Open(false);
        std::vector<double> printed;
        window->printRecord = [&printed](double code) { printed.push_back(code); };
        QPushButton* save = window->Button(QStringLiteral("tbSave"));
        QPushButton* print = window->Button(QStringLiteral("tbPrint"));
        QVERIFY(save->text().contains(QStringLiteral("F2")));
        QVERIFY(save->toolTip().contains(QStringLiteral("F2")));
        ShowActive();
        Text("c905")->setFocus();
        Text("c905")->setText(QStringLiteral("李四"));
        QVERIFY(!print->isEnabled());
        QTest::keyClick(Text("c905"), Qt::Key_F2);
        QCOMPARE(messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
        QCOMPARE(Count("SELECT count(*) FROM dt_data WHERE c905 = '李四'"), 1);
        QVERIFY(print->isEnabled());
        QTest::keyClick(Text("c905"), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(printed, std::vector<double>{100000000001.0});
    }

    void saveWithLogicErrorsStoresStateTwo() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        Box("z001")->setValue(3);
        Box("z002")->setValue(5);
        QVERIFY(window->Save());
        QCOMPARE(messages.last(), QStringLiteral("数据保存成功，有逻辑错误！"));
        QCOMPARE(Count("SELECT RecordState FROM dt_data"), 2);
        // The next blank record starts without the saved record's errors.
        QVERIFY(window->ErrorList().HasNoMessages());
        QVERIFY(!window->ErrorList().isVisible());
    }

    void aRecordHeldOrSavedWhileAddingIsListedAtOnce() {
        KeepOnlyRuleOne();
        tallwick::bench::GenerateRecords(Db(), 1);
        Open(true);
        FillValidCover(QStringLiteral("999999999991"));
        QVERIFY(window->Hold());
        QCOMPARE(model->RowCount(), 2);
        QCOMPARE(view->CurrentRow(), 0);  // the list stays where it was
        QVERIFY(window->Save());
        FillValidCover(QStringLiteral("999999999992"));
        QVERIFY(window->Save());
        QCOMPARE(model->RowCount(), 3);
    }

    // A write that fails from the close question or on the way to another record keeps the
    // window on the record with what was typed.
    void aFailedWriteKeepsTheRecordAndItsEdits_data() {
        QTest::addColumn<bool>("byNavigation");
        QTest::newRow("close question") << false;
        QTest::newRow("next record") << true;
    }
    void aFailedWriteKeepsTheRecordAndItsEdits() {
        QFETCH(bool, byNavigation);
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover(QStringLiteral("100000000001"));
        QVERIFY(window->Save());
        FillValidCover(QStringLiteral("100000000002"));
        QVERIFY(window->Save());
        window->EndSession();
        Open(false);
        Db().exec(
            "CREATE TRIGGER refuse BEFORE UPDATE ON dt_data BEGIN SELECT RAISE(ABORT, 'disk "
            "I/O error'); END");
        Text("c902")->setText(QStringLiteral("改过的名称"));
        messages.clear();
        if (byNavigation) {
            window->Navigate(2);
            QCOMPARE(view->CurrentRow(), 0);
        } else {
            QVERIFY(!window->CloseQuery());
        }
        QCOMPARE(questions.size(), 1);
        QVERIFY(messages.last().startsWith(QStringLiteral("保存过程中遇到错误：")));
        QCOMPARE(Text("c902")->text(), QStringLiteral("改过的名称"));
        QCOMPARE(Text("c901")->text(), QStringLiteral("100000000001"));
        QVERIFY(window->Button(QStringLiteral("tbSave"))->isEnabled());
    }

    // The engine's failures reach the user in Chinese, naming the file and the remedy, whichever
    // of the window's steps meets them: another program holds the database, for writing only
    // (reads still work) or wholly.
    void engineFailuresAreSaidInChinese_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("readsToo");
        QTest::addColumn<QString>("lead");
        const QString run = QStringLiteral("运行中发生错误：");
        QTest::newRow("save") << QStringLiteral("save") << false
                              << QStringLiteral("保存过程中遇到错误：");
        QTest::newRow("cover check") << QStringLiteral("save") << true << run;
        QTest::newRow("history") << QStringLiteral("history") << true << run;
        QTest::newRow("region name") << QStringLiteral("region") << true << run;
    }
    void engineFailuresAreSaidInChinese() {
        QFETCH(QString, step);
        QFETCH(bool, readsToo);
        QFETCH(QString, lead);
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        ShowActive();
        Box("c903")->setFocus();
        Db().setBusyTimeout(0);  // the program waits a while for the other one; the test need not
        SQLite::Database other(copy->FilePath().string(), SQLite::OPEN_READWRITE);
        other.exec(readsToo ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE");
        messages.clear();
        if (step == QStringLiteral("save")) {
            QVERIFY(!window->Save());
        } else if (step == QStringLiteral("history")) {
            window->ShowHistory();
        } else {
            Text("c905")->setFocus(Qt::TabFocusReason);  // leaves the region code
        }
        other.exec("ROLLBACK");
        QVERIFY(!messages.isEmpty());
        const QString said = messages.first();
        QVERIFY2(said.startsWith(lead + QStringLiteral("无法使用数据库文件 ") +
                                 QString::fromStdString(copy->FilePath().string()) +
                                 QStringLiteral("，它正被另一个程序使用")),
                 qPrintable(said));
        QCOMPARE(Count("SELECT count(*) FROM dt_data"), 0);
    }

    // Leaving the cover by a page tab brings the names and the rules of the codes up to date,
    // without a second message.
    void leavingTheCoverByATabRunsTheCodeExitSteps() {
        Open(true);
        FillValidCover();
        window->ApplyReportingState(3);
        ShowActive();
        QTabBar* tabs = Pages()->tabBar();
        Box("c907")->setFocus();
        Box("c907")->selectAll();
        QTest::keyClicks(Box("c907"), "1");
        messages.clear();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(Pages()->currentIndex(), 1);
        QVERIFY(Box("z001")->isEnabled());
        QCOMPARE(window->Form().stateName->text(), QStringLiteral("正常填报"));

        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        Box("c904")->setFocus();
        Box("c904")->selectAll();
        QTest::keyClicks(Box("c904"), "10");
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QCOMPARE(Pages()->currentIndex(), 2);
        QCOMPARE(window->Form().levelName->text(), QStringLiteral("乡镇、街道工会"));
        QVERIFY(!Box("y012")->isEnabled());
        QVERIFY(messages.isEmpty());
    }

    // With level 10 no page from 表9&表10 on has a field to type in: Enter passes over them and
    // saves, from the last field as from the tab bar of such a page.
    void enterPassesOverPagesWithoutAFieldToTypeIn() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover(QStringLiteral("100000000001"), 10);
        ShowActive();
        int lastPage = 0;
        QWidget* lastField = nullptr;
        for (int page = 1; page < Pages()->count(); ++page) {
            for (QWidget* field : window->Form().tabOrder[static_cast<std::size_t>(page)]) {
                if (field->isEnabled()) {
                    lastPage = page;
                    lastField = field;
                }
            }
        }
        QVERIFY(lastPage < 10);
        Pages()->setCurrentIndex(lastPage);
        lastField->setFocus();
        QTest::keyClick(lastField, Qt::Key_Return);
        QCOMPARE(messages.count(QStringLiteral("数据保存成功，没有逻辑错误！")), 1);

        FillValidCover(QStringLiteral("100000000002"), 10);
        QTabBar* tabs = Pages()->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(12).center());
        QCOMPARE(QApplication::focusWidget(), tabs);
        QTest::keyClick(tabs, Qt::Key_Return);
        QCOMPARE(messages.count(QStringLiteral("数据保存成功，没有逻辑错误！")), 2);
        QCOMPARE(Count("SELECT count(*) FROM dt_data"), 2);
    }

    // Moving through the fields of a stored record changes nothing.
    void movingThroughNumberBoxesIsNoEdit() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        Box("z001")->setValue(1234);
        QVERIFY(window->Save());
        window->EndSession();
        Open(false);
        ShowActive();
        Pages()->setCurrentIndex(1);
        Box("z001")->setFocus();
        QTest::keyClick(Box("z001"), Qt::Key_Down);
        QTest::keyClick(Box("z002"), Qt::Key_Up);
        QTest::keyClick(Box("z001"), Qt::Key_Down);
        QCOMPARE(Box("z001")->text(), QStringLiteral("1,234"));
        QVERIFY(!window->Button(QStringLiteral("tbSave"))->isEnabled());
        QVERIFY(window->Button(QStringLiteral("tbPrint"))->isEnabled());
        QVERIFY(window->CloseQuery());
        QVERIFY(questions.isEmpty());
    }

    void theErrorListLeavesThePageTabsAndTheNotesFree() {
        Open(true);
        FillValidCover();
        ShowActive();
        ErrorListWindow& list = window->ErrorList();
        list.AddMessage(
            {"z002<=z001", "本级工会专职工会干部人数应大于等于其中的女性人数", 1, "z002"});
        list.ShowList();
        const auto onScreen = [](const QWidget* widget) {
            return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        };
        QVERIFY(!list.frameGeometry().intersects(onScreen(Pages()->tabBar())));
        QVERIFY(!list.frameGeometry().intersects(onScreen(window->Notes())));

        // The entry window with the list where it opens, as the user sees them together.
        QVERIFY(SaveTogether(list, "entry_error_list.png"));

        // Moved by the user, it comes back where they left it.
        const QPoint chosen = list.pos() + QPoint(-40, 30);
        list.move(chosen);
        list.hide();
        list.ShowList();
        QCOMPARE(list.pos(), chosen);
    }

    void closeQueryYesSavesACleanRecordAndHoldsOneWithErrors_data() {
        QTest::addColumn<int>("z002");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("told");
        QTest::newRow("clean") << 0 << 1 << QStringLiteral("数据保存成功，没有逻辑错误！");
        // Held, not saved: the user who answered 是 must learn why.
        QTest::newRow("logic error") << 9 << 0 << QStringLiteral("有逻辑错误，已临时保存");
    }
    void closeQueryYesSavesACleanRecordAndHoldsOneWithErrors() {
        QFETCH(int, z002);
        QFETCH(int, state);
        QFETCH(QString, told);
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        Box("z002")->setValue(z002);
        window->show();
        window->close();
        QCOMPARE(questions,
                 QStringList{QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？")});
        QVERIFY(!window->isVisible());
        QCOMPARE(Count("SELECT RecordState FROM dt_data"), state);
        QCOMPARE(messages.last(), told);
        QVERIFY(!window->ErrorList().isVisible());
    }

    void closeQueryRefusesWithAnInvalidCoverAndReturnDropsChanges() {
        Open(true);
        FillValidCover();
        Text("c902")->clear();
        window->show();
        window->close();
        QVERIFY(window->isVisible());
        QCOMPARE(messages.last(), QStringLiteral("必须输入本级工会名称"));
        questions.clear();
        window->Button(QStringLiteral("tbReturn"))->click();
        QVERIFY(questions.isEmpty());
        QVERIFY(!window->isVisible());
        QCOMPARE(Count("SELECT count(*) FROM dt_data"), 0);
    }

    void reportingStateThreeZeroesAndDisablesAndSavesAsOne() {
        Open(true);
        FillValidCover();
        Box("z001")->setValue(12);
        window->ApplyReportingState(3);
        QCOMPARE(Box("z001")->value(), 0.0);
        QVERIFY(!Box("z001")->isEnabled());
        QVERIFY(!Box("y012")->isEnabled());
        QVERIFY(!window->Button(QStringLiteral("tbCheck"))->isEnabled());
        QVERIFY(window->Save());
        QCOMPARE(Count("SELECT RecordState FROM dt_data"), 1);
        QCOMPARE(Count("SELECT z001 + y012 FROM dt_data JOIN dt_data1 USING (c901)"), 0);
        // Back to a reporting state: fields enabled again, the level rules re-applied.
        FillValidCover(QStringLiteral("100000000002"), 10);
        QVERIFY(Box("z001")->isEnabled());
        QVERIFY(!Box("y012")->isEnabled());  // <=3
    }

    void choosingAStateFromItsPickerAppliesIt() {
        Open(true);
        FillValidCover();
        Box("z001")->setValue(5);
        CodePickerBox* picker = window->Form().stateName;
        emit picker->dropDownRequested();
        auto* menu = picker->findChild<QMenu*>(QStringLiteral("CodePopupMenu"));
        QVERIFY(menu != nullptr);
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == 4) action->trigger();
        }
        menu->close();
        QCOMPARE(Box("c907")->value(), 4.0);
        QCOMPARE(picker->text(), QStringLiteral("已合并"));
        QVERIFY(!Box("z001")->isEnabled());
        QCOMPARE(Box("z001")->value(), 0.0);
        QVERIFY(!window->Button(QStringLiteral("tbHold"))->isEnabled());
    }

    void modalSessionsReturnTheListToItsRow() {
        tallwick::bench::GenerateRecords(Db(), 3);
        model->Reload();
        view->GoToRow(1);
        const double code = model->CodeAt(1);
        QString proposed;
        QTimer::singleShot(0, window.get(), [this, &proposed] {
            proposed = Text("c901")->text();
            FillValidCover(proposed);
            window->Hold();
            window->Button(QStringLiteral("tbReturn"))->click();
        });
        window->OpenForAdding(*view);
        QCOMPARE(proposed, QString::number(model->CodeAt(2) + 1, 'f', 0));
        QCOMPARE(model->RowCount(), 4);
        QCOMPARE(model->CodeAt(view->CurrentRow()), code);

        RecordListModel emptyModel([this]() -> SQLite::Database& { return Db(); });
        RecordListView emptyView(&emptyModel);
        window->OpenForModifying(emptyView);  // nothing to modify: returns at once
        QVERIFY(!window->isVisible());
    }

    void regionPickerStartsAtTheRegionShownAndFillsTheCover() {
        Open(true);
        FillValidCover();
        window->Form().regionName->setCode(120101);
        QString county;
        QTimer::singleShot(0, window.get(), [&county] {
            auto* picker = qobject_cast<RegionPicker*>(QApplication::activeModalWidget());
            if (picker == nullptr) return;
            county = picker->Counties()->currentItem()->text();
            picker->ChooseProvince(0);  // 北京市: its first city, on the city's own row
            picker->Confirm();
        });
        window->ChooseRegion();
        QCOMPARE(county, QStringLiteral("和平区"));
        QCOMPARE(Box("c903")->value(), 110100.0);
        QCOMPARE(window->Form().regionName->code(), 110100);
        QCOMPARE(window->Form().regionName->text(), QStringLiteral("北京市"));
    }

    void levelRulesEnableAndClearFields() {
        Open(true);
        FillValidCover(QStringLiteral("100000000001"), 1);
        Box("x004")->setValue(1);  // in [1,2,3,10]
        Box("j009")->setValue(5);  // <=3
        window->ApplyLevelRules(10);
        QVERIFY(Box("x004")->isEnabled());
        QCOMPARE(Box("x004")->value(), 1.0);
        QVERIFY(!Box("j009")->isEnabled());
        QCOMPARE(Box("j009")->text(), QString());
        window->ApplyLevelRules(4);
        QVERIFY(!Box("x004")->isEnabled());
        QCOMPARE(Box("x004")->value(), 0.0);
        QVERIFY(Box("z001")->isEnabled());  // no rule
    }

    void twoValuedCodeAboveTwoIsClampedOnScreenAndStored() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        Text("z009")->setText(QStringLiteral("7"));  // pasted past the typing limit
        QVERIFY(window->Save());
        QCOMPARE(Count("SELECT z009 FROM dt_data"), 2);
    }

    void positionTextAndNavigation() {
        tallwick::bench::GenerateRecords(Db(), 25);
        model->Reload();
        view->GoToRow(2);
        window->Begin(false, *view);
        QCOMPARE(window->ItemNo()->text(), QStringLiteral("第3条/共25条"));
        QVERIFY(window->NavBar()->isVisibleTo(window.get()));
        QVERIFY(window->Button(QStringLiteral("tbPrint"))->isEnabled());
        QCOMPARE(Text("c901")->text(), QString::number(model->CodeAt(2), 'f', 0));
        QVERIFY(!window->Button(QStringLiteral("tbSave"))->isEnabled());

        window->NavAction(2)->trigger();
        QCOMPARE(window->ItemNo()->text(), QStringLiteral("第4条/共25条"));
        QVERIFY(!window->Button(QStringLiteral("tbPrint"))->isEnabled());
        window->NavAction(3)->trigger();
        QCOMPARE(window->ItemNo()->text(), QStringLiteral("第25条/共25条"));
        QVERIFY(!window->NavAction(2)->isEnabled());
        QVERIFY(window->NavAction(0)->isEnabled());
        QVERIFY(questions.isEmpty());  // loading is no change
    }

    void oneRecordShowsFirstOfOneWithoutNavigation() {
        tallwick::bench::GenerateRecords(Db(), 1);
        Open(false);
        QCOMPARE(window->ItemNo()->text(), QStringLiteral("第1条/共1条"));
        QVERIFY(!window->NavBar()->isVisibleTo(window.get()));
    }

    void modifyingUnderAnotherStoredCodeIsRefused() {
        tallwick::bench::GenerateRecords(Db(), 2);
        Open(false);
        const QString other = QString::number(model->CodeAt(1), 'f', 0);
        Text("c901")->setText(other);
        QVERIFY(!window->Hold());
        QCOMPARE(messages.last(), QStringLiteral("在修改数据时，将本级工会编码改为") + other +
                                      QStringLiteral("，该编码的数据已经存在，请改用其它编码。"));
        QVERIFY(!window->Button(QStringLiteral("tbHold"))->isEnabled());
    }

    void enterInTheLastFieldSavesAndUpInTheCodeGoesToTheLastField() {
        KeepOnlyRuleOne();
        Open(true);
        FillValidCover();
        ShowActive();
        Text("c901")->setFocus();
        QTest::keyClick(Text("c901"), Qt::Key_Up);
        QCOMPARE(Pages()->currentIndex(), 13);
        QCOMPARE(QApplication::focusWidget(), window->Field(QStringLiteral("y012")));

        QTest::keyClick(Text("y012"), Qt::Key_Return);
        QVERIFY(messages.contains(QStringLiteral("数据保存成功，没有逻辑错误！")));
        QCOMPARE(Count("SELECT count(*) FROM dt_data"), 1);
    }

    void enterWalksTheFieldsAndTheNextPage() {
        Open(true);
        FillValidCover();
        ShowActive();
        Text("c906")->setFocus();
        QTest::keyClick(Text("c906"), Qt::Key_Return);  // the last cover field: on to 表1
        QCOMPARE(Pages()->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), window->Field(QStringLiteral("z001")));
        QTest::keyClick(Text("z001"), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), window->Field(QStringLiteral("z002")));

        // With the telephone missing the cover is not left, and it is said once.
        QTest::keyClick(Text("z002"), Qt::Key_Up);
        QTest::keyClick(Text("z001"), Qt::Key_Up);
        QCOMPARE(Pages()->currentIndex(), 0);
        Text("c906")->clear();
        messages.clear();
        QTest::keyClick(Text("c906"), Qt::Key_Return);
        QCOMPARE(Pages()->currentIndex(), 0);
        QCOMPARE(messages, QStringList{QStringLiteral("必须输入联系电话")});
        QTRY_COMPARE(QApplication::focusWidget(), window->Field(QStringLiteral("c906")));
    }

    void ctrlSHoldsEvenWhileHoldIsDisabled() {
        Open(true);
        FillValidCover();
        ShowActive();
        window->Button(QStringLiteral("tbHold"))->setEnabled(false);
        Box("z001")->setFocus();
        QTest::keyClick(Box("z001"), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(messages.last(), QStringLiteral("数据已经被临时保存。"));
        QCOMPARE(Count("SELECT count(*) FROM dt_data WHERE RecordState = 0"), 1);
    }

    void leavingTheCodeWithElevenDigitsSaysSo() {
        Open(true);
        FillValidCover(QStringLiteral("10000000000"));
        ShowActive();
        Text("c901")->setFocus();
        messages.clear();
        Text("c902")->setFocus(Qt::TabFocusReason);
        QCOMPARE(messages, QStringList{QStringLiteral("工会统计编码必须为12位")});
        QTRY_COMPARE(QApplication::focusWidget(), window->Field(QStringLiteral("c901")));
    }

    void leavingTheCoverWithAnInvalidCoverIsRefused() {
        Open(true);
        FillValidCover(QStringLiteral("10000000000"));  // 11 digits
        Pages()->setCurrentIndex(1);
        QCOMPARE(Pages()->currentIndex(), 0);
        QCOMPARE(messages.last(), QStringLiteral("本级工会编码必须大于100000000000且必须为12位!"));
    }

    void leavingAPageChecksTheNewPageAndTheOldOne() {
        // Rule 3 (表1) and rule 11 (表2, x001 > 0 for levels below 4) break on an empty record.
        Db().exec("DELETE FROM dt_logic WHERE id NOT IN (3, 11)");
        Open(true);
        FillValidCover();
        Pages()->setCurrentIndex(1);  // from the cover: the cover alone is checked
        QVERIFY(window->ErrorList().HasNoMessages());
        Pages()->setCurrentIndex(2);  // 表2 and 表1
        QCOMPARE(window->ErrorList().Grid()->rowCount(), 2);
        QCOMPARE(window->ErrorList().Grid()->item(0, 2)->text(), QStringLiteral("2"));
        QCOMPARE(window->ErrorList().Grid()->item(1, 2)->text(), QStringLiteral("1"));
        QVERIFY(window->ErrorList().isVisible());
        Pages()->setCurrentIndex(3);  // 表3 and 表2
        QCOMPARE(window->ErrorList().Grid()->rowCount(), 1);
        QCOMPARE(window->ErrorList().Grid()->item(0, 3)->text(), QStringLiteral("x001"));
        Pages()->setCurrentIndex(0);  // back to the cover: only 表3, which passes
        QVERIFY(window->ErrorList().HasNoMessages());
        QVERIFY(!window->ErrorList().isVisible());
    }

    void errorListDoubleClickGoesToThePageAndField() {
        Open(true);
        FillValidCover(QStringLiteral("100000000001"), 1);
        ShowActive();
        window->ErrorList().AddMessage({"j009<=1", "说明", 7, "j009"});
        window->ErrorList().NavigateFromRow(0);
        QCOMPARE(Pages()->currentIndex(), 7);
        QCOMPARE(QApplication::focusWidget(), window->Field(QStringLiteral("j009")));

        window->ApplyLevelRules(10);  // j009 disabled
        Pages()->setCurrentIndex(1);
        window->ErrorList().ClearMessages();
        window->ErrorList().AddMessage({"j009<=1", "说明", 7, "j009"});
        window->ErrorList().NavigateFromRow(0);
        QCOMPARE(Pages()->currentIndex(), 7);
        QVERIFY(QApplication::focusWidget() != window->Field(QStringLiteral("j009")));
    }

    void leavingTheTelephoneEmptySaysOnlyThatItIsMissing() {
        Open(true);
        FillValidCover();
        ShowActive();
        Text("c906")->clear();
        Text("c906")->setFocus();
        messages.clear();
        Text("c905")->setFocus(Qt::TabFocusReason);
        QCOMPARE(messages, QStringList{QStringLiteral("必须输入联系电话")});
    }

    void screenshotsOfTheCoverAndAnnexOne() {
        tallwick::bench::GenerateRecords(Db(), 3);
        Open(false);
        window->show();
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(
            window->grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/entry_cover.png")));
        Pages()->setCurrentIndex(11);
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/entry_annex1.png")));
        // The densest pages.
        Pages()->setCurrentIndex(3);
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/entry_table3.png")));
        Pages()->setCurrentIndex(4);
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/entry_table3b.png")));
        Pages()->setCurrentIndex(1);
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/entry_table1.png")));
        Pages()->setCurrentIndex(8);
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/entry_table7.png")));
    }
};

QTEST_MAIN(EntryWindowTest)
#include "entry_window_test.moc"
