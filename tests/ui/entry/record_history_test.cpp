// A record's change history as the entry window shows it: the button, the questions of the
// fields, newest first; and a screenshot of it over the window.
#include "entry/entry_number_box.h"
#include "entry/entry_window.h"
#include "entry/record_history_dialog.h"
#include "entry_window_rig.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "store/record_deletion.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tallwick::ui;

class RecordHistoryTest : public EntryWindowRig {
    Q_OBJECT

    QLineEdit* Edit(const char* field) {
        return static_cast<QLineEdit*>(window->Field(QString::fromLatin1(field)));
    }
    void Open(bool adding) {
        model->Reload();
        view->MoveToFirst();
        window->Begin(adding, *view);
    }

    // The rows of the dialog that the history button opens, as "operation|question|old|new".
    QStringList ShownHistory(const std::function<void(RecordHistoryDialog&)>& look = {}) {
        QStringList rows;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dialog = qobject_cast<RecordHistoryDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QTableWidget* table = dialog->Table();
            for (int row = 0; row < table->rowCount(); ++row) {
                QStringList cells;
                for (int column = 1; column < table->columnCount(); ++column)
                    cells << table->item(row, column)->text();
                rows << cells.join(QLatin1Char('|'));
            }
            if (look) look(*dialog);
            dialog->reject();
        });
        window->Button(QStringLiteral("tbHistory"))->click();
        return rows;
    }

  private slots:
    void init() {
        OpenEntryWindow([](SQLite::Database& db) { db.exec("DELETE FROM dt_logic"); });
        Prompts().message = [](const QString&) {};
    }
    void cleanup() { CloseEntryWindow(); }

    void theWindowShowsTheChangesNewestFirstUnderTheirQuestions() {
        Open(true);
        Edit("c901")->setText(QStringLiteral("100000000001"));
        Edit("c902")->setText(QStringLiteral("市总工会"));
        static_cast<EntryNumberBox*>(Edit("c903"))->setValue(110101);
        window->ApplyReportingState(1);
        Edit("c905")->setText(QStringLiteral("张三"));
        Edit("c906")->setText(QStringLiteral("01012345678"));
        QVERIFY(window->Hold());
        window->EndSession();

        Open(false);
        Edit("c902")->setText(QStringLiteral("区总工会"));
        static_cast<EntryNumberBox*>(Edit("z001"))->setValue(12);
        static_cast<EntryNumberBox*>(Edit("y001"))->setValue(3);
        QVERIFY(window->Save());

        const QStringList rows = ShownHistory();
        QCOMPARE(rows.size(), 3 + 7);  // the save, and the hold of the seven cover fields
        QCOMPARE(rows.mid(0, 3),
                 (QStringList{QStringLiteral("录入保存|本级工会名称|市总工会|区总工会"),
                              QStringLiteral("录入保存|本级工会专职工会干部|0|12"),
                              QStringLiteral("录入保存|帮扶中心及送温暖资金审计金额|0|3")}));
        QCOMPARE(rows[3], QStringLiteral("临时保存|本级工会统计编码||100000000001"));

        // Deleted and entered anew under the same code: the history goes on under the code.
        window->EndSession();
        tallwick::DeleteRecords(Db(), {100000000001});
        Open(true);
        Edit("c901")->setText(QStringLiteral("100000000001"));
        QCOMPARE(ShownHistory().front(), QStringLiteral("删除|（整条记录）||"));
    }

    void aRecordWithoutHistorySaysSo() {
        Db().exec(
            "INSERT INTO dt_data (c901, c902) VALUES (100000000001, '旧记录');"
            "INSERT INTO dt_data1 (c901) VALUES (100000000001)");
        Open(false);
        bool noted = false;
        ShownHistory([&](RecordHistoryDialog& dialog) {
            noted = dialog.Note()->isVisibleTo(&dialog) && dialog.Table()->rowCount() == 0;
        });
        QVERIFY(noted);
    }

    void screenshotOfAHistoryOverTheEntryWindow() {
        Open(true);
        Edit("c901")->setText(QStringLiteral("110108000001"));
        Edit("c902")->setText(QStringLiteral("海淀区总工会"));
        static_cast<EntryNumberBox*>(Edit("c903"))->setValue(110108);
        window->ApplyReportingState(1);
        Edit("c905")->setText(QStringLiteral("王芳"));
        Edit("c906")->setText(QStringLiteral("01062512345"));
        static_cast<EntryNumberBox*>(Edit("z001"))->setValue(15);
        QVERIFY(window->Hold());
        window->EndSession();
        Open(false);
        static_cast<EntryNumberBox*>(Edit("z001"))->setValue(18);
        static_cast<EntryNumberBox*>(Edit("z002"))->setValue(7);
        static_cast<EntryNumberBox*>(Edit("b018"))->setValue(12.5);
        QVERIFY(window->Save());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        bool saved = false;
        ShownHistory([&](RecordHistoryDialog& dialog) {
            QPixmap shot = window->grab();
            QPainter painter(&shot);
            const QPixmap over = dialog.grab();
            painter.fillRect(shot.rect(), QColor(0, 0, 0, 60));
            painter.drawPixmap((shot.width() - over.width()) / 2,
                               (shot.height() - over.height()) / 2, over);
            painter.end();
            saved = shot.save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/record_history.png"));
        });
        QVERIFY(saved);
    }
};

QTEST_MAIN(RecordHistoryTest)
#include "record_history_test.moc"
