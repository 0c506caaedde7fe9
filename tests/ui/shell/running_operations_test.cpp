// While an operation that reads or changes records runs, nothing opens, saves or deletes a record
// and no second operation starts: one table over every long operation of the program.
#include "check/check_dialog.h"
#include "entry/edit_journal_keeper.h"
#include "entry/entry_window.h"
#include "exchange/backup.h"
#include "exchange/exchange_commands.h"
#include "exchange/restore_dialog.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "query/data_list_dialog.h"
#include "query/query_result_list.h"
#include "record_generator.h"
#include "shell/main_window.h"
#include "summary/group_list_dialog.h"
#include "summary/summary_dialog.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"
#include "widgets/running_operation.h"
#include "widgets/two_bar_progress_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace tallwick::ui;
namespace fs = std::filesystem;

class RunningOperationsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> settingsFolder;
    std::unique_ptr<tallwick::test::TempFolder> output;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<MainWindow> window;
    QStringList messages;
    QStringList opened;    // windows that opened while the operation ran
    QStringList problems;  // what the probe found wrong
    QStringList refusals;
    bool probed = false;
    QString chosenFile;  // what the file dialogs of the exchange commands answer

    SQLite::Database& Db() { return window->Connection().Db(); }

    QString Output(const char* name) const {
        return QString::fromStdString((output->Path() / name).string());
    }

    // Runs one attempt; a modal window that it opens is noted and closed again.
    void Attempt(const std::function<void()>& attempt) {
        QWidget* before = QApplication::activeModalWidget();
        QTimer::singleShot(0, this, [this, before] {
            QWidget* now = QApplication::activeModalWidget();
            if (now == nullptr || now == before) return;
            opened << QString::fromLatin1(now->metaObject()->className());
            now->close();
        });
        attempt();
        QApplication::processEvents();
    }

    // The moment the operation runs: open, save and delete a record, start other operations.
    void Probe() {
        if (probed) return;
        probed = true;
        const int before = static_cast<int>(messages.size());
        Attempt([this] { window->ModifyRecord(); });
        Attempt([this] { window->AddRecords(); });

        EntryWindow& entry = window->Entry();
        entry.Begin(false, window->List());
        const double code = entry.LoadedCode();
        qobject_cast<QLineEdit*>(entry.Field(QStringLiteral("c905")))
            ->setText(QStringLiteral("运行中改动"));
        if (entry.Save()) problems << QStringLiteral("saved");
        entry.EndSession();
        entry.Journal().Clear();
        SQLite::Statement filler(Db(), "SELECT count(*) FROM dt_data WHERE c901 = ? AND c905 = ?");
        filler.bind(1, code);
        filler.bind(2, "运行中改动");
        if (filler.executeStep() && filler.getColumn(0).getInt() != 0)
            problems << QStringLiteral("the change was stored");

        Attempt([this] { window->DeleteRecords(); });
        const MainActions& a = window->Actions();
        for (QAction* action : {a.addNew, a.modify, a.remove, a.check, a.checkSelected, a.sum,
                                a.group, a.saveList, a.print, a.fastImport, a.backup,
                                a.exportOffline, a.exportNetwork, a.compress, a.restore}) {
            if (action->isEnabled()) problems << QStringLiteral("enabled: ") + action->text();
            Attempt([action] { action->trigger(); });
        }
        refusals = messages.mid(before);
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        settingsFolder = std::make_unique<tallwick::test::TempFolder>();
        output = std::make_unique<tallwick::test::TempFolder>();
        registry = std::make_unique<Registry>(
            QString::fromStdString((settingsFolder->Path() / "t.ini").string()));
        for (const char* name : {"2018打印表.xltx", "2018基层以上汇总表.xltx", "sumtable.qd",
                                 "exporttable.qd", "view.dll"})
            fs::copy_file(fs::path(TALLWICK_BUILD_DIR "/bin") / name, copy->Folder() / name);
        tallwick::bench::GenerateRecords(copy->Db(), 40);
        copy->Db().exec("UPDATE dt_data SET RecordState = 1");  // the exports take only these
        copy->CloseDb();
        messages.clear();
        opened.clear();
        problems.clear();
        refusals.clear();
        probed = false;
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().openFile = [](const QString&) {};
        Prompts().confirmWarning = [](const QString&) { return true; };
        setenv("TEMP", output->Path().c_str(), 1);
        setenv("HOME", output->Path().c_str(), 1);  // the documents folder of printing
        auto startup = RunStartup(*registry, copy->Folder(),
                                  [this](const QString& text) { messages << text; });
        window = std::make_unique<MainWindow>(std::move(startup), *registry);
        window->Entry().askToSave = [](const QString&) { return false; };
    }
    void cleanup() {
        window.reset();
        Prompts() = {};
        unsetenv("TEMP");
    }

    void nothingStartsUnderARunningOperation_data() {
        QTest::addColumn<QString>("operation");
        for (const char* operation :
             {"summary", "result list workbook", "result list database", "network report",
              "offline package", "import", "data list", "check run", "printing", "restore",
              "group export", "group import", "backup"})
            QTest::newRow(operation) << QString::fromLatin1(operation);
    }
    void nothingStartsUnderARunningOperation() {
        QFETCH(QString, operation);
        // Whenever a progress window is up, the operation behind it is running.
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [this] {
            if (window->Progress().isVisible() || window->TwoBarProgress().isVisible()) Probe();
        });
        watch.start(0);
        // The exchange commands' own dialogs, answered as a user would.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                files->selectFile(chosenFile);
                static_cast<QDialog*>(files)->accept();
            } else if (auto* input = qobject_cast<QInputDialog*>(modal)) {
                input->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
            }
        });
        answer.start(10);

        const fs::path folder = window->Connection().CurrentDatabasePath().parent_path();
        const ExchangeContext exchange{
            window.get(),        &Db(), folder, QStringLiteral("测试单位"),
            &window->Progress(), [] {}, {}};
        if (operation == "summary") {
            SummaryDialog dialog(Db(), folder, &window->TwoBarProgress(), window.get());
            dialog.outputFolder = Output("");
            dialog.SetAllTicks(true);
            dialog.RunSummary();
        } else if (operation.startsWith("result list")) {
            QueryResultList list([this]() -> SQLite::Database& { return Db(); }, window->Entry(),
                                 &window->Progress(), window.get());
            list.SetCondition("where z001>=0");
            list.askFileName = [this](const QString&, const QString&, const QString& extension) {
                return Output("result") + extension;
            };
            if (operation.endsWith("workbook"))
                list.SaveAsWorkbook();
            else
                list.SaveAsDatabase();
        } else if (operation == "network report") {
            chosenFile = Output("network.dat");
            ExportNetworkReport(exchange);
        } else if (operation == "backup") {
            chosenFile = Output("backup.mdb");
            BackupDatabaseCommand(exchange);
        } else if (operation == "offline package") {
            chosenFile = Output("package.dat");
            ExportOfflinePackage(exchange);
        } else if (operation == "import") {
            tallwick::test::DeliveredDatabaseCopy other;
            tallwick::bench::GenerateRecords(other.Db(), 30, 7);
            other.Db().exec(
                "UPDATE dt_data SET c901 = c901 + 1; UPDATE dt_data1 SET c901 = c901 + 1");
            other.CloseDb();
            chosenFile = QString::fromStdString(other.FilePath().string());
            ImportDataFileCommand(exchange);
        } else if (operation == "data list") {
            DataListDialog dialog(Db(), folder, QStringLiteral("默认数据库"), *registry,
                                  &window->Progress(), window.get());
            dialog.askFileName = [this](const QString&) { return Output("list"); };
            dialog.tableList()->item(0)->setCheckState(Qt::Checked);
            dialog.Export();
        } else if (operation == "check run") {
            CheckDialog dialog(Db(), "默认数据库", {}, {}, window.get());
            dialog.allChoice()->setChecked(true);
            dialog.afterRecord = [this](std::uint64_t done) {
                if (done == 2) Probe();
            };
            dialog.checkButton()->click();
        } else if (operation == "printing") {
            window->List().GoToRow(3);
            window->PrintCurrentRecord();
        } else if (operation == "restore") {
            const fs::path backup = output->Path() / "backup.mdb";
            tallwick::exchange::BackupDatabase(Db(), backup);
            // The replaced database's callback is the last moment of the restore.
            RestoreDialog dialog(
                window->Connection(), *registry, [this] { Probe(); }, window.get());
            QVERIFY(dialog.RestoreFile(backup));
        } else if (operation.startsWith("group")) {
            const QString file = Output("groups.mdb");
            GroupListDialog dialog(Db(), folder, &window->Progress(), window.get());
            dialog.askExportFile = [file] { return file; };
            dialog.askImportFile = [file] { return file; };
            if (operation == "group import") {
                dialog.ExportGroupings();
                probed = false;  // the export's probe is another row's
                refusals.clear();
                problems.clear();
                opened.clear();
                dialog.ImportGroupings();
            } else {
                dialog.ExportGroupings();
            }
        }
        watch.stop();
        answer.stop();

        QVERIFY2(probed, qPrintable(messages.join(" | ")));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(" | ")));
        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(" | ")));
        // Open, add, save and delete were each refused with a word; the commands were disabled.
        QCOMPARE(refusals, QStringList(4, QString::fromUtf8(kOperationRunning)));
        // Afterwards everything is available again.
        QVERIFY(!RunningOperation::Any());
        window->UpdateActions();
        QVERIFY(window->Actions().sum->isEnabled());
        QVERIFY(window->Actions().modify->isEnabled());
    }
};

QTEST_MAIN(RunningOperationsTest)
#include "running_operations_test.moc"
