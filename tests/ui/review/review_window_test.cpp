// The review window on a realistic population with planted slips: the hundredfold slip heads the
// list with its expected range, the picture marks it among its level, a double click asks for the
// record at that answer, and "已核实" with a note takes the answer off the list and keeps the note.
#include "review/review_window.h"

#include "entry/entry_form.h"
#include "entry/entry_window.h"
#include "history/history_reading.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "locate/locate_fields.h"
#include "realistic_population.h"
#include "review/confirmations.h"
#include "review/review_chart.h"
#include "review/review_text.h"
#include "settings/registry.h"
#include "test_support.h"

#include <QApplication>
#include <QChart>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

using namespace tallwick::ui;
namespace bench = tallwick::bench;
namespace review = tallwick::review;

class ReviewWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::vector<bench::PlantedSlip> planted;
    std::vector<std::pair<double, QString>> opened;

    std::unique_ptr<ReviewWindow> Open() {
        return std::make_unique<ReviewWindow>(
            copy->Db(),
            [this](double code, const QString& field) { opened.emplace_back(code, field); });
    }

    // Whether the list still shows the answer `field` of record `code`.
    static bool Listed(const ReviewWindow& window, double code, int field) {
        for (const review::RankedRecord& record : window.Result().ranked)
            if (record.code == code && record.top.field == field) return true;
        return false;
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        planted = bench::GenerateRealisticRecords(copy->Db(), 600, 7, 4);
        opened.clear();
    }

    void theHundredfoldSlipHeadsTheListWithItsPicture() {
        auto window = Open();
        window->resize(1180, 620);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const bench::PlantedSlip* hundredfold = nullptr;
        for (const auto& slip : planted)
            if (slip.kind == bench::SlipKind::Times100) hundredfold = &slip;
        QVERIFY(hundredfold);

        QTableWidget* table = window->Table();
        QVERIFY(table->rowCount() > 0);
        QCOMPARE(table->currentRow(), 0);
        const review::RankedRecord& top = window->Result().ranked.front();
        QCOMPARE(top.code, hundredfold->code);
        QCOMPARE(top.top.field, hundredfold->field);
        const QString name =
            QString::fromUtf8(tallwick::locate::LocateFields()[hundredfold->field].name.data(), 4);
        const QString finding = table->item(0, 4)->text();
        QVERIFY2(
            finding.startsWith(name + " " +
                               QString::fromStdString(review::GroupedNumber(hundredfold->keyed)) +
                               QStringLiteral("，")),
            qPrintable(finding));
        QVERIFY(finding.contains(QStringLiteral("一般为")));
        QVERIFY(window->Chart()->HasMark());
        QVERIFY(window->Chart()->PointCount() > 10);

        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QTest::qWait(100);  // the chart's scene repaints on the event loop
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/review_window.png")));

        table->selectRow(1);
        const review::RankedRecord& second = window->Result().ranked.at(1);
        const QString secondName =
            QString::fromUtf8(tallwick::locate::LocateFields()[second.top.field].name.data(), 4);
        QVERIFY2(window->Chart()->chart()->title().startsWith(secondName),
                 qPrintable(window->Chart()->chart()->title()));
        QVERIFY(window->Chart()->HasMark());
        QTest::qWait(100);
        QVERIFY(window->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/review_window_second.png")));
    }

    void aDoubleClickOpensTheRecordAtTheAnswer() {
        auto window = Open();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTableWidget* table = window->Table();
        const review::RankedRecord second = window->Result().ranked.at(1);
        const QRect cell = table->visualItemRect(table->item(1, 0));
        // An item view takes a double click only after the press and release that precede it.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened.size(), std::size_t{1});
        QCOMPARE(opened[0].first, second.code);
        QCOMPARE(
            opened[0].second,
            QString::fromUtf8(tallwick::locate::LocateFields()[second.top.field].name.data(), 4));
    }

    void aConfirmedAnswerLeavesTheListWithItsNote() {
        auto window = Open();
        window->show();
        const review::RankedRecord top = window->Result().ranked.front();
        QVERIFY(Listed(*window, top.code, top.top.field));
        window->NoteBox()->setText(QStringLiteral("电话核实，数据无误"));
        QTest::mouseClick(window->ConfirmButton(), Qt::LeftButton);

        QVERIFY(!Listed(*window, top.code, top.top.field));
        QVERIFY(window->NoteBox()->text().isEmpty());
        const auto confirmations = review::ReadConfirmations(copy->Db());
        QCOMPARE(confirmations.size(), std::size_t{1});
        QCOMPARE(confirmations[0].code, top.code);
        QCOMPARE(QString::fromStdString(confirmations[0].note),
                 QStringLiteral("电话核实，数据无误"));
        const auto history = tallwick::history::ReadRecordHistory(copy->Db(), top.code);
        QVERIFY(!history.empty());
        QCOMPARE(QString::fromStdString(history.front().operation), QStringLiteral("已核实"));
        // Opened again, the window still leaves it out.
        QVERIFY(!Listed(*Open(), top.code, top.top.field));
    }

    void theEntryWindowOpensOnTheRecordAtTheAnswer() {
        const bench::PlantedSlip& slip = planted.front();
        const QString field =
            QString::fromUtf8(tallwick::locate::LocateFields()[slip.field].name.data(), 4);
        Registry registry(QString::fromStdString((copy->Folder() / "settings.ini").string()));
        auto database = [this]() -> SQLite::Database& { return copy->Db(); };
        RecordListModel model(database);
        RecordListView list(&model);
        model.Reload();
        list.MoveToFirst();
        EntryWindow entry(database, registry, QStringLiteral(TALLWICK_BUILD_DIR "/bin"));
        double shownCode = 0;
        int shownPage = -1;
        QWidget* focused = nullptr;
        QTimer::singleShot(200, &entry, [&] {
            shownCode = entry.LoadedCode();
            shownPage = entry.Form().pages->currentIndex();
            focused = QApplication::focusWidget();
            entry.reject();
        });
        OpenEntryAtAnswer(entry, list, slip.code, field);
        QCOMPARE(shownCode, slip.code);
        QCOMPARE(shownPage, tallwick::locate::EntryPageOf(slip.field));
        QVERIFY(focused != nullptr);
        QCOMPARE(focused, entry.Field(field));
    }
};

QTEST_MAIN(ReviewWindowTest)
#include "review_window_test.moc"
