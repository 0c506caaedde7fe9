// The conflict view of a re-submitted package, the restore dialog and the import history:
// what they list, what the user's choices do, and their screenshots.
#include "../../core/exchange_test_data.h"
#include "exchange/conflict_view.h"
#include "exchange/data_import.h"
#include "exchange/exchange_commands.h"
#include "exchange/import_history.h"
#include "exchange/import_history_dialog.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "exchange/restore_dialog.h"
#include "settings/settings.h"
#include "store/connection.h"
#include "store/safety_copy.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace tallwick;
using namespace tallwick::ui;
namespace fs = std::filesystem;

namespace {

constexpr double kFirst = 100000000001.0;

std::tm At(int hour, int minute) {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 11;
    time.tm_mday = 10;
    time.tm_hour = hour;
    time.tm_min = minute;
    return time;
}

QStringList TopLevel(const QTreeWidget* tree, int column) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(column);
    return texts;
}

}  // namespace

class ResubmissionDialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::DeliveredDatabaseCopy> receiver;
    std::unique_ptr<test::DeliveredDatabaseCopy> sender;
    std::unique_ptr<test::TempFolder> reports;
    fs::path package;
    QStringList messages;
    QStringList questions;
    bool answer = true;

    SQLite::Database& Db() { return receiver->Db(); }

    // The receiver has six unions; the unit sends three of them corrected and two new ones.
    void MakePackage() {
        const char* names[] = {"市总工会机关工会", "区教育工会", "区卫生工会",
                               "区建设工会",       "街道总工会", "开发区工会"};
        for (int i = 0; i < 6; ++i) test::AddRecord(Db(), kFirst + i, names[i], i % 3);
        exchange::BuildPackageTemplate(sender->FilePath(),
                                       sender->Folder() / exchange::kPackageTemplateName);
        for (int i = 3; i < 8; ++i)
            test::AddRecord(sender->Db(), kFirst + i, i < 6 ? names[i] : "新建工会");
        sender->Db().exec(
            "UPDATE dt_data SET z001 = 12, z002 = 5, b018 = 3.5, c905 = '王芳' WHERE c901 = "
            "100000000004;"
            "UPDATE dt_data1 SET y001 = 2.75 WHERE c901 = 100000000004;"
            "UPDATE dt_data SET c902 = '区建设工会（更正）' WHERE c901 = 100000000006");
        package = sender->Folder() / "pkg.dat";
        exchange::ExportPackage(sender->Db(), sender->Folder() / exchange::kPackageTemplateName,
                                package, "某某区总工会");
    }

  private slots:
    void initTestCase() {
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
        // The conflict reports go to TEMP, which also decides where temporary folders are made:
        // one folder for the whole run.
        reports = std::make_unique<test::TempFolder>();
        qputenv("TEMP", QByteArray::fromStdString(reports->Path().string()));
        qputenv("TALLWICK_SETTINGS", QDir::temp()
                                         .filePath(QStringLiteral("tallwick-ui-settings-"
                                                                  "resubmission.ini"))
                                         .toLocal8Bit());
    }
    void init() {
        receiver = std::make_unique<test::DeliveredDatabaseCopy>();
        sender = std::make_unique<test::DeliveredDatabaseCopy>();
        messages.clear();
        questions.clear();
        answer = true;
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().confirmWarning = [this](const QString& text) {
            questions << text;
            return answer;
        };
        Prompts().openFile = [](const QString&) {};
        MakePackage();
    }
    void cleanup() {
        Prompts() = {};
        QFile::remove(QString::fromLocal8Bit(qgetenv("TALLWICK_SETTINGS")));
        receiver.reset();
        sender.reset();
    }
    void cleanupTestCase() {
        qunsetenv("TEMP");
        reports.reset();
    }

    void theViewListsEachCollisionAndReadsItsFieldsWhenOpened() {
        const auto prepared = exchange::PrepareImport(Db(), package, receiver->Folder());
        QStringList asked;
        ConflictView view(exchange::ListCollisions(Db(), prepared), [&](double code) {
            asked << QString::number(code, 'f', 0);
            return exchange::DescribeDifferences(Db(), prepared, code);
        });
        QTreeWidget* tree = view.Tree();
        QCOMPARE(TopLevel(tree, 0),
                 (QStringList{QStringLiteral("100000000004"), QStringLiteral("100000000005"),
                              QStringLiteral("100000000006")}));
        QCOMPARE(TopLevel(tree, 1),
                 (QStringList{QStringLiteral("区建设工会"), QStringLiteral("街道总工会"),
                              QStringLiteral("开发区工会")}));
        QCOMPARE(TopLevel(tree, 2),
                 (QStringList{QStringLiteral("临时保存"), QStringLiteral("无逻辑错误"),
                              QStringLiteral("有逻辑错误")}));
        QCOMPARE(TopLevel(tree, 3), QStringList(3, QStringLiteral("无逻辑错误")));
        QCOMPARE(TopLevel(tree, 4),
                 (QStringList{QStringLiteral("6"), QStringLiteral("0"), QStringLiteral("2")}));
        QVERIFY(asked.isEmpty());

        QTreeWidgetItem* first = tree->topLevelItem(0);
        QCOMPARE(first->childCount(), 0);
        first->setExpanded(true);
        first->setExpanded(false);
        first->setExpanded(true);
        QCOMPARE(asked, QStringList{QStringLiteral("100000000004")});
        QCOMPARE(first->childCount(), 6);
        QCOMPARE(first->child(0)->text(0), QStringLiteral("c905"));
        QCOMPARE(first->child(1)->text(0), QStringLiteral("z001"));
        QCOMPARE(first->child(1)->text(1), QStringLiteral("本级工会专职工会干部"));
        QCOMPARE(first->child(1)->text(2), QStringLiteral("7"));
        QCOMPARE(first->child(1)->text(3), QStringLiteral("12"));
        QCOMPARE(first->child(4)->text(0), QStringLiteral("y001"));
        QCOMPARE(first->child(4)->text(3), QStringLiteral("2.75"));
        QCOMPARE(first->child(5)->text(0), QStringLiteral("RecordState"));
        QCOMPARE(first->child(5)->text(2), QStringLiteral("临时保存"));
        QCOMPARE(first->child(5)->text(3), QStringLiteral("无逻辑错误"));
        // A record without differences offers nothing to open.
        QCOMPARE(tree->topLevelItem(1)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);

        QVERIFY(view.Decisions().replace.empty());
        tree->topLevelItem(2)->setCheckState(5, Qt::Checked);
        QCOMPARE(view.Decisions().replace, std::set<double>{kFirst + 5});
        view.ReplaceAllButton()->click();
        QCOMPARE(view.Decisions().replace.size(), 3u);
        view.KeepAllButton()->click();
        QVERIFY(view.Decisions().replace.empty());
    }

    // After the refusal the view comes up; its choices import, its cancel changes nothing.
    void theChoicesOfTheViewImportAndCancellingChangesNothing() {
        const auto before = test::RecordRows(Db());
        ExchangeContext context{nullptr, &Db(), receiver->Folder(), {}, nullptr, {}, {}};
        const auto prepared = exchange::PrepareImport(Db(), package, receiver->Folder());
        const auto answerView = [](bool import) {
            QTimer::singleShot(0, [import] {
                auto* view = qobject_cast<ConflictView*>(QApplication::activeModalWidget());
                QVERIFY(view);
                if (!import) {
                    view->reject();
                    return;
                }
                view->Tree()->topLevelItem(0)->setCheckState(5, Qt::Checked);
                view->ImportButton()->click();
            });
        };
        answerView(false);
        ResolveCollisionsAndImport(context, prepared);
        QCOMPARE(test::RecordRows(Db()), before);
        QVERIFY(messages.isEmpty());

        answerView(true);
        ResolveCollisionsAndImport(context, prepared);
        QCOMPARE(messages.size(), 1);
        QVERIFY(
            messages[0].endsWith(QStringLiteral("新增2条记录，替换1条记录，保留2条现有记录。")));
        QCOMPARE(Db().execAndGet("SELECT count(*) FROM dt_data").getInt(), 8);
        QCOMPARE(Db().execAndGet("SELECT z001 FROM dt_data WHERE c901 = 100000000004").getInt(),
                 12);
        QCOMPARE(Db().execAndGet("SELECT c902 FROM dt_data WHERE c901 = 100000000006").getString(),
                 std::string("开发区工会"));
    }

    void theRestoreDialogListsTheCopiesAndRestoresTheChosenOne() {
        receiver->CloseDb();
        auto connection = DatabaseConnection::Open(receiver->Folder());
        std::vector<std::tm> times = {At(9, 5), At(10, 40), At(14, 32)};
        std::size_t next = 0;
        const ScopedSafetyCopyPolicy policy(
            {20, [&] { return times.at(std::min(next++, times.size() - 1)); }, {}});
        MakeSafetyCopy(connection.Db(), safety_operation::kImport);
        connection.Db().exec("DELETE FROM dt_data WHERE c901 > 100000000003");
        MakeSafetyCopy(connection.Db(), safety_operation::kDelete);
        connection.Db().exec("DELETE FROM dt_data1 WHERE c901 NOT IN (SELECT c901 FROM dt_data)");
        const auto later = test::RecordRows(connection.Db());

        Registry registry;
        int restoredCalls = 0;
        RestoreDialog dialog(connection, registry, [&] { ++restoredCalls; });
        QTreeWidget* list = dialog.List();
        QCOMPARE(TopLevel(list, 0), (QStringList{QStringLiteral("2026-12-10 10:40"),
                                                 QStringLiteral("2026-12-10 09:05")}));
        QCOMPARE(TopLevel(list, 1), (QStringList{QStringLiteral("删除"), QStringLiteral("导入")}));
        QCOMPARE(TopLevel(list, 2), (QStringList{QStringLiteral("3"), QStringLiteral("6")}));
        QVERIFY(dialog.RestoreButton()->isEnabled());

        list->setCurrentItem(list->topLevelItem(1));
        answer = false;
        dialog.RestoreButton()->click();
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions[0].contains(QStringLiteral("6条记录）替换当前的数据库么？")));
        QCOMPARE(test::RecordRows(connection.Db()), later);
        QCOMPARE(restoredCalls, 0);

        answer = true;
        list->setCurrentItem(list->topLevelItem(1));
        dialog.RestoreButton()->click();
        QVERIFY2(restoredCalls == 1, qPrintable(messages.join(QLatin1Char('|'))));
        QCOMPARE(connection.Db().execAndGet("SELECT count(*) FROM dt_data").getInt(), 6);
        QVERIFY(messages.last().startsWith(QStringLiteral("数据库已经恢复为备份文件")));
        // The copy made before the restore is listed first now.
        QCOMPARE(TopLevel(list, 1).first(), QStringLiteral("恢复"));

        // The number of copies kept is a setting of the program.
        dialog.KeptBox()->setValue(7);
        emit dialog.KeptBox()->editingFinished();
        QCOMPARE(ReadSafetyCopiesKept(registry), 7);
        QCOMPARE(CurrentSafetyCopyPolicy().kept, 7);
        QFile ini(registry.FileName());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(ini.readAll());
        QVERIFY2(text.contains(QStringLiteral("[Options]")) &&
                     text.contains(QStringLiteral("EnvSetting\\SafetyCopyCount=7")),
                 qPrintable(text));
    }

    // A re-submission's codes already present are a step of their own, not a failure.
    void theHistoryListsImportsNewestFirstWithFailuresMarked() {
        exchange::HistoryEntry failed;
        failed.operation = exchange::kHistoryImport;
        exchange::AppendFailureHistory(Db(), failed, "文件格式错误,请重新选择！");
        const auto prepared = exchange::PrepareImport(Db(), package, receiver->Folder());
        exchange::TransferImport(Db(), prepared, reports->Path());
        exchange::ImportWithDecisions(Db(), prepared, {{kFirst + 3}}, reports->Path());
        ImportHistoryDialog dialog(Db());
        QTableWidget* table = dialog.Table();
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("某某区总工会"));
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("2"));
        QCOMPARE(table->item(0, 6)->text(), QStringLiteral("1"));
        QCOMPARE(table->item(0, 7)->text(), QStringLiteral("2"));
        QCOMPARE(table->item(0, 8)->text(), QStringLiteral("成功"));
        QVERIFY(!table->item(0, 8)->data(Qt::ForegroundRole).isValid());
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("编号冲突"));
        QCOMPARE(table->item(1, 8)->text(),
                 QStringLiteral("有3条数据的编号已经存在，等待逐条处理"));
        QVERIFY(!table->item(1, 8)->data(Qt::ForegroundRole).isValid());
        QCOMPARE(table->item(2, 8)->text(), QStringLiteral("文件格式错误,请重新选择！"));
        QCOMPARE(table->item(2, 8)->foreground().color(), QColor(190, 30, 30));
    }

    // A package with codes already present goes straight to the conflict view, its report
    // written and no error said before; left unsettled, the report is shown.
    void aResubmissionGoesStraightToTheConflictView() {
        const ExchangeContext context{nullptr, &Db(), receiver->Folder(), {}, nullptr, {}, {}};
        const QString chosen = QString::fromStdString(package.string());
        const fs::path report = reports->Path() / "数据导入编号冲突.txt";
        fs::remove(report);
        int views = 0;
        QStringList saidBeforeTheView;
        bool reportWritten = false;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                files->selectFile(chosen);
                static_cast<QDialog*>(files)->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->button(QMessageBox::Yes)->click();
            } else if (auto* view = qobject_cast<ConflictView*>(modal)) {
                ++views;
                saidBeforeTheView = messages;
                reportWritten = fs::exists(report);
                view->reject();
            }
        });
        answerer.start(10);
        QStringList opened;
        Prompts().openFile = [&opened](const QString& path) { opened << path; };
        ImportDataFileCommand(context);
        answerer.stop();
        QCOMPARE(views, 1);
        QVERIFY2(saidBeforeTheView.isEmpty(), qPrintable(saidBeforeTheView.join(" | ")));
        QVERIFY(reportWritten);
        QVERIFY(messages.isEmpty());
        QCOMPARE(opened, QStringList{QString::fromStdString(report.string())});
    }

    void screenshots() {
        QDir().mkpath(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots"));
        const auto prepared = exchange::PrepareImport(Db(), package, receiver->Folder());
        ConflictView view(exchange::ListCollisions(Db(), prepared), [&](double code) {
            return exchange::DescribeDifferences(Db(), prepared, code);
        });
        view.Tree()->topLevelItem(2)->setCheckState(5, Qt::Checked);
        view.show();
        view.Tree()->topLevelItem(0)->setExpanded(true);
        view.Tree()->topLevelItem(0)->setCheckState(5, Qt::Checked);
        QVERIFY(
            view.grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/conflict_view.png")));

        receiver->CloseDb();
        auto connection = DatabaseConnection::Open(receiver->Folder());
        std::vector<std::tm> times = {At(9, 5), At(10, 40), At(11, 2), At(14, 32), At(15, 10)};
        std::size_t next = 0;
        const ScopedSafetyCopyPolicy policy({20, [&] { return times.at(next++); }, {}});
        for (const char* operation :
             {safety_operation::kImport, safety_operation::kDelete, safety_operation::kCompaction,
              safety_operation::kImport, safety_operation::kGroupImport}) {
            MakeSafetyCopy(connection.Db(), operation);
            connection.Db().exec(
                "DELETE FROM dt_data WHERE c901 = (SELECT max(c901) FROM dt_data)");
        }
        Registry registry;
        RestoreDialog dialog(connection, registry, {});
        dialog.show();
        QVERIFY(
            dialog.grab().save(QStringLiteral(TALLWICK_BUILD_DIR "/screenshots/restore_list.png")));
    }
};

QTEST_MAIN(ResubmissionDialogsTest)
#include "resubmission_dialogs_test.moc"
