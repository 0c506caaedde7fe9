// Importing packages and backups: the round trip, collisions and their report, rejected files,
// the confirmation, and an import killed in the middle of its transaction.
#include "exchange/data_import.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/backup.h"
#include "exchange/exchange_messages.h"
#include "exchange/package_export.h"
#include "exchange/package_header.h"
#include "exchange/package_template.h"
#include "exchange_test_data.h"
#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Transaction.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

namespace tallwick::exchange {
namespace {
namespace fs = std::filesystem;

constexpr double kFirst = 100000000001.0;

class DataImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildPackageTemplate(sender.FilePath(), sender.Folder() / kPackageTemplateName);
        test::AddRecord(sender.Db(), kFirst, "甲工会");
        test::AddRecord(sender.Db(), kFirst + 1, "乙工会");
        test::AddRecord(sender.Db(), kFirst + 2, "丙工会");
        sender.Db().exec("UPDATE ct_label SET db_name = '某某区总工会'");
    }

    fs::path Package() {
        const fs::path file = sender.Folder() / "pkg.dat";
        if (!fs::exists(file))
            ExportPackage(sender.Db(), sender.Folder() / kPackageTemplateName, file,
                          "某某区总工会");
        return file;
    }

    fs::path Backup() {
        const fs::path file = sender.Folder() / "backup.mdb";
        if (!fs::exists(file)) BackupDatabase(sender.Db(), file);
        return file;
    }

    std::optional<ImportResult> Import(const fs::path& file, bool answer = true) {
        return ImportDataFile(db, file, receiver.Folder(), reports.Path(),
                              [&](const std::string& question) {
                                  asked = question;
                                  copyWhileAsked = !WorkingCopies().empty();
                                  return answer;
                              });
    }

    // Working copies left in the program folder, with their modes.
    std::vector<std::pair<std::string, fs::perms>> WorkingCopies() const {
        std::vector<std::pair<std::string, fs::perms>> copies;
        for (const auto& entry : fs::directory_iterator(receiver.Folder())) {
            const std::string name = entry.path().filename().string();
            if (name.find(kWorkingCopyName) != std::string::npos && name != kWorkingCopyName)
                copies.emplace_back(name, entry.status().permissions());
        }
        return copies;
    }

    // The message of a rejected file; the database must not have changed.
    std::string Rejection(const fs::path& file) {
        const auto before = test::RecordRows(db);
        std::string message;
        try {
            const auto result = Import(file);
            EXPECT_TRUE(result && !result->imported);
            if (result) message = result->message;
        } catch (const UserError& error) {
            message = error.what();
        }
        EXPECT_EQ(test::RecordRows(db), before);
        EXPECT_TRUE(WorkingCopies().empty());
        return message;
    }

    test::DeliveredDatabaseCopy sender;
    test::DeliveredDatabaseCopy receiver;
    SQLite::Database& db = receiver.Db();
    test::TempFolder reports;
    std::string asked;
    bool copyWhileAsked = false;
};

TEST_F(DataImportTest, APackageRestoresEveryRecordWithItsSecondRow) {
    const auto result = Import(Package());
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->imported);
    EXPECT_EQ(result->records, 3u);
    EXPECT_EQ(result->message, "数据已经被正确地从'" + Package().string() + "'导入！");
    EXPECT_FALSE(result->conflictReport);
    EXPECT_EQ(asked, "确认准备导入标记声明为【某某区总工会】的数据么？");
    EXPECT_EQ(test::RecordRows(db), test::RecordRows(sender.Db()));
    EXPECT_TRUE(copyWhileAsked);
    EXPECT_TRUE(WorkingCopies().empty());
}

TEST_F(DataImportTest, TheWorkingCopyIsPrivateWhileItExists) {
    std::vector<std::pair<std::string, fs::perms>> whileAsked;
    ImportDataFile(db, Package(), receiver.Folder(), reports.Path(), [&](const std::string&) {
        whileAsked = WorkingCopies();
        return false;
    });
    ASSERT_EQ(whileAsked.size(), 1u);
    EXPECT_EQ(whileAsked[0].second, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(WorkingCopies().empty());
}

// A package that bears the working copy's plain name in the program folder is the user's file:
// it is only read, whether the import is declined, fails or succeeds.
TEST_F(DataImportTest, AChosenFileNamedLikeTheWorkingCopyIsNeverTouched) {
    const fs::path chosen = receiver.Folder() / kWorkingCopyName;
    fs::copy_file(Package(), chosen);
    const auto bytes = ReadWholeFile(chosen);

    EXPECT_FALSE(Import(chosen, false));
    EXPECT_EQ(ReadWholeFile(chosen), bytes);
    const auto imported = Import(chosen);
    ASSERT_TRUE(imported && imported->imported) << (imported ? imported->message : "");
    EXPECT_EQ(ReadWholeFile(chosen), bytes);
    const auto collided = Import(chosen);
    ASSERT_TRUE(collided && !collided->imported);
    EXPECT_EQ(ReadWholeFile(chosen), bytes);
    EXPECT_TRUE(WorkingCopies().empty());
}

TEST_F(DataImportTest, ABackupIsReadInPlace) {
    const auto result = Import(Backup());
    ASSERT_TRUE(result && result->imported);
    EXPECT_FALSE(copyWhileAsked);
    EXPECT_EQ(asked, "确认准备导入标记声明为【某某区总工会】的数据么？");
    EXPECT_EQ(test::RecordRows(db), test::RecordRows(sender.Db()));
}

TEST_F(DataImportTest, ABlankedSignatureIsRestoredInTheCopyOnly) {
    auto bytes = ReadWholeFile(Backup());
    std::fill_n(bytes.begin(), 16, 'f');
    const fs::path legacy = sender.Folder() / "legacy.mdb";
    WriteFileAtomically(legacy, bytes);

    const auto result = Import(legacy);
    ASSERT_TRUE(result && result->imported) << (result ? result->message : "");
    EXPECT_TRUE(copyWhileAsked);
    EXPECT_EQ(ReadWholeFile(legacy), bytes);
    EXPECT_EQ(test::RecordRows(db), test::RecordRows(sender.Db()));
}

TEST_F(DataImportTest, OneCollidingCodeImportsNothingAndIsReported) {
    test::AddRecord(db, kFirst + 1, "本地乙");
    test::AddRecord(db, 100000000900.0, "本地其他");
    const auto before = test::RecordRows(db);

    const auto result = Import(Package());
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->imported);
    EXPECT_EQ(result->message, messages::kImportDuplicates);
    EXPECT_EQ(test::RecordRows(db), before);
    ASSERT_TRUE(result->conflictReport);
    EXPECT_EQ(*result->conflictReport, reports.Path() / "数据导入编号冲突.txt");
    const auto report = ReadWholeFile(*result->conflictReport);
    EXPECT_EQ(std::string(report.begin(), report.end()),
              "在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n" + std::string(80, '-') +
                  "\r\n(100000000002,乙工会)\r\n");
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM dt_data_dt_data1").getInt(), 1);
    EXPECT_TRUE(WorkingCopies().empty());
}

TEST_F(DataImportTest, AnsweringNoChangesNothing) {
    test::AddRecord(db, 100000000900.0, "本地");
    const auto before = test::RecordRows(db);
    EXPECT_FALSE(Import(Package(), false));
    EXPECT_EQ(test::RecordRows(db), before);
    EXPECT_TRUE(WorkingCopies().empty());
}

TEST_F(DataImportTest, FilesThatAreNotOurDataAreRejected) {
    test::AddRecord(db, 100000000900.0, "本地");
    const auto package = ReadWholeFile(Package());
    const auto write = [&](const std::string& name, const std::vector<unsigned char>& bytes) {
        const fs::path file = sender.Folder() / name;
        WriteFileAtomically(file, bytes);
        return file;
    };
    auto tampered = package;
    tampered[tampered.size() / 2] ^= 0x01;
    std::vector<unsigned char> noise(4096);
    std::mt19937 random(7);
    for (auto& b : noise) b = static_cast<unsigned char>(random());
    noise[0] = 0x11;

    const fs::path withoutData = sender.Folder() / "other.mdb";
    OpenSqlite(withoutData, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
        ->exec("CREATE TABLE ct_label (db_name TEXT); CREATE TABLE dt_data1 (c901 REAL)");
    const fs::path otherLayout = sender.Folder() / "layout.mdb";
    {
        auto other = OpenSqlite(otherLayout, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        other->exec(
            "CREATE TABLE ct_label (db_name TEXT); INSERT INTO ct_label VALUES ('x');"
            "CREATE TABLE dt_data (c901 REAL, c902 TEXT); CREATE TABLE dt_data1 (c901 REAL);"
            "INSERT INTO dt_data VALUES (100000000900, '撞号'); INSERT INTO dt_data1 VALUES "
            "(100000000900)");
    }

    const struct {
        fs::path file;
        std::string message;
    } cases[] = {
        {sender.Folder() / "missing.dat", messages::kFileMissing},
        {write("tampered.dat", tampered), messages::kFileFormat},
        {write("truncated.dat", {package.begin(), package.end() - 100}), messages::kFileFormat},
        {write("noise.dat", noise), messages::kFileFormat},
        {write("empty.dat", {}), messages::kFileFormat},
        {withoutData, messages::kFileLacksData},
        {otherLayout, messages::kImportFileLayout},
    };
    for (const auto& c : cases) EXPECT_EQ(Rejection(c.file), c.message) << c.file;
}

TEST_F(DataImportTest, ADatabaseWithoutRecordTablesIsReported) {
    db.exec("DROP VIEW view_data_all; DROP VIEW view_data; DROP TABLE dt_data");
    try {
        Import(Package());
        FAIL() << "imported";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), messages::kSystemLacksData);
    }
    EXPECT_TRUE(WorkingCopies().empty());
}

// The import is killed between its two inserts; the journal must bring back the database as it
// was before.
TEST_F(DataImportTest, AnImportKilledInItsTransactionLeavesTheDatabaseAsItWas) {
    {
        SQLite::Transaction transaction(sender.Db());
        for (int i = 0; i < 300; ++i) test::AddRecord(sender.Db(), 100000001000.0 + i, "大量");
        transaction.commit();
    }
    test::AddRecord(db, 100000000900.0, "本地");
    const auto before = test::RecordRows(db);
    const fs::path package = Package();
    receiver.CloseDb();
    const fs::path journal = receiver.FilePath().string() + "-journal";

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        try {
            auto working = OpenExistingSqlite(receiver.FilePath());
            working->exec("PRAGMA cache_size = 2");  // the inserts reach the file before commit
            const auto prepared = PrepareImport(*working, package, receiver.Folder());
            TransferImport(*working, prepared, reports.Path(),
                           [](std::uint64_t done, std::uint64_t) {
                               if (done == 1) raise(SIGKILL);
                           });
        } catch (...) {
        }
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    EXPECT_TRUE(fs::exists(journal));
    auto reopened = OpenExistingSqlite(receiver.FilePath());
    EXPECT_EQ(reopened->execAndGet("PRAGMA integrity_check").getString(), "ok");
    EXPECT_EQ(test::RecordRows(*reopened), before);
}

}  // namespace
}  // namespace tallwick::exchange
