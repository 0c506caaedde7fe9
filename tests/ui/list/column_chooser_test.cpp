// The column chooser over a database copy: its pages and boxes, and what saving and closing do to
// the catalogue and the record list.
#include "list/column_chooser_dialog.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>

#include <QCheckBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace tallwick::ui;

class ColumnChooserTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy_;
    QStringList messages_;
    int saves_ = 0;

    SQLite::Database& Db() { return copy_->Db(); }

    std::unique_ptr<ColumnChooserDialog> MakeDialog(std::function<void()> onSaved = {}) {
        return std::make_unique<ColumnChooserDialog>(
            Db(),
            [this, onSaved] {
                ++saves_;
                if (onSaved) onSaved();
            },
            [this](const QString& text) { messages_ << text; });
    }

    int VisibleCount() {
        return Db().execAndGet("SELECT count(*) FROM DT_FieldList WHERE Visible").getInt();
    }

  private slots:
    void init() {
        copy_ = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        messages_.clear();
        saves_ = 0;
    }

    void cleanup() { copy_.reset(); }

    void onePagePerSheetWithTwoBoxesALine() {
        auto dialog = MakeDialog();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("自定义列表项"));
        QCOMPARE(dialog->size(), QSize(908, 636));
        QCOMPARE(dialog->SaveButton()->text(), QStringLiteral("确  定"));
        QCOMPARE(dialog->CloseButton()->text(), QStringLiteral("关  闭"));

        QTabWidget* pages = dialog->Pages();
        QCOMPARE(pages->tabPosition(), QTabWidget::South);
        QStringList sheets;
        SQLite::Statement names(Db(), "SELECT CodeName FROM ct_sheetName ORDER BY CodeID");
        while (names.executeStep())
            sheets << QString::fromStdString(names.getColumn(0).getString());
        QCOMPARE(pages->count(), 14);
        for (int p = 0; p < pages->count(); ++p) QCOMPARE(pages->tabText(p), sheets[p]);
        QCOMPARE(pages->tabText(0), QStringLiteral("封面"));

        // Every paged field once, and RecordState (no page) after the cover's fields.
        const auto& boxes = dialog->Boxes();
        QCOMPARE(int(boxes.size()), 250);
        QCOMPARE(boxes.front().first->text(), QStringLiteral("c901--本级工会统计编码"));
        QVERIFY(boxes.front().first->isChecked());
        QCOMPARE(boxes[7].first->text(), QStringLiteral("RecordState--数据状态"));
        QVERIFY(boxes[7].first->isChecked());
        QCOMPARE(boxes[8].first->text().left(6), QStringLiteral("z001--"));
        QVERIFY(!boxes[8].first->isChecked());

        // The cover's eight boxes in two columns; the first survey field opens page 1.
        const QRect expected[] = {{4, 6, 438, 35},    {442, 6, 438, 35},  {4, 36, 438, 35},
                                  {442, 36, 438, 35}, {4, 66, 438, 35},   {442, 66, 438, 35},
                                  {4, 96, 438, 35},   {442, 96, 438, 35}, {4, 6, 438, 35}};
        for (int k = 0; k < 9; ++k) QCOMPARE(boxes[k].first->geometry(), expected[k]);
        const auto pageOf = [&](QCheckBox* box) {
            for (int p = 0; p < pages->count(); ++p) {
                if (static_cast<QScrollArea*>(pages->widget(p))->widget() == box->parentWidget()) {
                    return p;
                }
            }
            return -1;
        };
        QCOMPARE(pageOf(boxes[7].first), 0);
        QCOMPARE(pageOf(boxes[8].first), 1);
        QCOMPARE(pageOf(boxes.back().first), 13);
        // The longest page scrolls rather than cutting off its last boxes.
        QVERIFY(boxes.back().first->parentWidget()->height() >=
                boxes.back().first->geometry().bottom());
    }

    void savingNothingLeavesTheListWithoutDataColumns() {
        RecordListModel model([this]() -> SQLite::Database& { return Db(); });
        RecordListView view(&model);
        model.Reload();
        QVERIFY(!view.isColumnHidden(0));

        auto dialog = MakeDialog([&] { model.Reload(); });
        for (const auto& [box, id] : dialog->Boxes()) box->setChecked(false);
        QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);

        QCOMPARE(messages_, QStringList{QStringLiteral("保存成功")});
        QVERIFY(!dialog->SaveButton()->isEnabled());
        QCOMPARE(VisibleCount(), 0);
        for (int c = 0; c < model.columnCount(); ++c) {
            QVERIFY(model.IsColumnHidden(c));
            QVERIFY(view.isColumnHidden(c));
        }

        // The record state column has a box of its own, so it can be shown again.
        auto again = MakeDialog([&] { model.Reload(); });
        QCheckBox* state = again->Boxes()[7].first;
        QCOMPARE(state->text(), QStringLiteral("RecordState--数据状态"));
        QVERIFY(!state->isChecked());
        state->setChecked(true);
        QTest::mouseClick(again->SaveButton(), Qt::LeftButton);
        int shown = -1;
        for (int c = 0; c < model.columnCount(); ++c) {
            if (!model.IsColumnHidden(c)) shown = c;
        }
        QVERIFY(shown >= 0);
        QCOMPARE(model.Columns()[shown].fieldName, std::string("RecordState"));
        QVERIFY(!view.isColumnHidden(shown));
    }

    void savingSetsTheCheckedFieldsAndClosingDropsChanges() {
        auto dialog = MakeDialog();
        for (const auto& [box, id] : dialog->Boxes()) box->setChecked(id == 2 || id == 9);
        QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
        QCOMPARE(saves_, 1);
        SQLite::Statement visible(Db(), "SELECT id FROM DT_FieldList WHERE Visible ORDER BY id");
        QList<int> ids;
        while (visible.executeStep()) ids << visible.getColumn(0).getInt();
        QCOMPARE(ids, (QList<int>{2, 9}));

        // A fresh opening shows what was saved; closing it forgets the changes made in it.
        auto second = MakeDialog();
        QVERIFY(second->Boxes()[1].first->isChecked());
        QVERIFY(!second->Boxes()[0].first->isChecked());
        for (const auto& [box, id] : second->Boxes()) box->setChecked(true);
        QTest::mouseClick(second->CloseButton(), Qt::LeftButton);
        QCOMPARE(second->result(), int(QDialog::Rejected));
        QCOMPARE(VisibleCount(), 2);
    }

    void failedSaveReportsAndCanBeRetried() {
        Db().exec(
            "CREATE TEMP TRIGGER refuse BEFORE UPDATE OF Visible ON DT_FieldList "
            "WHEN NEW.id = 3 AND NEW.Visible BEGIN SELECT RAISE(ABORT, 'refused'); END");
        const int before = VisibleCount();
        auto dialog = MakeDialog();
        QTest::mouseClick(dialog->SaveButton(), Qt::LeftButton);
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_.front().contains(QStringLiteral("refused")));
        QCOMPARE(saves_, 0);
        QVERIFY(dialog->SaveButton()->isEnabled());
        QCOMPARE(VisibleCount(), before);
    }
};

QTEST_MAIN(ColumnChooserTest)
#include "column_chooser_test.moc"
