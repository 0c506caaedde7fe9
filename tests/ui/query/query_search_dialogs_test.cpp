// The code range search and the locate dialog through their widgets, over a real record list.
#include "query/query_search_dialogs.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "test_support.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"

#include <SQLiteCpp/Statement.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tallwick::ui;

namespace {

constexpr double kFirstCode = 100000000001.0;

// Picks the entry `text` of a picker through its code pop-up, as a user would.
void Pick(CodePickerBox* box, const QString& text) {
    emit box->dropDownRequested();
    auto* menu = box->findChild<QMenu*>(QStringLiteral("CodePopupMenu"));
    QVERIFY(menu != nullptr);
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            menu->close();
            action->trigger();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no entry ") + text));
}

}  // namespace

class QuerySearchDialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy_;
    std::unique_ptr<RecordListModel> model_;
    std::unique_ptr<RecordListView> view_;
    QStringList messages_;

    SQLite::Database& Db() { return copy_->Db(); }

    double CurrentCode() {
        const int row = view_->CurrentRow();
        return row < 0 ? -1 : model_->CodeAt(row);
    }

  private slots:
    void init() {
        copy_ = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        // Five records; the fourth has no name.
        static const char* const kNames[] = {"北京市总工会", "天津市教育工会", "河北省总工会",
                                             nullptr, "山西省建设工会"};
        SQLite::Statement insert(Db(), "INSERT INTO dt_data (c901, c902) VALUES (?, ?)");
        for (int i = 0; i < 5; ++i) {
            insert.bind(1, kFirstCode + i);
            if (kNames[i] != nullptr) {
                insert.bind(2, kNames[i]);
            } else {
                insert.bind(2);
            }
            insert.exec();
            insert.reset();
        }
        model_ = std::make_unique<RecordListModel>(
            [this]() -> SQLite::Database& { return copy_->Db(); });
        view_ = std::make_unique<RecordListView>(model_.get());
        model_->Reload();
        view_->GoToRow(0);
        messages_.clear();
        Prompts().message = [this](const QString& text) { messages_ << text; };
    }

    void cleanup() {
        Prompts() = {};
        view_.reset();
        model_.reset();
        copy_.reset();
    }

    void codeRangeCondition_data() {
        QTest::addColumn<QString>("op1");
        QTest::addColumn<QString>("number1");
        QTest::addColumn<QString>("connector");
        QTest::addColumn<QString>("op2");
        QTest::addColumn<QString>("number2");
        QTest::addColumn<QString>("condition");  // empty: refused
        QTest::addColumn<QString>("message");

        QTest::newRow("both empty") << "="
                                    << ""
                                    << "和"
                                    << "="
                                    << " "
                                    << ""
                                    << "请至少输入一个条件";
        QTest::newRow("first only") << ">"
                                    << "100000000002"
                                    << "和"
                                    << "="
                                    << ""
                                    << "where c901>100000000002"
                                    << "";
        QTest::newRow("range with and") << ">="
                                        << "100000000000"
                                        << "和"
                                        << "<="
                                        << "100000000003"
                                        << "where c901>=100000000000 AND c901<=100000000003"
                                        << "";
        QTest::newRow("or joins") << "<"
                                  << "100000000002"
                                  << "或"
                                  << ">"
                                  << "100000000004"
                                  << "where c901<100000000002 OR c901>100000000004"
                                  << "";
        QTest::newRow("second alone uses its operator") << ">"
                                                        << ""
                                                        << "或"
                                                        << "<="
                                                        << "100000000003"
                                                        << "where c901<=100000000003"
                                                        << "";
        QTest::newRow("shortest form") << "="
                                       << "000000000007"
                                       << "和"
                                       << "="
                                       << ""
                                       << "where c901=7"
                                       << "";
    }

    void codeRangeCondition() {
        QFETCH(QString, op1);
        QFETCH(QString, number1);
        QFETCH(QString, connector);
        QFETCH(QString, op2);
        QFETCH(QString, number2);
        QFETCH(QString, condition);
        QFETCH(QString, message);

        QStringList conditions;
        CodeRangeSearchDialog dialog(
            *view_, [&](const std::string& text) { conditions << QString::fromStdString(text); });
        dialog.show();
        Pick(dialog.operator1Box(), op1);
        Pick(dialog.connectorBox(), connector);
        Pick(dialog.operator2Box(), op2);
        dialog.number1Box()->setText(number1);
        dialog.number2Box()->setText(number2);
        QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);

        QCOMPARE(conditions, condition.isEmpty() ? QStringList() : QStringList{condition});
        QCOMPARE(messages_, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(dialog.isVisible());
    }

    void codeRangePickersResetOnEveryShow() {
        CodeRangeSearchDialog dialog(*view_, {});
        dialog.show();
        Pick(dialog.operator1Box(), ">");
        Pick(dialog.connectorBox(), "或");
        Pick(dialog.operator2Box(), "<");
        QCOMPARE(dialog.operator1Box()->code(), 2);
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.operator1Box()->text(), QStringLiteral("="));
        QCOMPARE(dialog.operator1Box()->code(), 1);
        QCOMPARE(dialog.connectorBox()->text(), QStringLiteral("和"));
        QCOMPARE(dialog.connectorBox()->code(), 1);
        QCOMPARE(dialog.operator2Box()->text(), QStringLiteral("="));
        QCOMPARE(dialog.operator2Box()->code(), 1);
    }

    // Records deleted in the result list: the main list is re-read and stays on its record.
    void codeRangeRequeriesMainListOnItsRecord() {
        view_->GoToRow(2);
        CodeRangeSearchDialog dialog(*view_, [this](const std::string&) {
            Db().exec("DELETE FROM dt_data WHERE c901 IN (100000000001, 100000000002)");
        });
        dialog.show();
        dialog.number1Box()->setText(QStringLiteral("100000000001"));
        QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
        QCOMPARE(model_->RowCount(), 3);
        QCOMPARE(CurrentCode(), kFirstCode + 2);
    }

    void locate_data() {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("code");  // where the list ends up; 0: refused, list unmoved
        QTest::addColumn<QString>("message");

        QTest::newRow("code found") << false << "100000000004" << kFirstCode + 3 << "";
        QTest::newRow("eleven digits") << false << "10000000000" << 0.0 << "编码必须为12位";
        QTest::newRow("empty code") << false << "" << 0.0 << "编码必须为12位";
        QTest::newRow("code not in list")
            << false << "100000000099" << 0.0 << "没有找到满足条件的数据";
        QTest::newRow("name part") << true << "河北" << kFirstCode + 2 << "";
        QTest::newRow("name part trimmed") << true << " 建设 " << kFirstCode + 4 << "";
        QTest::newRow("no such name") << true << "西藏" << 0.0 << "没有找到满足条件的数据";
    }

    void locate() {
        QFETCH(bool, byName);
        QFETCH(QString, text);
        QFETCH(double, code);
        QFETCH(QString, message);

        LocateDialog dialog(Db(), *view_);
        dialog.show();
        QVERIFY(dialog.byCodeOption()->isChecked());
        (byName ? dialog.nameBox() : dialog.codeBox())->setText(text);
        QCOMPARE(dialog.byNameOption()->isChecked(), byName);
        QTest::mouseClick(dialog.locateButton(), Qt::LeftButton);

        QCOMPARE(messages_, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(CurrentCode(), code == 0.0 ? kFirstCode : code);
        QCOMPARE(dialog.isVisible(), code == 0.0);
        if (code != 0.0) QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void enterInEitherBoxLocates_data() {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("text");
        QTest::newRow("code") << false << "100000000004";
        QTest::newRow("name") << true << "建设";
    }
    void enterInEitherBoxLocates() {
        QFETCH(bool, byName);
        QFETCH(QString, text);
        LocateDialog dialog(Db(), *view_);
        dialog.show();
        QLineEdit* box = byName ? dialog.nameBox() : dialog.codeBox();
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(CurrentCode(), byName ? kFirstCode + 4 : kFirstCode + 3);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // The record the engine names may have been deleted since the list was read.
    void locateByNameOfRecordNotInList() {
        Db().exec("DELETE FROM dt_data WHERE c901 = 100000000003");
        Db().exec("INSERT INTO dt_data (c901, c902) VALUES (100000000050, '西藏自治区总工会')");
        LocateDialog dialog(Db(), *view_);
        dialog.show();
        dialog.nameBox()->setText(QStringLiteral("西藏"));
        dialog.Locate();
        QCOMPARE(messages_, QStringList{QStringLiteral("没有找到满足条件的数据")});
        QVERIFY(dialog.isVisible());
    }

    void locateByEmptyNameMovesToANamedRecord() {
        view_->GoToRow(3);
        LocateDialog dialog(Db(), *view_);
        dialog.show();
        dialog.byNameOption()->setChecked(true);
        dialog.Locate();
        QVERIFY(messages_.isEmpty());
        QVERIFY(CurrentCode() != kFirstCode + 3);
        QVERIFY(!dialog.isVisible());
    }

    void locateBoxesTyping() {
        LocateDialog dialog(Db(), *view_);
        dialog.show();
        QTest::keyClicks(dialog.nameBox(), QStringLiteral("a'b\"c`d"));
        QCOMPARE(dialog.nameBox()->text(), QStringLiteral("abcd"));
        QVERIFY(dialog.byNameOption()->isChecked());
        QTest::keyClicks(dialog.codeBox(), QStringLiteral("12x3456789012345"));
        QCOMPARE(dialog.codeBox()->text(), QStringLiteral("123456789012"));
        QVERIFY(dialog.byCodeOption()->isChecked());
    }
};

QTEST_MAIN(QuerySearchDialogsTest)
#include "query_search_dialogs_test.moc"
