// Importing packages and backups: the round trip, collisions and their report, rejected files,
// the confirmation, and an import killed in the middle of its transaction.
#include "exchange/data_import.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/backup.h"
#include "exchange/exchange_messages.h"
#include "exchange/import_history.h"
#include "exchange/package_export.h"
#include "exchange/package_header.h"
#include "exchange/package_template.h"
#include "exchange_test_data.h"
#include "store/database.h"
#include "store/password.h"
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

// A package made once by an earlier build and kept as it was written: the mask, the envelope
// and the password must still open what other installations send.
TEST_F(DataImportTest, AStoredPackageOfAnEarlierVersionStillImports) {
    const fs::path stored = sender.Folder() / "package-v1.dat";
    fs::copy_file(fs::path(TALLWICK_TEST_FIXTURES) / "package-v1.dat", stored);

    const auto result = Import(stored);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->imported) << result->message;
    EXPECT_EQ(result->records, 2u);
    EXPECT_EQ(asked, "确认准备导入标记声明为【某某区总工会】的数据么？");
    EXPECT_EQ(db.execAndGet("SELECT group_concat(c900 || '|' || c901 || '|' || c902 || '|' || c903 "
                            "|| '|' || c904 || '|' || c907 || '|' || RecordState || '|' || z001 "
                            "|| '|' || b018 || '|' || d055, ';') FROM (SELECT * FROM dt_data "
                            "ORDER BY c901)")
                  .getString(),
              "stamp|100000000001.0|甲工会|110101|10|1|1|7|2.5|3;"
              "stamp|100000000002.0|O'Brien \"乙\"|110101|10|1|1|12|0.5|4");
    EXPECT_EQ(db.execAndGet("SELECT group_concat(c901 || '|' || y001 || '|' || y012, ';') FROM "
                            "(SELECT * FROM dt_data1 ORDER BY c901)")
                  .getString(),
              "100000000001.0|1.25|9;100000000002.0|3.75|2");
}

TEST_F(DataImportTest, ABackupIsReadInPlace) {
    const auto result = Import(Backup());
    ASSERT_TRUE(result && result->imported);
    EXPECT_FALSE(copyWhileAsked);
    EXPECT_EQ(asked, "确认准备导入标记声明为【某某区总工会】的数据么？");
    EXPECT_EQ(test::RecordRows(db), test::RecordRows(sender.Db()));
}

TEST_F(DataImportTest, AProtectedBackupIsDecryptedIntoTheCopyOnly) {
    const fs::path sealed = sender.Folder() / "protected.mdb";
    cipher::SealFile(Backup(), sealed, DerivePassword());
    const auto bytes = ReadWholeFile(sealed);

    const auto result = Import(sealed);
    ASSERT_TRUE(result && result->imported) << (result ? result->message : "");
    EXPECT_TRUE(copyWhileAsked);
    EXPECT_EQ(asked, "确认准备导入标记声明为【某某区总工会】的数据么？");
    EXPECT_EQ(ReadWholeFile(sealed), bytes);
    EXPECT_EQ(test::RecordRows(db), test::RecordRows(sender.Db()));
    EXPECT_TRUE(WorkingCopies().empty());
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

// Staging the second table fails (here a trigger stands in for a full disk): that failure is what
// the user reads, not a verdict of duplicates that was never reached.
TEST_F(DataImportTest, AFailureWhileStagingIsNotCalledDuplicates) {
    test::AddRecord(db, kFirst + 1, "本地乙");
    db.exec(
        "CREATE TRIGGER stage_full BEFORE INSERT ON dt_data_dt_data1 BEGIN SELECT "
        "RAISE(ABORT, 'no room left for staging'); END");
    const auto result = Import(Package());
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->imported);
    EXPECT_NE(result->message, messages::kImportDuplicates);
    EXPECT_NE(result->message.find("no room left for staging"), std::string::npos)
        << result->message;
}

// The conflict report cannot be written: the import fails saying so, and is on record all the same.
TEST_F(DataImportTest, AConflictReportThatCannotBeWrittenStillLeavesTheHistoryRow) {
    test::AddRecord(db, kFirst + 1, "本地乙");
    fs::create_directories(reports.Path() / "数据导入编号冲突.txt" / "in the way");
    std::string message;
    try {
        Import(Package());
    } catch (const UserError& error) {
        message = error.what();
    }
    EXPECT_TRUE(message.starts_with("运行中发生错误：")) << message;
    const auto history = ReadHistory(db);
    ASSERT_FALSE(history.empty());
    EXPECT_FALSE(history.front().succeeded);
    EXPECT_EQ(history.front().outcome, message);
}

// The staging tables outlive an analysis; a retry and the next file must start from empty ones.
TEST_F(DataImportTest, ARetryAndANextFileReportOnlyTheirOwnCollisions) {
    test::AddRecord(db, kFirst + 1, "本地乙");
    const std::string header = "在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n" +
                               std::string(80, '-') + "\r\n";
    const auto reportOf = [&](const fs::path& file) {
        const auto result = Import(file);
        EXPECT_TRUE(result && !result->imported && result->conflictReport);
        if (!result || !result->conflictReport) return std::string();
        const auto bytes = ReadWholeFile(*result->conflictReport);
        return std::string(bytes.begin(), bytes.end());
    };
    const auto staged = [&](const char* table) {
        return db
            .execAndGet(std::string("SELECT group_concat(CAST(c901 - ") +
                        std::to_string(kFirst - 1) + " AS INTEGER)) FROM (SELECT c901 FROM " +
                        table + " ORDER BY c901)")
            .getString();
    };

    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(reportOf(Package()), header + "(100000000002,乙工会)\r\n");
        EXPECT_EQ(staged("dt_data_dt_data"), "2");
        EXPECT_EQ(staged("dt_data_dt_data1"), "2");
    }

    // Another file, whose only collision is another code; 乙 is still here but not in that file.
    sender.Db().exec(
        "DELETE FROM dt_data WHERE c901 = 100000000002; "
        "DELETE FROM dt_data1 WHERE c901 = 100000000002");
    test::AddRecord(db, kFirst + 2, "本地丙");
    EXPECT_EQ(reportOf(Backup()), header + "(100000000003,丙工会)\r\n");
    EXPECT_EQ(staged("dt_data_dt_data"), "3");
    EXPECT_EQ(staged("dt_data_dt_data1"), "3");
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

// A backup-like file made from the sender's records with `change` applied: plain tables without
// constraints, as any other program might write them.
fs::path CraftedFile(test::DeliveredDatabaseCopy& sender, const std::string& name,
                     const std::string& change) {
    const fs::path file = sender.Folder() / name;
    auto crafted = OpenSqlite(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    SQLite::Statement attach(*crafted, "ATTACH DATABASE ? AS sender");
    attach.bind(1, sender.FilePath().string());
    attach.exec();
    crafted->exec(
        "CREATE TABLE dt_data AS SELECT * FROM sender.dt_data;"
        "CREATE TABLE dt_data1 AS SELECT * FROM sender.dt_data1;"
        "CREATE TABLE ct_label AS SELECT * FROM sender.ct_label;");
    crafted->exec(change);
    return file;
}

TEST_F(DataImportTest, AFileWithAnyValueOutsideTheSurveysLimitsImportsNothingAndNamesIt) {
    test::AddRecord(db, 100000000900.0, "本地");
    const struct {
        const char* change;
        const char* finding;
    } cases[] = {
        {"UPDATE dt_data SET c901 = 'abc' WHERE c902 = '乙工会'",
         "编号为'abc'的记录的字段c901（本级工会统计编码）不是12位的整数"},
        {"UPDATE dt_data SET c901 = 5 WHERE c902 = '乙工会'",
         "编号为5的记录的字段c901（本级工会统计编码）不是12位的整数"},
        {"UPDATE dt_data SET c901 = 600000000001.5 WHERE c902 = '乙工会'",
         "编号为600000000001.5的记录的字段c901（本级工会统计编码）不是12位的整数"},
        {"UPDATE dt_data SET z001 = 'abc' WHERE c902 = '丙工会'",
         "编号为100000000003的记录的字段z001（本级工会专职工会干部）不是整数"},
        {"UPDATE dt_data SET z001 = x'00ff' WHERE c902 = '乙工会'",
         "编号为100000000002的记录的字段z001（本级工会专职工会干部）不是整数"},
        {"UPDATE dt_data SET b018 = 1e999",
         "编号为100000000001的记录的字段b018（下岗失业人员获小额借贷款金额）不是有效的数值"},
        {"UPDATE dt_data SET RecordState = 99 WHERE c902 = '丙工会'",
         "编号为100000000003的记录的字段RecordState（数据状态）不是0、1或2"},
        {"UPDATE dt_data SET c902 = printf('%.61c', '名') WHERE c902 = '乙工会'",
         "编号为100000000002的记录的字段c902（本级工会名称）不是文本或超过60个字符"},
        {"UPDATE dt_data SET c907 = 9 WHERE c902 = '乙工会'",
         "编号为100000000002的记录的字段c907（填报状态）不是代码表CT_state中的代码"},
        {"UPDATE dt_data1 SET y002 = 'x' WHERE c901 = 100000000002",
         "编号为100000000002的记录的字段y002（劳模专项补助资金审计金额）不是有效的数值"},
        {"INSERT INTO dt_data SELECT * FROM dt_data WHERE c902 = '甲工会'",
         "编号为100000000001的记录在dt_data表中出现了不止一次"},
        {"DELETE FROM dt_data1 WHERE c901 = 100000000002",
         "编号为100000000002的记录在dt_data1表中没有对应的行"},
        {"INSERT INTO dt_data1 (c901) VALUES (100000000009)",
         "dt_data1表中编号为100000000009的行没有对应的记录"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        const fs::path file =
            CraftedFile(sender, "crafted" + std::to_string(++n) + ".mdb", c.change);
        EXPECT_EQ(Rejection(file), std::string("导入文件中") + c.finding + "，没有导入任何数据。");
    }
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM sqlite_temp_master").getInt(), 0);
    // The same file without the change goes in whole.
    const auto result = Import(CraftedFile(sender, "clean.mdb", "SELECT 1"));
    ASSERT_TRUE(result && result->imported) << (result ? result->message : "");
}

TEST_F(DataImportTest, AFailureWithoutCollidingCodesShowsItsOwnCause) {
    test::AddRecord(db, 100000000900.0, "本地");
    const auto prepared = PrepareImport(db, Backup(), receiver.Folder());
    SQLite::Database readOnly(receiver.FilePath().string(), SQLite::OPEN_READONLY);
    const auto result = TransferImport(readOnly, prepared, reports.Path());
    EXPECT_FALSE(result.imported);
    EXPECT_FALSE(result.conflictReport);
    const std::string file = receiver.FilePath().string();
    EXPECT_EQ(result.message, "导入过程中发生错误，没有导入任何数据：无法写入数据库文件 " + file +
                                  "，请检查该文件及其所在文件夹的写入权限。（attempt to write a "
                                  "readonly database）");

    // Another program writing the working database: the engine reports it locked.
    {
        SQLite::Database writer(receiver.FilePath().string(), SQLite::OPEN_READWRITE);
        writer.exec("BEGIN IMMEDIATE");
        SQLite::Database impatient(receiver.FilePath().string(), SQLite::OPEN_READWRITE);
        const auto locked = TransferImport(impatient, prepared, reports.Path());
        EXPECT_FALSE(locked.imported);
        EXPECT_EQ(locked.message, "导入过程中发生错误，没有导入任何数据：无法使用数据库文件 " +
                                      file +
                                      "，它正被另一个程序使用，请关闭其它使用该文件的程序后再试。"
                                      "（database is locked）");
    }

    // A full disk, here a database that may not grow, while the staging tables still fit.
    const fs::path many = CraftedFile(
        sender, "many.mdb",
        "WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
        "INSERT INTO dt_data (c901, c902, RecordState) SELECT 100000000000 + i, '工会', 1 FROM n;"
        "INSERT INTO dt_data1 (c901) SELECT c901 FROM dt_data WHERE c901 >= 100000000010");
    const auto full = PrepareImport(db, many, receiver.Folder());
    const auto before = test::RecordRows(db);
    db.exec("PRAGMA max_page_count = " + db.execAndGet("PRAGMA page_count").getString());
    const auto refused = TransferImport(db, full, reports.Path());
    EXPECT_FALSE(refused.imported);
    EXPECT_EQ(refused.message, "导入过程中发生错误，没有导入任何数据：无法写入数据库文件 " + file +
                                   "，磁盘空间已满，请清理磁盘空间后再试。（database or disk is "
                                   "full）");
    EXPECT_EQ(test::RecordRows(db), before);

    // The working database itself is refused before anything else.
    try {
        PrepareImport(db, receiver.FilePath(), receiver.Folder());
        ADD_FAILURE() << "prepared";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), messages::kImportOwnDatabase);
    }
}

// Run by an ordinary user (the tests may run as root, who reads anything): a file without read
// permission is reported as such, not as a file of the wrong format.
TEST_F(DataImportTest, AFileThatCannotBeReadSaysSo) {
    const fs::path folder = sender.Folder() / "shared";
    fs::create_directory(folder);
    fs::permissions(sender.Folder(), fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const fs::path file = folder / "locked.dat";
    fs::copy_file(Package(), file);
    fs::permissions(file, fs::perms::none);

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        close(pipeEnds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        std::string message = "prepared";
        try {
            SQLite::Database memory(":memory:");
            PrepareImport(memory, file, folder);
        } catch (const std::exception& error) {
            message = error.what();
        }
        const auto written = write(pipeEnds[1], message.data(), message.size());
        _exit(written == static_cast<ssize_t>(message.size()) ? 0 : 3);
    }
    close(pipeEnds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(message, messages::kFileNotReadable);
    EXPECT_FALSE(fs::exists(folder / kWorkingCopyName));
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
