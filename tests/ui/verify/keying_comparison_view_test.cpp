// The view of two keyings compared: what it lists, what ticking a record or an answer takes,
// and its screenshot.
#include "verify/keying_comparison_view.h"
#include "../../core/exchange_test_data.h"
#include "test_support.h"
#include "verify/verification_rates_dialog.h"
#include "verify/verify_operations.h"

#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using namespace tallwick;
using namespace tallwick::ui;

namespace {

constexpr double kOne = 100000000001.0;
constexpr double kTwo = 100000000002.0;

void Tick(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->setCurrentItem(item);
    QTest::keyClick(tree, Qt::Key_Space);
}

}  // namespace

class KeyingComparisonViewTest : public QObject {
    Q_OBJECT
  private slots:
    void TakesTheTickedRecordsAndAnswersOnly() {
        test::DeliveredDatabaseCopy here;
        test::DeliveredDatabaseCopy there;
        for (SQLite::Database* db : {&here.Db(), &there.Db()}) {
            test::AddRecord(*db, kOne, "甲工会");
            test::AddRecord(*db, kTwo, "乙工会");
        }
        test::AddRecord(there.Db(), 100000000003.0, "丙工会");
        there.Db().exec(
            "UPDATE dt_data SET z001 = 64, c902 = '甲工会委员会' WHERE c901 = 100000000001;"
            "UPDATE dt_data SET d055 = 4, b018 = 3 WHERE c901 = 100000000002");
        there.CloseDb();

        KeyingComparisonView view(verify::CompareWithPlainFile(here.Db(), there.FilePath()));
        QTreeWidget* tree = view.Tree();
        QCOMPARE(tree->topLevelItemCount(), 3);  // two records, then the one only there
        QTreeWidgetItem* first = tree->topLevelItem(0);
        QTreeWidgetItem* second = tree->topLevelItem(1);
        QCOMPARE(first->childCount(), 2);
        QCOMPARE(first->child(1)->text(0), QStringLiteral("z001  本级工会专职工会干部"));
        QCOMPARE(first->child(1)->text(1), QStringLiteral("7"));
        QCOMPARE(first->child(1)->text(2), QStringLiteral("64"));
        QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("100000000003"));

        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Tick(tree, first);             // the whole first record
        Tick(tree, second->child(1));  // of the second, only d055
        QCOMPARE(first->child(0)->checkState(0), Qt::Checked);
        QCOMPARE(second->checkState(0), Qt::PartiallyChecked);
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(view.grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/keying_comparison_view.png")));
        QTest::mouseClick(view.TakeButton(), Qt::LeftButton);
        QCOMPARE(view.result(), int(QDialog::Accepted));

        verify::WriteTakenValues(here.Db(), view.Taken(), verify::kComparedEntry);
        QCOMPARE(QString::fromStdString(
                     here.Db()
                         .execAndGet("SELECT group_concat(c902 || '/' || z001 || '/' || b018 || "
                                     "'/' || d055, ';') FROM (SELECT * FROM dt_data ORDER BY c901)")
                         .getString()),
                 QStringLiteral("甲工会委员会/64/2.5/3;乙工会/7/2.5/4"));
        QCOMPARE(here.Db()
                     .execAndGet("SELECT count(*) FROM dt_history WHERE Operation = '比对录入'")
                     .getInt(),
                 3);
    }

    void RatesWindowShowsEachProcessorAndTheTotal() {
        std::vector<verify::VerificationRate> rates(2);
        rates[0] = {"A", 2, 400, 2, 1, 1};
        rates[1] = {"", 2, 400, 2, 1, 1};
        VerificationRatesDialog dialog(rates);
        QCOMPARE(dialog.Table()->rowCount(), 2);
        QCOMPARE(dialog.Table()->item(1, 0)->text(), QStringLiteral("合计"));
        QCOMPARE(dialog.Table()->item(0, 6)->text(), QStringLiteral("5.00"));
        QCOMPARE(dialog.Table()->item(0, 7)->text(), QStringLiteral("2.50"));
    }
};

QTEST_MAIN(KeyingComparisonViewTest)
#include "keying_comparison_view_test.moc"
