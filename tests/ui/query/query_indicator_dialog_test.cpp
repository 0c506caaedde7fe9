// The indicator query and its indicator picker through their widgets, over the delivered
// catalogue and a real record list.
#include "query/query_indicator_dialog.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "test_support.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

using namespace tallwick::ui;

namespace {

void Pick(CodePickerBox* box, const QString& text) {
    if (text.isEmpty()) return;
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

// The codes of the indicator list, each shown with its question.
QString Codes(const QTableWidget* list) {
    QStringList codes;
    for (int row = 0; row < list->rowCount(); ++row)
        codes << list->item(row, 0)->text().section(QLatin1Char(' '), 0, 0);
    return codes.join(QLatin1Char(' '));
}

void ClickRow(QTableWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row, 0)).center());
}

}  // namespace

class QueryIndicatorDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy_;
    std::unique_ptr<RecordListModel> model_;
    std::unique_ptr<RecordListView> view_;
    QStringList messages_;

    SQLite::Database& Db() { return copy_->Db(); }

  private slots:
    void init() {
        copy_ = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        Db().exec(
            "INSERT INTO dt_data (c901, c902) VALUES (100000000001, 'a'), "
            "(100000000002, 'b'), (100000000003, 'c')");
        model_ = std::make_unique<RecordListModel>(
            [this]() -> SQLite::Database& { return copy_->Db(); });
        view_ = std::make_unique<RecordListView>(model_.get());
        model_->Reload();
        view_->GoToRow(1);
        messages_.clear();
        Prompts().message = [this](const QString& text) { messages_ << text; };
    }

    void cleanup() {
        Prompts() = {};
        view_.reset();
        model_.reset();
        copy_.reset();
    }

    void pickerFollowsTheSheet() {
        IndicatorPickerDialog picker(Db());
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QCOMPARE(picker.sheetList()->rowCount(), 14);
        QCOMPARE(picker.sheetList()->item(1, 0)->text(),
                 QStringLiteral("表1 工会组织建设及民主参与状况"));
        QCOMPARE(Codes(picker.indicatorList()), QStringLiteral("c901 c903 c904 c907"));
        QCOMPARE(picker.indicatorList()->item(0, 0)->text(),
                 QStringLiteral("c901 本级工会统计编码"));

        ClickRow(picker.sheetList(), 1);
        QCOMPARE(picker.indicatorList()->rowCount(), 18);
        QCOMPARE(picker.indicatorList()->item(0, 0)->text(),
                 QStringLiteral("z001 本级工会专职工会干部"));
        QTest::keyClick(picker.sheetList(), Qt::Key_Down);
        QVERIFY(picker.indicatorList()->item(0, 0)->text().startsWith(QStringLiteral("x001 ")));

        ClickRow(picker.indicatorList(), 2);
        QTest::mouseClick(picker.okButton(), Qt::LeftButton);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.Result(), QStringLiteral("x003"));
    }

    void pickerDoubleClickChooses() {
        IndicatorPickerDialog picker(Db());
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        const QPoint at =
            picker.indicatorList()->visualItemRect(picker.indicatorList()->item(1, 0)).center();
        QTest::mouseClick(picker.indicatorList()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(picker.indicatorList()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QVERIFY(picker.indicatorList()->item(1, 0)->text().startsWith(picker.Result() + " "));
    }

    // The picker opens modally from the indicator box; a cancel leaves the box as it was.
    void fieldBoxTakesThePickersChoice() {
        IndicatorQueryDialog dialog(Db(), *view_, {});
        dialog.show();
        const auto answer = [](bool ok) {
            QTimer::singleShot(0, [ok] {
                auto* picker =
                    qobject_cast<IndicatorPickerDialog*>(QApplication::activeModalWidget());
                QVERIFY(picker != nullptr);
                if (ok) {
                    picker->indicatorList()->setCurrentCell(3, 0);
                    picker->Choose();
                } else {
                    QTest::keyClick(picker, Qt::Key_Escape);
                }
            });
        };
        answer(true);
        emit dialog.fieldBox()->dropDownRequested();
        QCOMPARE(dialog.fieldBox()->text(), QStringLiteral("c907"));
        answer(false);
        emit dialog.fieldBox()->dropDownRequested();
        QCOMPARE(dialog.fieldBox()->text(), QStringLiteral("c907"));
    }

    void search_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("op1");
        QTest::addColumn<QString>("number1");
        QTest::addColumn<QString>("op2");
        QTest::addColumn<QString>("number2");
        QTest::addColumn<QString>("condition");  // empty: refused
        QTest::addColumn<QString>("message");

        QTest::newRow("no indicator") << ""
                                      << "="
                                      << "1"
                                      << ""
                                      << ""
                                      << ""
                                      << "请选择指标";
        QTest::newRow("no numbers") << "z001"
                                    << "="
                                    << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "请至少输入一个条件";
        QTest::newRow("c901 of eleven digits") << "c901"
                                               << "="
                                               << "10000000000"
                                               << ""
                                               << ""
                                               << ""
                                               << "c901必须为12位";
        QTest::newRow("c901 second of eleven digits") << "c901"
                                                      << ">"
                                                      << "100000000000"
                                                      << "<"
                                                      << "10000000000"
                                                      << ""
                                                      << "c901必须为12位";
        QTest::newRow("two comparisons") << "z001"
                                         << ">="
                                         << "10"
                                         << "<"
                                         << "50"
                                         << "where z001>=10 and z001<50"
                                         << "";
        QTest::newRow("equal to zero") << "z001"
                                       << "="
                                       << "0"
                                       << ""
                                       << ""
                                       << "where z001=0"
                                       << "";
        QTest::newRow("number without operator") << "z001"
                                                 << ""
                                                 << "5"
                                                 << ""
                                                 << ""
                                                 << ""
                                                 << "请选择第一个条件的比较符号";
        QTest::newRow("operator without number") << "z001"
                                                 << "="
                                                 << "5"
                                                 << ">"
                                                 << ""
                                                 << ""
                                                 << "请输入第二个条件的数值";
        QTest::newRow("second without first") << "z001"
                                              << ""
                                              << ""
                                              << ">"
                                              << "5"
                                              << ""
                                              << "请先输入第一个条件";
    }

    void search() {
        QFETCH(QString, field);
        QFETCH(QString, op1);
        QFETCH(QString, number1);
        QFETCH(QString, op2);
        QFETCH(QString, number2);
        QFETCH(QString, condition);
        QFETCH(QString, message);

        QStringList conditions;
        IndicatorQueryDialog dialog(Db(), *view_, [&](const std::string& text) {
            conditions << QString::fromStdString(text);
        });
        dialog.show();
        dialog.fieldBox()->setText(field);
        Pick(dialog.operator1Box(), op1);
        Pick(dialog.operator2Box(), op2);
        dialog.number1Box()->setText(number1);
        dialog.number2Box()->setText(number2);
        QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);

        QCOMPARE(conditions, condition.isEmpty() ? QStringList() : QStringList{condition});
        QCOMPARE(messages_, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(dialog.isVisible());
    }

    void numberBoxesTakeDigitsOnly() {
        IndicatorQueryDialog dialog(Db(), *view_, {});
        dialog.show();
        QTest::keyClicks(dialog.number1Box(), QStringLiteral("1a2-3 4"));
        QCOMPARE(dialog.number1Box()->text(), QStringLiteral("1234"));
        QCOMPARE(dialog.operator1Box()->code(), CodePickerBox::kNoCode);
        QCOMPARE(dialog.operator2Box()->code(), CodePickerBox::kNoCode);
    }

    // The result list failing to open shows its error; a list that deleted records leaves the
    // main list re-read on the record it was on.
    void resultListOutcome() {
        IndicatorQueryDialog failing(Db(), *view_, [](const std::string&) {
            throw std::runtime_error("no such column: z999");
        });
        failing.show();
        failing.fieldBox()->setText(QStringLiteral("z999"));
        Pick(failing.operator1Box(), QStringLiteral("="));
        failing.number1Box()->setText(QStringLiteral("1"));
        failing.Search();
        QCOMPARE(messages_, QStringList{QStringLiteral("no such column: z999")});
        QVERIFY(failing.isVisible());

        IndicatorQueryDialog deleting(Db(), *view_, [this](const std::string&) {
            Db().exec("DELETE FROM dt_data WHERE c901 = 100000000001");
        });
        deleting.fieldBox()->setText(QStringLiteral("z001"));
        Pick(deleting.operator1Box(), QStringLiteral("="));
        deleting.number1Box()->setText(QStringLiteral("0"));
        deleting.Search();
        QCOMPARE(model_->RowCount(), 2);
        QCOMPARE(model_->CodeAt(view_->CurrentRow()), 100000000002.0);
    }
};

QTEST_MAIN(QueryIndicatorDialogTest)
#include "query_indicator_dialog_test.moc"
