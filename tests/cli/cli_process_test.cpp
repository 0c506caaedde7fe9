// tallwick-cli as real processes: two programs on one data folder, a run killed with kill -9,
// and Ctrl+C in the middle of a statement.
#include "../core/exchange_test_data.h"
#include "check/check_report.h"
#include "exchange/data_import.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "record_generator.h"
#include "store/data_folder_lock.h"
#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tallwick {
namespace {
namespace fs = std::filesystem;

const auto kPrivate = fs::perms::owner_read | fs::perms::owner_write;

struct Finished {
    int exitCode = -1;  // -1 when ended by a signal
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One tallwick-cli process whose output goes to files of its own.
class CliProcess {
  public:
    CliProcess(const fs::path& dataFolder, const std::vector<std::string>& args) {
        static int serial = 0;
        const std::string name = "run" + std::to_string(++serial);
        out_ = outputs_.Path() / (name + ".out");
        err_ = outputs_.Path() / (name + ".err");
        std::vector<std::string> argv = {TALLWICK_CLI, "--data-dir", dataFolder.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (auto& arg : argv) pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT, 0600);
        if (posix_spawn(&pid_, TALLWICK_CLI, &actions, nullptr, pointers.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    pid_t Pid() const { return pid_; }

    Finished Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out_), ReadText(err_)};
    }

  private:
    test::TempFolder outputs_;
    fs::path out_;
    fs::path err_;
    pid_t pid_ = -1;
};

Finished RunCli(const fs::path& dataFolder, const std::vector<std::string>& args) {
    return CliProcess(dataFolder, args).Wait();
}

// Our temporary files in a folder, with their modes.
std::vector<std::pair<std::string, fs::perms>> TempFiles(const fs::path& folder) {
    std::vector<std::pair<std::string, fs::perms>> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".tallwick-")) found.emplace_back(name, entry.status().permissions());
    }
    return found;
}

// Polls until the process has made a temporary file in the folder, or has ended.
bool AwaitTempFile(const fs::path& folder, pid_t pid) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < giveUp) {
        if (!TempFiles(folder).empty()) return true;
        if (waitpid(pid, nullptr, WNOHANG) != 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int Count(const fs::path& database) {
    return OpenExistingSqlite(database)->execAndGet("SELECT count(*) FROM dt_data").getInt();
}

class CliProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TEMP", temp.Path().c_str(), 1);
        exchange::BuildPackageTemplate(sender.FilePath(),
                                       sender.Folder() / exchange::kPackageTemplateName);
        sender.CloseDb();
        receiver.CloseDb();
    }
    void TearDown() override { unsetenv("TEMP"); }

    // A package of the sender's records with the codes first, first + 1, ...
    fs::path Package(const std::string& name, double first, int records) {
        auto db = OpenExistingSqlite(sender.FilePath());
        db->exec("DELETE FROM dt_data1; DELETE FROM dt_data");
        for (int i = 0; i < records; ++i) test::AddRecord(*db, first + i, "工会");
        const fs::path file = packages.Path() / name;
        exchange::ExportPackage(*db, sender.Folder() / exchange::kPackageTemplateName, file,
                                "某某区总工会");
        return file;
    }

    test::TempFolder temp;
    test::TempFolder packages;
    test::DeliveredDatabaseCopy sender;
    test::DeliveredDatabaseCopy receiver;
};

TEST_F(CliProcessTest, AHeldDataFolderRefusesChangingCommandsButNotReaders) {
    const fs::path package = Package("pkg.dat", 100000000001.0, 2);
    {
        const auto held = DataFolderLock::Acquire(receiver.Folder());
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"import", package.string(), "--yes"}, {"check", "--all"}}) {
            const Finished refused = RunCli(receiver.Folder(), args);
            EXPECT_EQ(refused.exitCode, 1) << args[0];
            EXPECT_EQ(refused.err, std::string(kDataFolderBusy) + "\n") << args[0];
        }
        EXPECT_EQ(Count(receiver.FilePath()), 0);
        EXPECT_TRUE(TempFiles(receiver.Folder()).empty());
        EXPECT_TRUE(TempFiles(temp.Path()).empty());
        const Finished info = RunCli(receiver.Folder(), {"info"});
        EXPECT_EQ(info.exitCode, 0) << info.err;
    }
    const Finished imported = RunCli(receiver.Folder(), {"import", package.string(), "--yes"});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(Count(receiver.FilePath()), 2);
}

// Two imports started together: each reports the outcome of its own file, never of the other's.
TEST_F(CliProcessTest, TwoImportsAtOnceEachImportTheirOwnFile) {
    const fs::path first = Package("a.dat", 100000000001.0, 3);
    const fs::path second = Package("b.dat", 100000000101.0, 2);
    CliProcess one(receiver.Folder(), {"import", first.string(), "--yes"});
    CliProcess two(receiver.Folder(), {"import", second.string(), "--yes"});
    const Finished a = one.Wait();
    const Finished b = two.Wait();
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(b.exitCode, 0) << b.err;
    EXPECT_NE(a.out.find("数据已经被正确地从'" + first.string() + "'导入！"), std::string::npos);
    EXPECT_NE(b.out.find("数据已经被正确地从'" + second.string() + "'导入！"), std::string::npos);
    auto db = OpenExistingSqlite(receiver.FilePath());
    EXPECT_EQ(db->execAndGet("SELECT count(*) FROM dt_data WHERE c901 < 100000000100").getInt(), 3);
    EXPECT_EQ(db->execAndGet("SELECT count(*) FROM dt_data WHERE c901 > 100000000100").getInt(), 2);
    EXPECT_TRUE(TempFiles(receiver.Folder()).empty());
}

// kill -9 while the package's plain copy is on disk: the copy is private, and the next start of
// any command removes it.
TEST_F(CliProcessTest, WhatAKilledImportLeavesIsPrivateAndGoesAtTheNextStart) {
    const fs::path package = Package("pkg.dat", 100000000001.0, 2);
    {
        // Another connection's write lock holds the import at its first write, the copy made.
        auto blocker = OpenExistingSqlite(receiver.FilePath());
        blocker->exec("BEGIN IMMEDIATE");
        CliProcess import(receiver.Folder(), {"import", package.string(), "--yes"});
        ASSERT_TRUE(AwaitTempFile(receiver.Folder(), import.Pid()));
        kill(import.Pid(), SIGKILL);
        EXPECT_EQ(import.Wait().exitCode, -1);
        blocker->exec("ROLLBACK");
    }
    const auto left = TempFiles(receiver.Folder());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].second, kPrivate);

    const Finished next = RunCli(receiver.Folder(), {"info"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_TRUE(TempFiles(receiver.Folder()).empty());
    EXPECT_EQ(Count(receiver.FilePath()), 0);
}

// kill -9 while a replacing import is inside its transaction: the database, its guards and its
// history are exactly as before.
TEST_F(CliProcessTest, AReplacingImportKilledMidwayLeavesTheDatabaseAsItWas) {
    constexpr int kRecords = 10'000;
    {
        auto db = OpenExistingSqlite(receiver.FilePath());
        bench::GenerateRecords(*db, kRecords, 1);
        auto sent = OpenExistingSqlite(sender.FilePath());
        bench::GenerateRecords(*sent, kRecords + kRecords / 2, 2);
        SQLite::Statement older(*sent, "DELETE FROM dt_data WHERE c901 < ?");
        older.bind(1, 100000000001.0 + 7.0 * (kRecords / 2));
        older.exec();
        sent->exec(
            "DELETE FROM dt_data1 WHERE c901 NOT IN (SELECT c901 FROM dt_data);"
            "UPDATE dt_data SET RecordState = 1");
        exchange::ExportPackage(*sent, sender.Folder() / exchange::kPackageTemplateName,
                                packages.Path() / "large.dat", "某某区总工会");
    }
    const auto snapshot = [&] {
        auto db = OpenExistingSqlite(receiver.FilePath());
        auto rows = test::RecordRows(*db);
        for (const char* sql :
             {"SELECT group_concat(name || sql, ';') FROM (SELECT name, sql FROM sqlite_master "
              "ORDER BY name)",
              "SELECT count(*) FROM ImportHistory"})
            rows.push_back(db->execAndGet(sql).getString());
        return rows;
    };
    const auto before = snapshot();

    // How long the import runs here and now once its transaction has begun.
    const fs::path journal = receiver.FilePath().string() + "-journal";
    const fs::path pristine = packages.Path() / "pristine.mdb";
    fs::copy_file(receiver.FilePath(), pristine);
    const auto ended = [](pid_t pid) {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == pid;
    };
    const auto start = [&] {
        fs::copy_file(pristine, receiver.FilePath(), fs::copy_options::overwrite_existing);
        fs::remove_all(receiver.Folder() / "backups");
        fs::remove(journal);  // what the last killed run left, rolled back already
        auto import = std::make_unique<CliProcess>(
            receiver.Folder(),
            std::vector<std::string>{"import", (packages.Path() / "large.dat").string(), "--yes",
                                     "--on-conflict", "replace"});
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(journal) && std::chrono::steady_clock::now() < giveUp &&
               !ended(import->Pid())) {
        }
        return import;
    };
    std::chrono::steady_clock::duration lifetime{};
    {
        auto import = start();
        const auto began = std::chrono::steady_clock::now();
        while (!ended(import->Pid())) {
        }
        lifetime = std::chrono::steady_clock::now() - began;
        ASSERT_EQ(import->Wait().exitCode, 0);
    }
    const auto after = snapshot();
    // Killed at moments from its first deletion on: all or nothing, never a part.
    int rolledBack = 0;
    for (const int percent : {0, 20, 40, 60, 80}) {
        SCOPED_TRACE(percent);
        auto import = start();
        const auto at = std::chrono::steady_clock::now() + lifetime * percent / 100;
        while (std::chrono::steady_clock::now() < at) {
        }
        if (ended(import->Pid())) continue;
        kill(import->Pid(), SIGKILL);
        import->Wait();
        const auto found = snapshot();
        EXPECT_TRUE(found == before || found == after);
        rolledBack += found == before ? 1 : 0;
    }
    EXPECT_GE(rolledBack, 2);

    fs::copy_file(pristine, receiver.FilePath(), fs::copy_options::overwrite_existing);
    const Finished finished = RunCli(
        receiver.Folder(),
        {"import", (packages.Path() / "large.dat").string(), "--yes", "--on-conflict", "replace"});
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    EXPECT_NE(finished.out.find("新增5000条记录，替换5000条记录，保留0条现有记录。"),
              std::string::npos)
        << finished.out;
}

// Whether the process has its own handler of SIGINT in place.
bool HandlesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigCgt:"))
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
    }
    return false;
}

// Ctrl+C in the middle of a statement that would never end: the command ends through its own
// error path, says so and leaves no file behind.
TEST_F(CliProcessTest, CtrlCStopsAStatementThatNeverEnds) {
    const fs::path target = temp.Path() / "result.mdb";
    CliProcess query(receiver.Folder(),
                     {"query", "--where",
                      "c901 IN (WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) "
                      "SELECT x FROM r)",
                      "--db", target.string()});
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!HandlesInterrupt(query.Pid()) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(HandlesInterrupt(query.Pid()));
    kill(query.Pid(), SIGINT);
    const auto hasEnded = [&] {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(query.Pid()), &info, WEXITED | WNOHANG | WNOWAIT) ==
                   0 &&
               info.si_pid == query.Pid();
    };
    while (!hasEnded() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!hasEnded()) kill(query.Pid(), SIGKILL);
    const Finished ended = query.Wait();

    EXPECT_EQ(ended.exitCode, 128 + SIGINT) << ended.err;
    EXPECT_TRUE(ended.err.ends_with("操作已被中断。\n")) << ended.err;
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(TempFiles(temp.Path()).empty());
}

}  // namespace
}  // namespace tallwick
