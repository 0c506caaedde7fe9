// Deleting records from the list and through the delete dialog: every answer path.
#include "list/delete_dialog.h"
#include "list/delete_selected.h"
#include "store/database.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/question_dialog.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <deque>

using namespace tallwick::ui;

namespace {

// A list over the stored codes in code order, with a scripted selection.
struct FakeList {
    SQLite::Database& db;
    std::vector<double> codes;
    std::vector<int> marked;
    int current = 0;
    int requeries = 0;

    void Read() {
        codes.clear();
        SQLite::Statement query(db, "SELECT c901 FROM dt_data ORDER BY c901");
        while (query.executeStep()) codes.push_back(query.getColumn(0).getDouble());
    }

    DeletableList Api() {
        return {[this] { return static_cast<int>(codes.size()); },
                [this] { return marked; },
                [this] { return current; },
                [this](int row) { return codes.at(static_cast<size_t>(row)); },
                [this](int row) { current = row; },
                [this] {
                    ++requeries;
                    Read();
                    current = std::min(current, static_cast<int>(codes.size()) - 1);
                }};
    }
};

// Last digit of every code left, in order: "123456" for six records.
QString Left(SQLite::Database& db) {
    return QString::fromStdString(
        db.execAndGet(
              "SELECT ifnull(group_concat(CAST(c901 - 100000000000 AS INTEGER), ''), '') FROM "
              "(SELECT c901 FROM dt_data ORDER BY c901)")
            .getString());
}

}  // namespace

class DeletionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<FakeList> list;
    std::deque<int> answers;
    QStringList asked;
    QStringList messages;

    Asker ScriptedAsker() {
        return [this](const QString& text, int flags) {
            asked << QStringLiteral("%1/%2").arg(text).arg(flags);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        for (int i = 1; i <= 6; ++i) {
            const std::string code = std::to_string(100000000000 + i);
            copy->Db().exec("INSERT INTO dt_data (c901) VALUES (" + code +
                            "); INSERT INTO dt_data1 (c901) VALUES (" + code + ")");
        }
        list = std::make_unique<FakeList>(FakeList{copy->Db(), {}, {}, 0, 0});
        list->Read();
        answers.clear();
        asked.clear();
        messages.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().confirmWarning = [this](const QString& text) {
            messages << text;
            const int answer = answers.front();
            answers.pop_front();
            return answer == kAnswerYes;
        };
    }

    void cleanup() { Prompts() = {}; }

    void singleRowAsksYesNo_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("left");
        QTest::newRow("是 deletes the current row") << int(kAnswerYes) << QStringLiteral("12456");
        QTest::newRow("否 keeps it") << int(kAnswerNo) << QStringLiteral("123456");
        QTest::newRow("close box keeps it") << int(kAnswerCancel) << QStringLiteral("123456");
    }
    void singleRowAsksYesNo() {
        QFETCH(int, answer);
        QFETCH(QString, left);
        list->current = 2;
        list->marked = {2};
        answers = {answer};
        DeleteSelectedRecords(list->Api(), copy->Db(), ScriptedAsker());
        QCOMPARE(asked, QStringList{QStringLiteral("您确定要删除当前所选择的记录吗?/3")});
        QCOMPARE(Left(copy->Db()), left);
        QCOMPARE(list->current, 2);  // the list stays where it was
    }

    void severalRowsAskRowByRow_data() {
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<QString>("left");
        QTest::addColumn<int>("questions");
        QTest::newRow("全都是 at once") << QList<int>{kAnswerYesToAll} << QStringLiteral("4") << 1;
        QTest::newRow("closed three times, then 全都是")
            << QList<int>{kAnswerCancel, kAnswerCancel, kAnswerCancel, kAnswerYesToAll}
            << QStringLiteral("1234") << 4;
        QTest::newRow("否 ends it")
            << QList<int>{kAnswerCancel, kAnswerNo} << QStringLiteral("123456") << 2;
        QTest::newRow("closed for every row")
            << QList<int>(5, kAnswerCancel) << QStringLiteral("123456") << 5;
    }
    void severalRowsAskRowByRow() {
        QFETCH(QList<int>, script);
        QFETCH(QString, left);
        QFETCH(int, questions);
        // Marked in this order; the last two marked are codes 6 and 5.
        list->marked = {0, 1, 2, 5, 4};
        answers.assign(script.begin(), script.end());
        DeleteSelectedRecords(list->Api(), copy->Db(), ScriptedAsker());
        QCOMPARE(asked.size(), questions);
        QVERIFY(asked.first().endsWith(QStringLiteral("/6")));  // 全都是 and 否
        QCOMPARE(Left(copy->Db()), left);
        QCOMPARE(copy->Db().execAndGet("SELECT count(*) FROM dt_data1").getInt(), left.size());
    }

    void emptyListAsksNothing() {
        copy->Db().exec("DELETE FROM dt_data; DELETE FROM dt_data1");
        list->Read();
        DeleteSelectedRecords(list->Api(), copy->Db(), ScriptedAsker());
        QVERIFY(asked.isEmpty());
    }

    void dialogRangeRules() {
        int refreshed = 0;
        DeleteDialog dialog(copy->Db(), list->Api(), ScriptedAsker(), [&] { ++refreshed; });
        dialog.rangeChoice()->setChecked(true);

        dialog.lowBox()->setText(QStringLiteral("100000000002"));
        dialog.DeleteChosen();  // the second box is empty
        QCOMPARE(messages, QStringList{QStringLiteral("请输入删除的范围")});
        QCOMPARE(dialog.highBox()->text(), QStringLiteral("0"));

        messages.clear();
        dialog.highBox()->setText(QStringLiteral("100000000001"));
        answers = {kAnswerYes};
        dialog.DeleteChosen();  // reversed: just the lower code
        QCOMPARE(dialog.highBox()->text(), QStringLiteral("100000000002"));
        QCOMPARE(messages, QStringList{QStringLiteral("删除操作将不可恢复，您确认继续么？")});
        QCOMPARE(Left(copy->Db()), QStringLiteral("13456"));

        dialog.lowBox()->setText(QStringLiteral("100000000003"));
        dialog.highBox()->setText(QStringLiteral("100000000005"));
        answers = {kAnswerNo};
        dialog.DeleteChosen();
        QCOMPARE(Left(copy->Db()), QStringLiteral("13456"));
        answers = {kAnswerYes};
        dialog.DeleteChosen();
        QCOMPARE(Left(copy->Db()), QStringLiteral("16"));
        QCOMPARE(refreshed, 2);
    }

    void dialogDeletesAllAfterConfirmation() {
        DeleteDialog dialog(copy->Db(), list->Api(), ScriptedAsker(), {});
        QVERIFY(dialog.selectedChoice()->isChecked());
        dialog.allChoice()->setChecked(true);
        answers = {kAnswerNo, kAnswerYes};
        dialog.DeleteChosen();
        QCOMPARE(Left(copy->Db()), QStringLiteral("123456"));
        dialog.DeleteChosen();
        QCOMPARE(Left(copy->Db()), QString());
        QCOMPARE(copy->Db().execAndGet("SELECT count(*) FROM dt_data1").getInt(), 0);
    }

    // The engine's refusal reaches the user in the general error display, in Chinese.
    void aLockedDatabaseIsSaidInChinese() {
        copy->Db().exec("PRAGMA busy_timeout = 50");
        auto other = tallwick::OpenExistingSqlite(copy->FilePath());
        other->exec("BEGIN IMMEDIATE");
        DeleteDialog dialog(copy->Db(), list->Api(), ScriptedAsker(), {});
        dialog.rangeChoice()->setChecked(true);
        dialog.lowBox()->setText(QStringLiteral("100000000002"));
        dialog.highBox()->setText(QStringLiteral("100000000002"));
        answers = {kAnswerYes};
        dialog.DeleteChosen();
        other->exec("ROLLBACK");
        QCOMPARE(Left(copy->Db()), QStringLiteral("123456"));
        QVERIFY2(messages.last().startsWith(QStringLiteral("运行中发生错误：无法使用数据库文件")),
                 qPrintable(messages.last()));
        QVERIFY(messages.last().contains(QStringLiteral("它正被另一个程序使用")));
    }
};

QTEST_MAIN(DeletionTest)
#include "deletion_test.moc"
