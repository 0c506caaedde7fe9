// What to type, in the entry window: the suggestion line with values, applying it by a click or
// F4, the error list kept off the box it points at and out of the keyboard's way, and the
// searching line while the search takes its time.
#include "entry/entry_error_list.h"
#include "entry/entry_number_box.h"
#include "entry/entry_window.h"
#include "entry_window_rig.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocumentFragment>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

using namespace tallwick::ui;

namespace {

QRect OnScreen(const QWidget* widget) {
    return {widget->mapToGlobal(QPoint(0, 0)), widget->size()};
}

QString PlainText(const QLabel* label) {
    return QTextDocumentFragment::fromHtml(label->text()).toPlainText();
}

// Holds every search back until the test lets it go (at most five seconds, so that a window
// that waited for a search fails on time rather than hanging).
struct SearchGate {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<int> started = 0;
    std::set<int> released;

    void Release(int search) {
        const std::lock_guard lock(mutex);
        released.insert(search);
        changed.notify_all();
    }
    SuggestionSearch Hold(SuggestionSearch search) {
        return [this, search](const tallwick::check::RecordValues& values) {
            std::unique_lock lock(mutex);
            const int number = started++;
            changed.wait_for(lock, std::chrono::seconds(5),
                             [&] { return released.count(number) > 0; });
            lock.unlock();
            return search(values);
        };
    }
};

}  // namespace

class EntrySuggestionTest : public EntryWindowRig {
    Q_OBJECT

    std::unique_ptr<SearchGate> gate;  // outlives the window, whose searches may use it
    QStringList messages;

    EntryNumberBox* Box(const QString& name) {
        return qobject_cast<EntryNumberBox*>(window->Field(name));
    }
    QTabWidget* Pages() { return window->Form().pages; }
    ErrorListWindow& List() { return window->ErrorList(); }

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

    // A provincial union that breaks no rule, with the given answers typed over it. d014 = 1
    // instead of 10 breaks rules 113 and 121, which d014 alone mends.
    void TypeRecord(std::initializer_list<std::pair<const char*, double>> typos) {
        qobject_cast<QLineEdit*>(window->Field(QStringLiteral("c901")))
            ->setText(QStringLiteral("100000000001"));
        qobject_cast<QLineEdit*>(window->Field(QStringLiteral("c902")))
            ->setText(QStringLiteral("市总工会"));
        Box(QStringLiteral("c903"))->setValue(110101);
        window->ApplyLevelRules(1);
        window->ApplyReportingState(1);
        qobject_cast<QLineEdit*>(window->Field(QStringLiteral("c905")))
            ->setText(QStringLiteral("张三"));
        qobject_cast<QLineEdit*>(window->Field(QStringLiteral("c906")))
            ->setText(QStringLiteral("010-12345678"));
        const std::pair<const char*, double> clean[] = {
            {"z001", 40}, {"z002", 20}, {"z003", 10}, {"z004", 20}, {"z005", 10},
            {"x001", 5},  {"x002", 1},  {"x003", 2},  {"d005", 20}, {"d007", 3},
            {"d012", 10}, {"d014", 10}, {"d024", 10}, {"d023", 40}, {"d032", 1},
            {"d039", 5},  {"d045", 45}, {"d046", 5},  {"d050", 5}};
        for (const auto& [name, value] : clean) Box(QString::fromLatin1(name))->setValue(value);
        for (const auto& [name, value] : typos) Box(QString::fromLatin1(name))->setValue(value);
    }

    // The record with two typos stored, then open for modifying with its errors listed and the
    // suggestion in the list.
    void OpenStoredRecordWithSuggestion() {
        Open(true);
        TypeRecord({{"d014", 1}, {"z005", 13}});
        QVERIFY(window->Save());
        window->EndSession();
        Open(false);
        ShowActive();
        window->CheckRecord();
        QTRY_VERIFY(List().Suggestion()->isVisible());
        QVERIFY(List().Answer(1) != nullptr);
        QCOMPARE(List().Answer(2), nullptr);
    }

    // A screenshot of the entry window and its error list where they stand on the screen.
    void SaveTogether(const char* fileName) {
        const QRect both = window->frameGeometry().united(List().frameGeometry());
        QPixmap shot(both.size());
        shot.fill(Qt::darkGray);
        QPainter painter(&shot);
        painter.drawPixmap(window->geometry().topLeft() - both.topLeft(), window->grab());
        painter.drawPixmap(List().geometry().topLeft() - both.topLeft(), List().grab());
        painter.end();
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(shot.save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/") +
                          QString::fromLatin1(fileName)));
    }

  private slots:
    void init() {
        OpenEntryWindow();
        messages.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        window->askToSave = [](const QString&) { return false; };
    }
    void cleanup() {
        window.reset();
        gate.reset();
        CloseEntryWindow();
    }

    void theLineNamesEachAnswerWithItsCurrentAndSuggestedValue() {
        Open(true);
        TypeRecord({{"d014", 1}});
        window->CheckRecord();
        QCOMPARE(List().Grid()->rowCount(), 2);
        // The list comes first; the suggestion follows from its own thread.
        QVERIFY(!List().Suggestion()->isVisible());
        QTRY_VERIFY(List().Suggestion()->isVisible());
        QCOMPARE(PlainText(List().Suggestion()),
                 QStringLiteral("建议修改：d014（机关干部35岁及以下）1 → 10"));
        QVERIFY(!List().Searching()->isVisible());
        // Other errors make the suggestion stale: it goes with them.
        List().ClearMessages();
        QVERIFY(!List().Suggestion()->isVisible());
        QCOMPARE(List().Answer(0), nullptr);
    }

    void clickAndF4PutTheSuggestedValueIntoItsBox_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("click on the second answer") << false;
        QTest::newRow("F4, twice") << true;
    }
    void clickAndF4PutTheSuggestedValueIntoItsBox() {
        QFETCH(bool, byKey);
        OpenStoredRecordWithSuggestion();
        // The stored values of the suggested answers.
        const auto stored = [this] {
            QStringList values;
            for (int i = 0; List().Answer(i) != nullptr; ++i) {
                const std::string field = List().Answer(i)->field.toStdString();
                values << QString::fromStdString(
                    Db().execAndGet("SELECT " + field + " FROM dt_data").getString());
            }
            return values;
        };
        const QStringList before = stored();
        QVERIFY(!window->Button(QStringLiteral("tbSave"))->isEnabled());

        const auto apply = [&](int index) {
            if (byKey)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
            else
                emit List().Suggestion()->linkActivated(QString::number(index));
            if (QTest::currentTestFailed()) return;
            const SuggestedAnswer& answer = *List().Answer(index);
            EntryNumberBox* box = Box(answer.field);
            QCOMPARE(box->value(), answer.value);
            QCOMPARE(Pages()->currentIndex(), answer.page);
            QTRY_COMPARE(QApplication::focusWidget(), box);
            QVERIFY(!List().frameGeometry().intersects(OnScreen(box)));
        };
        const int first = byKey ? 0 : 1;
        apply(first);
        // An edit like a typed one, not saved; the applied answer no longer offers itself.
        QVERIFY(window->Button(QStringLiteral("tbSave"))->isEnabled());
        QCOMPARE(stored(), before);
        QVERIFY(!List().Suggestion()->text().contains(QStringLiteral("href=\"%1\"").arg(first)));
        QCOMPARE(List().NextUnapplied(), 1 - first);
        if (!byKey) return;

        apply(1);
        QCOMPARE(Box(List().Answer(0)->field)->value(), List().Answer(0)->value);
        QCOMPARE(List().NextUnapplied(), -1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);  // nothing left to apply
        QCOMPARE(QApplication::focusWidget(), Box(List().Answer(1)->field));

        // The user saves as usual and the rules decide: the repair passes them.
        QVERIFY(window->Save());
        QCOMPARE(messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
    }

    void theErrorListKeepsOffTheBoxItPointsAt_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("movedOverIt");
        // Where the list opens it covered d045 on 附表1续.
        QTest::newRow("d045, listed on its page") << QStringLiteral("d045") << false;
        QTest::newRow("z001 under a list the user moved") << QStringLiteral("z001") << true;
    }
    void theErrorListKeepsOffTheBoxItPointsAt() {
        QFETCH(QString, field);
        QFETCH(bool, movedOverIt);
        Open(true);
        TypeRecord({});
        ShowActive();
        EntryNumberBox* box = Box(field);
        int page = 1;
        while (!Pages()->widget(page)->isAncestorOf(box)) ++page;
        Pages()->setCurrentIndex(page);
        List().AddMessage({"rule", "说明", page, field.toStdString()});
        List().ShowList();
        if (movedOverIt) {
            List().move(OnScreen(box).topLeft() - QPoint(20, 10));
            QVERIFY(List().frameGeometry().intersects(OnScreen(box)));
        }
        QVERIFY(!List().frameGeometry().intersects(OnScreen(box)) || movedOverIt);

        List().NavigateFromRow(0);
        QCOMPARE(QApplication::focusWidget(), box);
        QVERIFY(!List().frameGeometry().intersects(OnScreen(box)));
        QVERIFY(!List().frameGeometry().intersects(OnScreen(Pages()->tabBar())));
        QVERIFY(!List().frameGeometry().intersects(OnScreen(window->Notes())));
        SaveTogether(qPrintable(QStringLiteral("entry_error_list_off_%1.png").arg(field)));
    }

    // A window manager activates a window clicked into; the keyboard must come back all the same.
    void theKeyboardReturnsToTheFormAfterAClickInTheList_data() {
        QTest::addColumn<QString>("click");
        QTest::newRow("an error line") << QStringLiteral("click");
        QTest::newRow("a double click on an error line") << QStringLiteral("double");
        QTest::newRow("a suggested answer") << QStringLiteral("suggestion");
    }
    void theKeyboardReturnsToTheFormAfterAClickInTheList() {
        QFETCH(QString, click);
        Open(true);
        TypeRecord({{"d014", 1}});
        ShowActive();
        window->CheckRecord();
        QTRY_VERIFY(List().Suggestion()->isVisible());
        QApplication::setActiveWindow(&List());
        QTRY_COMPARE(QApplication::activeWindow(), &List());
        QWidget* cells = List().Grid()->viewport();
        const QPoint row = List().Grid()->visualItemRect(List().Grid()->item(0, 0)).center();
        if (click == QStringLiteral("click")) {
            QTest::mouseClick(cells, Qt::LeftButton, {}, row);
        } else if (click == QStringLiteral("double")) {
            QTest::mouseDClick(cells, Qt::LeftButton, {}, row);
        } else {
            emit List().Suggestion()->linkActivated(QStringLiteral("0"));
        }
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
        QVERIFY(QApplication::focusWidget() != nullptr);
        QVERIFY(Pages()->currentWidget()->isAncestorOf(QApplication::focusWidget()));
    }

    void aSlowSearchShowsTheSearchingLineAndAnOlderAnswerNeverOverwritesANewer() {
        gate = std::make_unique<SearchGate>();
        window->wrapSuggestionSearch = [this](SuggestionSearch search) {
            return gate->Hold(std::move(search));
        };
        Open(true);
        TypeRecord({{"d014", 1}});
        ShowActive();
        window->CheckRecord();
        QVERIFY(!List().Searching()->isVisible());  // not before 50 ms have passed
        QTRY_VERIFY(List().Searching()->isVisible());
        QCOMPARE(List().Searching()->text(), QStringLiteral("正在查找修改建议…"));
        QVERIFY(!List().Suggestion()->isVisible());

        // A second check while the first search is held: neither it nor typing waits.
        QElapsedTimer took;
        took.start();
        Box(QStringLiteral("d014"))->setValue(2);
        window->CheckRecord();
        QTRY_COMPARE(gate->started, 2);
        QVERIFY(took.elapsed() < 2000);

        gate->Release(0);  // the first check's answer comes last
        QTest::qWait(200);
        QVERIFY(!List().Suggestion()->isVisible());
        QVERIFY(List().Searching()->isVisible());

        gate->Release(1);
        QTRY_VERIFY(List().Suggestion()->isVisible());
        QCOMPARE(PlainText(List().Suggestion()),
                 QStringLiteral("建议修改：d014（机关干部35岁及以下）2 → 10"));
        QVERIFY(!List().Searching()->isVisible());
    }

    void screenshotsOfTheLineAndOfAnAppliedSuggestion() {
        OpenStoredRecordWithSuggestion();
        QLabel* line = List().Suggestion();
        // The whole line is on screen, every answer within the list's width.
        QVERIFY(line->height() >= line->heightForWidth(line->width()));
        SaveTogether("entry_suggestion.png");
        window->ApplyNextSuggestion();
        SaveTogether("entry_suggestion_applied.png");
    }
};

QTEST_MAIN(EntrySuggestionTest)
#include "entry_suggestion_test.moc"
