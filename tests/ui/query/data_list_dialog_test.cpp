// The data list dialog: its table list file, the three scopes and their refusals, and runs that
// write workbooks, read back cell by cell.
#include "query/data_list_dialog.h"
#include "query/data_list.h"
#include "query/export_messages.h"
#include "record_generator.h"
#include "settings/registry.h"
#include "sheet/workbook.h"
#include "sheet/worksheet.h"
#include "summary/groupings.h"
#include "summary/table_list.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

using namespace tallwick::ui;
namespace query = tallwick::query;
namespace summary = tallwick::summary;
namespace fs = std::filesystem;

class DataListDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> documents;
    std::unique_ptr<Registry> registry;
    QStringList messages;
    QStringList suggested;
    QString answer;  // what the save dialog returns

    std::unique_ptr<DataListDialog> Open(TProgressBarForm* progress = nullptr) {
        auto dialog = std::make_unique<DataListDialog>(
            copy->Db(), copy->Folder(), QStringLiteral("测试库"), *registry, progress);
        dialog->askFileName = [this](const QString& name) {
            suggested << name;
            return answer;
        };
        return dialog;
    }

    QString Output(const char* name) const {
        return QString::fromStdString((documents->Path() / name).string());
    }

    static void Tick(DataListDialog& dialog, std::initializer_list<int> lines) {
        for (const int line : lines) dialog.tableList()->item(line - 1)->setCheckState(Qt::Checked);
    }

    static bool IsIdle(const DataListDialog& dialog) {
        return dialog.allRecordsChoice()->isEnabled() && dialog.rangeChoice()->isEnabled() &&
               dialog.exportButton()->isEnabled() && dialog.backButton()->isEnabled();
    }

    // Row 3 of the only sheet, up to the first empty cell, and the number of record rows.
    struct Written {
        std::string sheetName;
        QStringList headers;
        QStringList codes;  // column A from row 5
        std::string lastHeaderValue;
    };
    static Written ReadBack(const QString& path) {
        auto book = tallwick::sheet::Workbook::OpenTemplate(path.toStdString());
        auto sheet = book.Sheet(1);
        Written written{sheet.Name(), {}, {}, {}};
        for (int column = 1; !sheet.ReadText(3, column).empty(); ++column)
            written.headers << QString::fromStdString(sheet.ReadText(3, column));
        for (int row = 5; !sheet.ReadText(row, 1).empty(); ++row)
            written.codes << QString::fromStdString(sheet.ReadText(row, 1));
        if (!written.headers.isEmpty())
            written.lastHeaderValue = sheet.ReadText(5, static_cast<int>(written.headers.size()));
        return written;
    }

    std::int64_t AddItem(std::int64_t group, const char* title, std::int64_t low,
                         const char* lowSymbol, std::int64_t high, const char* highSymbol) {
        summary::GroupItemRow item;
        item.title = title;
        item.low = low;
        item.lowSymbol = lowSymbol;
        item.high = high;
        item.highSymbol = highSymbol;
        return summary::AddGroupItem(copy->Db(), group, item);
    }

    static const QStringList& Cover() {
        static const QStringList cover = {QStringLiteral("c901"), QStringLiteral("c902"),
                                          QStringLiteral("c903"), QStringLiteral("c904"),
                                          QStringLiteral("c905"), QStringLiteral("c906"),
                                          QStringLiteral("c907"), QStringLiteral("RecordState")};
        return cover;
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        documents = std::make_unique<tallwick::test::TempFolder>();
        registry = std::make_unique<Registry>(
            QString::fromStdString((documents->Path() / "settings.ini").string()));
        fs::copy_file(fs::path(TALLWICK_BUILD_DIR "/bin") / query::kDataListTableFileName,
                      copy->Folder() / query::kDataListTableFileName);
        messages.clear();
        suggested.clear();
        answer = Output("list");
        Prompts().message = [this](const QString& text) { messages << text; };
    }
    void cleanup() { Prompts() = {}; }

    void opensWithTheDeliveredListAndNoItems() {
        auto dialog = Open();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("选择导出数据的方式"));
        QCOMPARE(dialog->tableList()->count(), 13);
        for (int row = 0; row < 13; ++row) {
            QCOMPARE(dialog->tableList()->item(row)->text(),
                     QString::fromUtf8(query::kDataListTables[static_cast<std::size_t>(row)].text));
            QCOMPARE(dialog->tableList()->item(row)->checkState(), Qt::Unchecked);
        }
        QVERIFY(dialog->allRecordsChoice()->isChecked());
        QVERIFY(!dialog->groupChoice()->isEnabled());
        QVERIFY(!dialog->groupButton()->isEnabled());
        QCOMPARE(dialog->groupButton()->text(), QStringLiteral("     选择自定义分组"));
        QVERIFY(!dialog->selectedItemId());
    }

    void ticksAreReadButNeverWrittenAndCheckBox1IsStored() {
        const fs::path file = copy->Folder() / query::kDataListTableFileName;
        summary::WriteTableList(file, {{"x", true, 1}, {"x", false, 0}, {"x", true, 2}});
        const auto before = fs::last_write_time(file);
        const auto size = fs::file_size(file);
        {
            auto dialog = Open();
            QListWidget* list = dialog->tableList();
            QCOMPARE(list->item(0)->checkState(), Qt::Checked);
            QVERIFY(!(list->item(1)->flags() & Qt::ItemIsEnabled));
            QCOMPARE(list->item(2)->checkState(), Qt::PartiallyChecked);
            QCOMPARE(list->item(12)->checkState(), Qt::Unchecked);  // beyond the file's lines
            QCOMPARE(list->item(0)->text(), QString::fromUtf8(query::kDataListTables[0].text));
            list->item(5)->setCheckState(Qt::Checked);
            dialog->backButton()->click();
        }
        QCOMPARE(fs::file_size(file), size);
        QCOMPARE(fs::last_write_time(file), before);
        QCOMPARE(registry->ReadRegInteger(QStringLiteral("CheckBox1"), -1,
                                          RegistryRoot::LocalMachine, kDataKey),
                 0);
    }

    void nothingTickedExportsTheCoverColumns() {
        tallwick::bench::GenerateRecords(copy->Db(), 3);
        TProgressBarForm progress;
        auto dialog = Open(&progress);
        dialog->exportButton()->click();
        const QString written = Output("list.xlsx");
        QCOMPARE(messages, QStringList{QString::fromStdString(
                               query::WorkbookExportedMessage(fs::path(written.toStdString())))});
        QCOMPARE(dialog->LastWorkbook(), written);
        QCOMPARE(suggested.size(), 1);
        QVERIFY(suggested[0].startsWith(QStringLiteral("测试库数据列表-")));
        QVERIFY(!progress.isVisible());
        QCOMPARE(progress.Done(), 3);
        QCOMPARE(progress.windowTitle(), QStringLiteral("数据导出...100%"));
        QVERIFY(IsIdle(*dialog));

        const Written book = ReadBack(written);
        QCOMPARE(book.sheetName, std::string("测试库数据列表"));
        QCOMPARE(book.headers, Cover());
        QCOMPARE(book.codes,
                 (QStringList{QStringLiteral("100000000001"), QStringLiteral("100000000008"),
                              QStringLiteral("100000000015")}));
    }

    void yTableGoesIntoTheSecondSetBesideTheFirst() {
        tallwick::bench::GenerateRecords(copy->Db(), 2);
        copy->Db().exec("UPDATE dt_data1 SET y012 = 7 WHERE c901 = 100000000001");
        auto dialog = Open();
        Tick(*dialog, {1, 13});
        dialog->Export();
        QVERIFY2(messages.size() == 1 && messages[0].contains(QStringLiteral("list.xlsx")),
                 qPrintable(messages.join(QLatin1Char('\n'))));
        const Written book = ReadBack(dialog->LastWorkbook());
        QCOMPARE(book.sheetName, std::string("测试库数据列表1"));
        QCOMPARE(book.headers.mid(0, 8), Cover());
        QCOMPARE(book.headers[8], QStringLiteral("z001"));
        QCOMPARE(book.headers.mid(book.headers.size() - 12).first(), QStringLiteral("y001"));
        QCOMPARE(book.headers.last(), QStringLiteral("y012"));
        QCOMPARE(book.headers.count(QStringLiteral("c901")),
                 1);  // the second set's code is left out
        QCOMPARE(book.codes.size(), 2);
        QCOMPARE(book.lastHeaderValue, std::string("7"));  // the y values sit under their titles
    }

    void rangeRefusalsLeaveTheDialogUsable_data() {
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::newRow("empty upper") << QStringLiteral("100000000001") << QString();
        QTest::newRow("empty lower") << QString() << QStringLiteral("100000000001");
        QTest::newRow("zero lower") << QStringLiteral("0") << QStringLiteral("100000000001");
        QTest::newRow("zero upper") << QStringLiteral("5") << QStringLiteral("000");
    }
    void rangeRefusalsLeaveTheDialogUsable() {
        QFETCH(QString, low);
        QFETCH(QString, high);
        tallwick::bench::GenerateRecords(copy->Db(), 1);
        auto dialog = Open();
        dialog->rangeChoice()->setChecked(true);
        dialog->lowBox()->setText(low);
        dialog->highBox()->setText(high);
        dialog->exportButton()->click();
        QCOMPARE(messages, QStringList{QStringLiteral("请输入单位编号的范围")});
        QVERIFY(suggested.isEmpty());
        QVERIFY(IsIdle(*dialog));
        QVERIFY(!QFileInfo::exists(Output("list.xlsx")));
    }

    void rangeBoxesTakeDigitsOnlyAndAReversedRangeIsOneCode() {
        tallwick::bench::GenerateRecords(copy->Db(), 4);
        auto dialog = Open();
        dialog->show();
        QTest::keyClicks(dialog->lowBox(), QStringLiteral("1a0-0000000008"));
        QCOMPARE(dialog->lowBox()->text(), QStringLiteral("100000000008"));
        dialog->highBox()->setText(QStringLiteral("5"));
        dialog->rangeChoice()->setChecked(true);
        dialog->Export();
        QCOMPARE(dialog->highBox()->text(), QStringLiteral("100000000008"));
        QCOMPARE(ReadBack(dialog->LastWorkbook()).codes,
                 QStringList{QStringLiteral("100000000008")});
    }

    void groupItemScopeUsesTheChosenItemsBounds() {
        tallwick::bench::GenerateRecords(copy->Db(), 5);
        const auto group = summary::AddGrouping(copy->Db(), "按编号");
        const auto first = AddItem(group, "前段", 100000000001, ">", 100000000015, "<=");
        const auto broken = AddItem(group, "无下限", 0, ">=", 100000000015, "<");
        const auto second = AddItem(group, "后段", 100000000015, ">=", 100000000029, "<=");

        auto dialog = Open();
        QVERIFY(dialog->groupChoice()->isEnabled());
        QCOMPARE(dialog->selectedItemId(), std::optional<std::int64_t>(first));
        QCOMPARE(dialog->groupButton()->text(), QStringLiteral("前段"));
        const auto actions = dialog->groupButton()->menu()->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[2]->text(), QStringLiteral("后段"));
        dialog->groupButton()->click();
        QVERIFY(dialog->groupChoice()->isChecked());

        dialog->Export();
        QCOMPARE(ReadBack(dialog->LastWorkbook()).codes,
                 (QStringList{QStringLiteral("100000000008"), QStringLiteral("100000000015")}));

        actions[2]->trigger();
        QCOMPARE(dialog->selectedItemId(), std::optional<std::int64_t>(second));
        QCOMPARE(dialog->groupButton()->text(), QStringLiteral("后段"));
        answer = Output("second");
        dialog->Export();
        QCOMPARE(ReadBack(dialog->LastWorkbook()).codes,
                 (QStringList{QStringLiteral("100000000015"), QStringLiteral("100000000022"),
                              QStringLiteral("100000000029")}));

        actions[1]->trigger();
        QCOMPARE(dialog->selectedItemId(), std::optional<std::int64_t>(broken));
        messages.clear();
        suggested.clear();
        dialog->Export();
        QCOMPARE(messages, QStringList{QStringLiteral("自定义分组不正确")});
        QVERIFY(suggested.isEmpty());
        QVERIFY(IsIdle(*dialog));
        QVERIFY(dialog->groupChoice()->isEnabled());
    }

    void emptyListIsRefusedAndCancelWritesNothing() {
        auto dialog = Open();
        dialog->Export();
        QCOMPARE(messages,
                 QStringList{QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！")});
        QVERIFY(suggested.isEmpty());

        tallwick::bench::GenerateRecords(copy->Db(), 1);
        messages.clear();
        answer = QStringLiteral("   ");
        dialog->Export();
        QCOMPARE(suggested.size(), 1);
        QVERIFY(messages.isEmpty());
        QVERIFY(dialog->LastWorkbook().isEmpty());
        QVERIFY(IsIdle(*dialog));
    }

    void screenshot() {
        const auto group = summary::AddGrouping(copy->Db(), "按编号");
        AddItem(group, "前段", 100000000001, ">=", 100000000100, "<");
        auto dialog = Open();
        Tick(*dialog, {1, 2, 13});
        dialog->show();
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        QVERIFY(dialog->grab().save(
            QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/data_list_dialog.png")));
    }
};

QTEST_MAIN(DataListDialogTest)
#include "data_list_dialog_test.moc"
