// The entry window's edit journal: kept while typing, restored after the window or the whole
// process is gone without saving, cleared by everything that settles the edits, and offered at
// the next start; a damaged journal is never applied.
#include "journal_typing.h"

#include "entry/edit_journal_keeper.h"
#include "entry/entry_number_box.h"
#include "list/record_list_model.h"
#include "settings/registry.h"
#include "shell/journal_recovery.h"
#include "shell/main_window.h"
#include "store/database.h"
#include "test_support.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <fstream>
#include <memory>

using namespace tallwick::ui;
namespace fs = std::filesystem;
namespace entry = tallwick::entry;

class EditJournalTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<RecordListModel> model;
    std::unique_ptr<RecordListView> view;
    std::unique_ptr<EntryWindow> window;
    QStringList messages;

    SQLite::Database& Db() { return copy->Db(); }
    const fs::path& Folder() { return copy->Folder(); }
    QString Shown(const char* field) { return tallwick::test::Edit(*window, field)->text(); }
    // The stored record and its history, to show that nothing was written.
    static std::string StoredIn(SQLite::Database& db) {
        return db
            .execAndGet(
                "SELECT c906 || '|' || z001 || '|' || z002 || '|' || "
                "(SELECT count(*) FROM dt_history) FROM dt_data")
            .getString();
    }
    std::string Stored() { return StoredIn(Db()); }
    // The same after a program has closed the copy.
    std::string StoredInFile() {
        auto db = tallwick::OpenExistingSqlite(copy->FilePath());
        return StoredIn(*db);
    }

    void MakeWindow() {
        window =
            std::make_unique<EntryWindow>([this]() -> SQLite::Database& { return Db(); }, *registry,
                                          QStringLiteral(TALLWICK_BUILD_DIR "/bin"));
        window->askToSave = [](const QString&) { return false; };
    }

    void Open(bool adding) {
        model->Reload();
        view->MoveToFirst();
        window->Begin(adding, *view);
    }

    // A main window over the copy, as the program starts on its data folder.
    std::unique_ptr<MainWindow> StartProgram() {
        window.reset();
        view.reset();
        model.reset();
        copy->CloseDb();
        auto startup =
            RunStartup(*registry, Folder(), [this](const QString& text) { messages << text; });
        return std::make_unique<MainWindow>(std::move(startup), *registry);
    }

    void CheckRestoredEdits(EntryWindow& restored) {
        QCOMPARE(restored.IsAdding(), false);
        QCOMPARE(restored.LoadedCode(), tallwick::test::kJournaledCode);
        QCOMPARE(tallwick::test::Edit(restored, "c906")->text(), QStringLiteral("01087654321"));
        QCOMPARE(tallwick::test::Edit(restored, "c905")->text(), QStringLiteral("张三"));
        QCOMPARE(tallwick::test::Edit(restored, "z001")->text(), QStringLiteral("123"));
        QCOMPARE(tallwick::test::Edit(restored, "z002")->text(), QStringLiteral("45"));
        QCOMPARE(tallwick::test::Edit(restored, "c902")->text(), QStringLiteral("市总工会"));
        QCOMPARE(restored.Form().regionName->text().isEmpty(), false);
        QCOMPARE(restored.Form().pages->currentIndex(), 1);
        // Changed, not saved.
        QVERIFY(restored.Button(QStringLiteral("tbHold"))->isEnabled());
        QVERIFY(restored.Button(QStringLiteral("tbSave"))->isEnabled());
        QVERIFY(!restored.Button(QStringLiteral("tbPrint"))->isEnabled());
    }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        tallwick::test::StoreJournaledRecord(Db());
        registry = std::make_unique<Registry>(
            QString::fromStdString((Folder() / "settings.ini").string()));
        model = std::make_unique<RecordListModel>([this]() -> SQLite::Database& { return Db(); });
        view = std::make_unique<RecordListView>(model.get());
        MakeWindow();
        messages.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
    }
    void cleanup() {
        window.reset();
        view.reset();
        model.reset();
        Prompts() = {};
    }

    void editsAreRestoredAfterTheWindowIsGoneWithoutSaving() {
        const std::string before = Stored();
        const std::string failed = tallwick::test::TypeWithoutSaving(*window, *view, Folder());
        QVERIFY2(failed.empty(), failed.c_str());
        window.reset();  // as if the program had ended here
        QCOMPARE(Stored(), before);

        const entry::JournalReading reading = entry::ReadEditJournal(Folder());
        QCOMPARE(reading.status, entry::JournalStatus::kFound);
        QCOMPARE(reading.journal.newRecord, false);
        QCOMPARE(reading.journal.name, std::string("市总工会"));
        MakeWindow();
        window->BeginRestoring(*view, reading.journal);
        CheckRestoredEdits(*window);
        QCOMPARE(Stored(), before);

        // Saved now, the three edits are the record's and its history's, and the journal goes.
        Db().exec("DELETE FROM dt_logic");
        QVERIFY(window->Save());
        QCOMPARE(Stored(), std::string("01087654321|123|45|3"));
        QCOMPARE(entry::ReadEditJournal(Folder()).status, entry::JournalStatus::kNone);
        QCOMPARE(Db().execAndGet("SELECT group_concat(FieldName || ':' || OldValue || '>' || "
                                 "NewValue, ' ') FROM dt_history WHERE Operation = '录入保存'")
                     .getString(),
                 std::string("z002:2>45 z001:5>123 c906:010-12345678>01087654321"));
    }

    void whatSettlesTheEditsClearsTheJournal_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("hold") << "hold";
        QTest::newRow("save") << "save";
        QTest::newRow("close question answered No") << "no";
        QTest::newRow("close question answered Yes") << "yes";
        QTest::newRow("return button") << "return";
    }
    void whatSettlesTheEditsClearsTheJournal() {
        QFETCH(QString, how);
        Db().exec("DELETE FROM dt_logic");
        Open(false);
        window->show();  // the return button closes a window that is shown
        tallwick::test::Edit(*window, "c905")->setText(QStringLiteral("王五"));
        window->Journal().FieldLeft();
        QVERIFY(tallwick::test::Journaled(Folder(), "c905", "王五"));
        window->askToSave = [&](const QString&) { return how == QStringLiteral("yes"); };
        if (how == QStringLiteral("hold"))
            QVERIFY(window->Hold());
        else if (how == QStringLiteral("save"))
            QVERIFY(window->Save());
        else if (how == QStringLiteral("return"))
            window->Button(QStringLiteral("tbReturn"))->click();
        else
            QVERIFY(window->CloseQuery());
        QCOMPARE(entry::ReadEditJournal(Folder()).status, entry::JournalStatus::kNone);
        QVERIFY(!window->Journal().HasUnwrittenChanges());
    }

    // An edit of the filler, left at once: the journal is tried then.
    void EditFiller(const char* name) {
        tallwick::test::Edit(*window, "c905")->setText(QString::fromUtf8(name));
        QVERIFY(window->Journal().HasUnwrittenChanges());
        window->Journal().FieldLeft();
    }

    void aJournalThatCannotBeWrittenIsSaidOnceBesideTheButtons() {
        // In the way of the journal, and not empty so that nothing removes it.
        const fs::path inTheWay = Folder() / entry::kEditJournalName;
        const auto block = [&] {
            fs::remove(inTheWay);  // the journal last written
            fs::create_directory(inTheWay);
            std::ofstream(inTheWay / "mine.txt") << "mine";
        };
        block();
        Open(false);
        QSignalSpy failures(&window->Journal(), &EditJournalKeeper::WriteFailed);
        for (const char* name : {"李四", "王五", "赵六"}) EditFiller(name);
        QCOMPARE(failures.count(), 1);
        QVERIFY(!window->JournalNote()->isHidden());
        QVERIFY(window->JournalNote()->text().startsWith(QStringLiteral("无法写入编辑日志")));
        QVERIFY(messages.isEmpty());  // beside the buttons, never in the way of the typing

        fs::remove_all(inTheWay);
        EditFiller("钱七");
        QVERIFY(window->JournalNote()->isHidden());
        // Lost again after a write succeeded: said again, and again only once.
        block();
        for (const char* name : {"孙八", "周九"}) EditFiller(name);
        QCOMPARE(failures.count(), 2);
        QVERIFY(!window->JournalNote()->isHidden());
    }

    void loadingARecordIsNoEditAndNothingIsJournaledWithoutOne() {
        Open(false);
        QVERIFY(!window->Journal().HasUnwrittenChanges());
        QTest::qWait(EditJournalKeeper::kIntervalMs + 300);
        QCOMPARE(entry::ReadEditJournal(Folder()).status, entry::JournalStatus::kNone);
    }

    void aNewRecordIsJournaledAsNewUntilItIsHeld() {
        Db().exec("DELETE FROM dt_logic");
        Open(true);
        tallwick::test::Edit(*window, "c901")->setText(QStringLiteral("100000000007"));
        tallwick::test::Edit(*window, "c902")->setText(QStringLiteral("区总工会"));
        tallwick::test::Edit(*window, "c905")->setText(QStringLiteral("赵六"));
        tallwick::test::Edit(*window, "c906")->setText(QStringLiteral("01012345678"));
        static_cast<EntryNumberBox*>(window->Field(QStringLiteral("c903")))->setValue(110101);
        window->ApplyReportingState(1);
        window->Journal().FieldLeft();
        entry::EditJournal journal = window->JournalSnapshot();
        QVERIFY(journal.newRecord);

        MakeWindow();
        window->BeginRestoring(*view, journal);
        QVERIFY(window->IsAdding());
        QCOMPARE(Shown("c901"), QStringLiteral("100000000007"));
        QCOMPARE(Shown("c905"), QStringLiteral("赵六"));
        QVERIFY2(window->Hold(), qPrintable(messages.join(QLatin1Char('\n'))));
        // Held, the record is stored: later edits belong to it, not to a new record.
        tallwick::test::Edit(*window, "c906")->setText(QStringLiteral("01012345679"));
        journal = window->JournalSnapshot();
        QVERIFY(!journal.newRecord);
        QCOMPARE(journal.code, 100000000007.0);
    }

    // Between the crash and the restart the record changed (an import, a restore): a field the
    // user did not touch keeps that change, and an edited field that changed too keeps it and is
    // named, with the edit that was not applied.
    void aRecordChangedSinceKeepsItsChangesAndSaysSo() {
        Open(false);
        const QString name = Shown("c905");
        tallwick::test::Edit(*window, "z001")->setText(QStringLiteral("123"));
        tallwick::test::Edit(*window, "z002")->setText(QStringLiteral("45"));
        window->Journal().FieldLeft();
        window.reset();
        Db().exec("UPDATE dt_data SET c905 = '王五', z001 = 77");

        const entry::JournalReading reading = entry::ReadEditJournal(Folder());
        QCOMPARE(reading.status, entry::JournalStatus::kFound);
        MakeWindow();
        window->BeginRestoring(*view, reading.journal);
        QVERIFY(name != QStringLiteral("王五"));
        QCOMPARE(Shown("c905"), QStringLiteral("王五"));
        QCOMPARE(Shown("z001"), QStringLiteral("77"));
        QCOMPARE(Shown("z002"), QStringLiteral("45"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(
                     QStringLiteral("z001：修改前为“5”，现在为“77”，未保存的修改为“123”")),
                 qPrintable(messages[0]));
    }

    void theNextStartOffersTheEditsOrDiscardsThem() {
        Open(false);
        tallwick::test::Edit(*window, "c906")->setText(QStringLiteral("01087654321"));
        tallwick::test::Edit(*window, "z001")->setText(QStringLiteral("123"));
        tallwick::test::Edit(*window, "z002")->setText(QStringLiteral("45"));
        window->Form().pages->setCurrentIndex(1);
        window->Journal().FieldLeft();
        QVERIFY(tallwick::test::Journaled(Folder(), "z002", "45"));
        const std::string before = Stored();

        // Declined: the edits go, nothing is written.
        auto program = StartProgram();
        QStringList questions;
        OfferJournalRecovery(*program, [&](const QString& question) {
            questions << question;
            return false;
        });
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].contains(QStringLiteral("编号为100000000001的记录（市总工会）")),
                 qPrintable(questions[0]));
        QCOMPARE(entry::ReadEditJournal(Folder()).status, entry::JournalStatus::kNone);
        OfferJournalRecovery(*program, [&](const QString& question) {
            questions << question;
            return true;
        });
        QCOMPARE(questions.size(), 1);  // nothing left to offer
        program.reset();
        QCOMPARE(StoredInFile(), before);
    }

    // A journal that cannot be read, cut short or a folder of its name, is said at one start
    // and set aside, so that the next start says nothing of it.
    void aDamagedJournalIsSetAsideSaidOnceAndNeverApplied_data() {
        QTest::addColumn<bool>("folder");
        QTest::newRow("a write cut short") << false;
        QTest::newRow("a folder of its name") << true;
    }
    void aDamagedJournalIsSetAsideSaidOnceAndNeverApplied() {
        QFETCH(bool, folder);
        const fs::path journal = Folder() / entry::kEditJournalName;
        if (folder) {
            fs::create_directories(journal / "inside");
        } else {
            Open(false);
            tallwick::test::Edit(*window, "c905")->setText(QStringLiteral("李四"));
            window->Journal().FieldLeft();
            fs::resize_file(journal, fs::file_size(journal) - 40);
        }
        bool asked = false;
        const auto ask = [&](const QString&) { return asked = true; };
        auto program = StartProgram();
        OfferJournalRecovery(*program, ask);
        QVERIFY(!asked);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(QStringLiteral("损坏")), qPrintable(messages[0]));
        QVERIFY(!fs::exists(journal));
        QVERIFY(fs::exists(Folder() / entry::kDamagedJournalName));
        QVERIFY(!program->Entry().isVisible());

        program.reset();
        program = StartProgram();
        OfferJournalRecovery(*program, ask);
        QVERIFY(!asked);
        QCOMPARE(messages.size(), 1);
    }

    // A real process typing into the entry window, killed with SIGKILL; the next start finds
    // every edit, offers it and shows it in the entry window, with nothing written.
    void theEditsOfAKilledProcessAreOfferedAtTheNextStart() {
        const std::string before = Stored();
        window.reset();
        copy->CloseDb();
        QProcess typist;
        typist.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        typist.start(QStringLiteral(TALLWICK_JOURNAL_TYPIST),
                     {QString::fromStdString(Folder().string())});
        QVERIFY(typist.waitForStarted());
        QByteArray said;
        while (!said.contains("journaled") && typist.waitForReadyRead(30000))
            said += typist.readAllStandardOutput();
        QVERIFY2(said.contains("journaled"), said.constData());
        QCOMPARE(typist.state(), QProcess::Running);
        typist.kill();  // SIGKILL: no handler, no clean-up
        QVERIFY(typist.waitForFinished());
        QCOMPARE(typist.exitStatus(), QProcess::CrashExit);

        auto program = StartProgram();
        QString question;
        bool inspected = false;
        QTimer::singleShot(0, program.get(), [&] {
            EntryWindow& entryWindow = program->Entry();
            QVERIFY(entryWindow.isVisible());
            CheckRestoredEdits(entryWindow);
            inspected = true;
            entryWindow.askToSave = [](const QString&) { return false; };
            entryWindow.reject();
        });
        OfferJournalRecovery(*program, [&](const QString& text) {
            question = text;
            return true;
        });
        QVERIFY(inspected);
        QVERIFY(question.contains(QStringLiteral("编号为100000000001的记录")));
        program.reset();
        QCOMPARE(StoredInFile(), before);
    }
};

QTEST_MAIN(EditJournalTest)
#include "edit_journal_test.moc"
