// A damaged or missing working database: offered its newest safety copy at start-up, and found
// by the background check after start-up when opening could not see the damage.
#include "entry/entry_window.h"
#include "list/record_list_model.h"
#include "record_generator.h"
#include "shell/main_window.h"
#include "shell/whole_file_watch.h"
#include "store/file_soundness.h"
#include "store/safety_copy.h"
#include "test_support.h"
#include "widgets/message_box.h"
#include "widgets/running_operation.h"

#include <QSignalSpy>
#include <QTest>

#include <fstream>

using namespace tallwick::ui;
namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 60;

std::int64_t Records(tallwick::DatabaseConnection& connection) {
    return connection.Db().execAndGet("SELECT count(*) FROM dt_data").getInt64();
}

bool HasDamagedFileAside(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos) return true;
    return false;
}

}  // namespace

class DamagedDatabaseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> settingsFolder;
    std::unique_ptr<Registry> registry;
    QStringList messages;
    QStringList asked;

    // The records, a safety copy of them, and the connection closed.
    void Prepare() {
        tallwick::bench::GenerateRecords(copy->Db(), kRecords);
        tallwick::MakeSafetyCopy(copy->Db(), tallwick::safety_operation::kDelete);
        copy->CloseDb();
    }

    StartupResult Start() {
        return RunStartup(*registry, copy->Folder(),
                          [this](const QString& text) { messages << text; });
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        settingsFolder = std::make_unique<tallwick::test::TempFolder>();
        registry = std::make_unique<Registry>(
            QString::fromStdString((settingsFolder->Path() / "t.ini").string()));
        messages.clear();
        asked.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().confirmWarning = [this](const QString& text) {
            asked << text;
            return true;
        };
    }
    void cleanup() { Prompts() = {}; }

    void startUpOffersTheNewestSafetyCopy_data() {
        QTest::addColumn<bool>("missing");
        QTest::newRow("damaged") << false;
        QTest::newRow("missing") << true;
    }
    void startUpOffersTheNewestSafetyCopy() {
        QFETCH(bool, missing);
        Prepare();
        if (missing) {
            fs::remove(copy->FilePath());
        } else {
            std::fstream(copy->FilePath(), std::ios::binary | std::ios::in | std::ios::out)
                .write("not a database!!", 16);
        }
        StartupResult startup = Start();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].contains(QStringLiteral("是否用最新的安全备份恢复数据库")));
        QCOMPARE(Records(startup.connection), kRecords);
        QCOMPARE(HasDamagedFileAside(copy->Folder()), !missing);
        QVERIFY(messages.join('\n').contains(QStringLiteral("数据库已经恢复为备份文件")));
    }

    void declinedTheProgramEndsAndTheDamagedFileStays() {
        Prepare();
        std::fstream(copy->FilePath(), std::ios::binary | std::ios::in | std::ios::out)
            .write("not a database!!", 16);
        Prompts().confirmWarning = [](const QString&) { return false; };
        Prompts().question = [](const QString&) { return false; };
        QVERIFY_THROWS_EXCEPTION(tallwick::UserError, Start());
        QVERIFY(!HasDamagedFileAside(copy->Folder()));
    }

    // Opening glances at the file; the background check reads it whole and offers the way back.
    void theBackgroundCheckFindsDamageAndRestoresTheNewestCopy() {
        Prepare();
        tallwick::test::DamageMiddleRecordPage(copy->FilePath());
        MainWindow window(Start(), *registry);
        QVERIFY(asked.isEmpty());
        window.StartWholeFileCheck();
        QSignalSpy finished(window.WholeFileCheck(), &WholeFileWatch::finished);
        QVERIFY(finished.wait(20000));
        QVERIFY(finished.at(0).at(0).toString() != QStringLiteral("ok"));
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].contains(QStringLiteral("已经损坏（完整性检查没有通过")));
        QCOMPARE(tallwick::WholeFileFinding(window.Connection().Db()), std::string("ok"));
        QCOMPARE(Records(window.Connection()), kRecords);
        QCOMPARE(window.ListModel().RowCount(), kRecords);
        QVERIFY(HasDamagedFileAside(copy->Folder()));
        QVERIFY(messages.join('\n').contains(QStringLiteral("数据库已经恢复为备份文件")));
    }

    void aRecordOpenForEntryIsNotRestoredAway() {
        Prepare();
        tallwick::test::DamageMiddleRecordPage(copy->FilePath());
        MainWindow window(Start(), *registry);
        window.Entry().show();
        window.StartWholeFileCheck();
        QSignalSpy finished(window.WholeFileCheck(), &WholeFileWatch::finished);
        QVERIFY(finished.wait(20000));
        QVERIFY(asked.isEmpty());
        QVERIFY(messages.join('\n').contains(QStringLiteral("请关闭录入窗口")));
        QVERIFY(!HasDamagedFileAside(copy->Folder()));
    }

    // An operation may close or replace the file: the check waits for it to end.
    void theCheckWaitsWhileAnOperationRuns() {
        Prepare();
        MainWindow window(Start(), *registry);
        auto running = std::make_unique<RunningOperation>();
        window.StartWholeFileCheck();
        QSignalSpy finished(window.WholeFileCheck(), &WholeFileWatch::finished);
        QVERIFY(!finished.wait(300));
        running.reset();
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toString(), QStringLiteral("ok"));
    }
};

QTEST_MAIN(DamagedDatabaseTest)
#include "damaged_database_test.moc"
