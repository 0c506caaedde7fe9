// The summary dialog: the table list and its file, the grouping choice and a run to a workbook.
#include "summary/summary_dialog.h"
#include "record_generator.h"
#include "summary/groupings.h"
#include "summary/table_list.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/two_bar_progress_window.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <memory>

using namespace tallwick::ui;
namespace summary = tallwick::summary;
namespace fs = std::filesystem;

class SummaryDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> documents;
    QStringList messages;
    QStringList opened;

    std::unique_ptr<SummaryDialog> Open(TProgressBar2LineForm* progress = nullptr) {
        auto dialog = std::make_unique<SummaryDialog>(copy->Db(), copy->Folder(), progress);
        dialog->outputFolder = QString::fromStdString(documents->Path().string());
        return dialog;
    }

    static QList<int> TickedRows(const SummaryDialog& dialog) {
        QList<int> rows;
        for (int row = 0; row < dialog.tableList()->count(); ++row)
            if (dialog.tableList()->item(row)->checkState() == Qt::Checked) rows << row;
        return rows;
    }

    static void Tick(SummaryDialog& dialog, std::initializer_list<int> rows) {
        for (int row : rows) dialog.tableList()->item(row)->setCheckState(Qt::Checked);
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        documents = std::make_unique<tallwick::test::TempFolder>();
        for (const char* name : {summary::kSummaryTemplateName, summary::kTableListFileName})
            fs::copy_file(fs::path(TALLWICK_BUILD_DIR "/bin") / name, copy->Folder() / name);
        messages.clear();
        opened.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().openFile = [this](const QString& path) { opened << path; };
    }
    void cleanup() { Prompts() = {}; }

    void opensWithTheDeliveredListUnticked() {
        auto dialog = Open();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("数据分类汇总"));
        QCOMPARE(dialog->tableList()->count(), 40);
        QVERIFY(TickedRows(*dialog).isEmpty());
        QVERIFY(!(dialog->tableList()->item(1)->flags() & Qt::ItemIsEnabled));
        QVERIFY(dialog->levelChoice()->isChecked());
        QVERIFY(!dialog->customChoice()->isEnabled());  // no groupings yet
        QVERIFY(!dialog->groupButton()->isEnabled());
    }

    void tickButtonsAndGroupDoubleClick() {
        auto dialog = Open();
        dialog->show();
        QListWidget* list = dialog->tableList();
        // Line 6 heads 表二: its two tables, not the next group's.
        list->scrollToItem(list->item(5));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                           list->visualItemRect(list->item(5)).center());
        QCOMPARE(TickedRows(*dialog), (QList<int>{6, 7}));

        dialog->TickGroupOf(38);  // the last group runs to the end of the list
        QCOMPARE(TickedRows(*dialog), (QList<int>{6, 7, 39}));
        dialog->TickGroupOf(6);  // a table line is no group
        QCOMPARE(TickedRows(*dialog).size(), 3);

        dialog->SetAllTicks(true);
        QCOMPARE(TickedRows(*dialog).size(), 40);
        dialog->SetAllTicks(false);
        QVERIFY(TickedRows(*dialog).isEmpty());
    }

    void ticksSurviveClosingThroughTheListFile() {
        {
            auto dialog = Open();
            Tick(*dialog, {0, 2, 39});
            dialog->tableList()->item(3)->setCheckState(Qt::PartiallyChecked);
            dialog->reject();
        }
        const auto stored = summary::ReadTableList(copy->Folder() / summary::kTableListFileName);
        QCOMPARE(stored.size(), std::size_t{40});
        QCOMPARE(stored[2].tick, 1);
        QCOMPARE(stored[3].tick, 2);
        QCOMPARE(stored[1].enabled, false);
        QCOMPARE(stored[1].text, summary::DefaultTableList()[1].text);

        auto again = Open();
        QCOMPARE(TickedRows(*again), (QList<int>{0, 2, 39}));
        QCOMPARE(again->tableList()->item(3)->checkState(), Qt::PartiallyChecked);
    }

    void onlyTheCoverTickedIsRefused() {
        TProgressBar2LineForm progress;
        auto dialog = Open(&progress);
        dialog->sumButton()->click();  // nothing ticked: nothing happens
        Tick(*dialog, {0, 1});         // a ticked group line does not count
        dialog->sumButton()->click();
        QCOMPARE(messages, QStringList{QStringLiteral("除去封面，请至少选择一个表格进行汇总")});
        QVERIFY(opened.isEmpty());
        QVERIFY(QDir(dialog->outputFolder).isEmpty());
        QVERIFY(!progress.isVisible());
    }

    void runByLevelSavesAndOpensTheWorkbook() {
        tallwick::bench::GenerateRecords(copy->Db(), 5);
        TProgressBar2LineForm progress;
        auto dialog = Open(&progress);
        Tick(*dialog, {0, 2});
        dialog->sumButton()->click();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first(), dialog->LastWorkbook());
        const QFileInfo saved(opened.first());
        QVERIFY(saved.isFile());
        QVERIFY(saved.size() > 0);
        QCOMPARE(saved.absolutePath(), QDir(dialog->outputFolder).absolutePath());
        QVERIFY(saved.fileName().endsWith(QStringLiteral(".xlsx")));
        QVERIFY(!progress.isVisible());
        // One step per ticked sheet on the first bar, one per cell of the last sheet below.
        const auto* sheets = progress.findChild<QProgressBar*>(QStringLiteral("firstBar"));
        const auto* cells = progress.findChild<QProgressBar*>(QStringLiteral("secondBar"));
        QCOMPARE(sheets->maximum(), 2);
        QCOMPARE(sheets->value(), 2);
        QVERIFY(cells->maximum() > 1);
        QCOMPARE(cells->value(), cells->maximum());

        // A second run within the same second keeps the first workbook.
        dialog->sumButton()->click();
        QCOMPARE(opened.size(), 2);
        QVERIFY(opened[1] != opened[0]);
        QVERIFY(QFileInfo(opened[0]).isFile() && QFileInfo(opened[1]).isFile());
    }

    void customGroupingMenuAndRun() {
        const auto empty = summary::AddGrouping(copy->Db(), "空组");
        const auto used = summary::AddGrouping(copy->Db(), "按编号");
        summary::GroupItemRow item;
        item.title = "全部";
        item.high = 999999999999999;
        summary::AddGroupItem(copy->Db(), used, item);

        auto dialog = Open();
        QVERIFY(dialog->customChoice()->isEnabled());
        QCOMPARE(dialog->selectedGroupId(), empty);  // the first one, even without items
        QCOMPARE(dialog->groupButton()->text(), QStringLiteral("空组"));
        const auto actions = dialog->groupButton()->menu()->actions();
        QCOMPARE(actions.size(), 2);
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isEnabled());

        QVERIFY(dialog->levelChoice()->isChecked());
        actions[1]->trigger();
        QCOMPARE(dialog->selectedGroupId(), used);
        QCOMPARE(dialog->groupButton()->text(), QStringLiteral("按编号"));
        dialog->groupButton()->click();
        QVERIFY(dialog->customChoice()->isChecked());

        Tick(*dialog, {2});
        dialog->RunSummary();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QCOMPARE(opened.size(), 1);
    }

    void missingTemplateIsReported() {
        fs::remove(copy->Folder() / summary::kSummaryTemplateName);
        auto dialog = Open();
        Tick(*dialog, {2});
        dialog->RunSummary();
        QCOMPARE(messages, QStringList{QString::fromUtf8(summary::kTemplateOpenFailed)});
        QVERIFY(opened.isEmpty());
    }

    void screenshot() {
        summary::AddGrouping(copy->Db(), "按单位编号");
        auto dialog = Open();
        Tick(*dialog, {0, 2, 3, 4});
        dialog->show();
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(dialog->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/summary_dialog.png")));
    }
};

QTEST_MAIN(SummaryDialogTest)
#include "summary_dialog_test.moc"
