// Choosing the records of a verification pass: a sample drawn again with the seed shown, a
// code range, and the empty or unclear choices refused.
#include "verify/verification_choice_dialog.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <SQLiteCpp/Statement.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tallwick;
using namespace tallwick::ui;

namespace {

constexpr double kBase = 100000000000.0;

void Retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

}  // namespace

class VerificationChoiceDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::DeliveredDatabaseCopy> copy;
    QStringList messages;

    SQLite::Database& Db() { return copy->Db(); }

    // A sample through the dialog as the user draws it: the share and the seed typed.
    std::vector<double> Sample(const QString& percent, const QString& seed) {
        VerificationChoiceDialog dialog(Db(), {});
        Retype(dialog.Percent(), percent);
        Retype(dialog.Seed(), seed);
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        if (dialog.result() != QDialog::Accepted) return {};
        return dialog.Chosen();
    }

  private slots:
    void init() {
        copy = std::make_unique<test::DeliveredDatabaseCopy>();
        SQLite::Statement insert(Db(), "INSERT INTO dt_data (c901, c902) VALUES (?, '工会')");
        for (int i = 1; i <= 30; ++i) {
            insert.bind(1, kBase + i);
            insert.exec();
            insert.reset();
        }
        messages.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
    }
    void cleanup() {
        copy.reset();
        Prompts() = {};
    }

    void theSameSeedDrawsTheSameSampleAgain() {
        {
            VerificationChoiceDialog dialog(Db(), {});
            QVERIFY(!dialog.Seed()->text().isEmpty());  // shown, so it can be noted
        }
        const auto first = Sample(QStringLiteral("10"), QStringLiteral("4242"));
        QCOMPARE(first.size(), std::size_t{3});
        QCOMPARE(Sample(QStringLiteral("10"), QStringLiteral("4242")), first);
        // Another seed draws another sample from the same records.
        std::vector<std::vector<double>> others;
        for (const char* seed : {"1", "2", "3"}) others.push_back(Sample("10", seed));
        QVERIFY(std::any_of(others.begin(), others.end(),
                            [&first](const auto& other) { return other != first; }));
        QVERIFY(messages.isEmpty());
    }

    void aCodeRangeChoosesItsStoredRecordsInOrder() {
        VerificationChoiceDialog dialog(Db(), {kBase + 3});
        QVERIFY(dialog.SelectedChoice()->isChecked());
        QTest::keyClicks(dialog.Low(), QStringLiteral("100000000028"));
        QTest::keyClicks(dialog.High(), QStringLiteral("100000000040"));
        QVERIFY(dialog.RangeChoice()->isChecked());
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(dialog.grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/verification_choice.png")));
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Chosen(), (std::vector<double>{kBase + 28, kBase + 29, kBase + 30}));
    }

    void anEmptyOrUnclearChoiceIsRefused_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing selected") << "selected"
                                          << ""
                                          << "10"
                                          << "记录列表中没有选中的记录，请先选中要校验的记录。";
        QTest::newRow("no range") << "range"
                                  << ""
                                  << "10"
                                  << "请输入校验的编号范围";
        QTest::newRow("range without records") << "range"
                                               << "200000000000"
                                               << "10"
                                               << "这个编号范围内没有记录。";
        QTest::newRow("no share") << "sample"
                                  << ""
                                  << "0"
                                  << "请输入1到100之间的抽取比例。";
        QTest::newRow("share above all") << "sample"
                                         << ""
                                         << "101"
                                         << "请输入1到100之间的抽取比例。";
    }
    void anEmptyOrUnclearChoiceIsRefused() {
        QFETCH(QString, choice);
        QFETCH(QString, low);
        QFETCH(QString, percent);
        QFETCH(QString, message);
        VerificationChoiceDialog dialog(Db(), {});
        Retype(dialog.Percent(), percent);
        QTest::keyClicks(dialog.Low(), low);
        QTest::keyClicks(dialog.High(), low);
        QRadioButton* radio = choice == QLatin1String("selected") ? dialog.SelectedChoice()
                              : choice == QLatin1String("range")  ? dialog.RangeChoice()
                                                                  : dialog.SampleChoice();
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
        QVERIFY(radio->isChecked());
        QTest::mouseClick(dialog.StartButton(), Qt::LeftButton);
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(messages, QStringList{message});
    }

    void aSampleWhenEveryRecordIsVerifiedIsRefused() {
        Db().exec("INSERT INTO dt_verification (c901, VerifiedAt) SELECT c901, 'x' FROM dt_data");
        QVERIFY(Sample(QStringLiteral("10"), QStringLiteral("7")).empty());
        QCOMPARE(messages, QStringList{QStringLiteral("没有尚未校验的记录可以抽取。")});
    }
};

QTEST_MAIN(VerificationChoiceDialogTest)
#include "verification_choice_dialog_test.moc"
