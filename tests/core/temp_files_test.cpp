// Temporary files: private from their creation, and the leftovers of a killed run told apart from
// the files of a program still running.
#include "cipher/aes_file.h"
#include "common/file_io.h"
#include "exchange/group_transfer.h"
#include "exchange/network_report.h"
#include "exchange/package_template.h"
#include "query/result_database.h"
#include "sheet/zip_archive.h"
#include "test_support.h"

#include <SQLiteCpp/Database.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

TEST(TempFiles, ArePrivateFromTheirCreationAndAfterAnAtomicWrite) {
    const test::TempFolder folder;
    const auto privateMode = fs::perms::owner_read | fs::perms::owner_write;
    const fs::path created = CreatePrivateTempFile(folder.Path() / "plain.db");
    EXPECT_EQ(fs::status(created).permissions(), privateMode);
    EXPECT_EQ(fs::file_size(created), 0u);
    const fs::path written = folder.Path() / "copy.db";
    WriteFileAtomically(written, {1, 2, 3});
    EXPECT_EQ(fs::status(written).permissions(), privateMode);
}

TEST(TempFiles, OnlyThoseOfEndedProcessesAreRemoved) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);  // its id now names no process

    const test::TempFolder folder;
    const auto touch = [&](const std::string& name) {
        std::ofstream(folder.Path() / name) << "plain";
        return name;
    };
    const std::string dead = ".tallwick-" + std::to_string(child) + "-";
    const std::string removed[] = {touch(dead + "temp.dat.Ab12Cd"),
                                   touch(dead + "temp.dat.Ab12Cd-journal")};
    const std::string kept[] = {
        touch(".tallwick-" + std::to_string(getpid()) + "-temp.dat.Ab12Cd"),  // this program
        touch(".tallwick-1-temp.dat.Ab12Cd"),                                 // a live process
        touch(".tallwick.lock"),
        touch(".tallwick-x-temp.dat"),
        touch(".tallwick-" + std::to_string(child)),
        touch("2018NB_qd_201809251730.mdb"),
        touch("temp.dat"),
    };
    RemoveStaleTempFiles(folder.Path());
    for (const auto& name : removed) EXPECT_FALSE(fs::exists(folder.Path() / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(folder.Path() / name)) << name;
    RemoveStaleTempFiles(folder.Path() / "missing");  // no folder, no error
}

pid_t EndedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Exports write beside their target in a folder the user chose: what they write is private from
// its first byte, and what a killed export left there is gone at the next start.
TEST(TempFiles, BesideAnExportsTargetArePrivateAndSweptAtTheNextStart) {
    // A umask that lets others read: a temporary made by merely opening a file would show it.
    struct OpenUmask {
        mode_t previous = umask(022);
        ~OpenUmask() { umask(previous); }
    } openUmask;
    const test::TempFolder data;
    test::DeliveredDatabaseCopy survey;
    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE);
    db.exec("CREATE TABLE sample(c901 TEXT, name TEXT); INSERT INTO sample VALUES('1', '工会')");
    const auto plainSource = data.Path() / "source.txt";
    std::ofstream(plainSource) << "plain";
    const struct {
        const char* name;
        std::function<fs::path(const fs::path& folder)> write;
    } exports[] = {
        {"workbook",  // summaries and printed reports
         [](const fs::path& folder) {
             sheet::WriteZipAtomically(folder / "汇总.xlsx", {{"a.xml", "<a/>"}});
             return folder / "汇总.xlsx";
         }},
        {"query database",
         [&db](const fs::path& folder) {
             return query::ExportResultDatabase(db, "SELECT * FROM sample", "", "结果",
                                                folder / "结果", nullptr);
         }},
        {"plain file",
         [](const fs::path& folder) {
             WriteFileAtomically(folder / "plain.txt", {'a'});
             return folder / "plain.txt";
         }},
        {"group export, a new file",
         [&survey](const fs::path& folder) {
             exchange::ExportTables(survey.FilePath(), exchange::kGroupTables, folder / "组.mdb");
             return folder / "组.mdb";
         }},
        {"group export into a file there",
         [&survey](const fs::path& folder) {
             const fs::path target = folder / "组.mdb";
             SQLite::Database(target.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
                 .exec("CREATE TABLE mine(a)");
             fs::permissions(target, fs::perms::others_read, fs::perm_options::add);
             exchange::ExportTables(survey.FilePath(), exchange::kGroupTables, target);
             return target;
         }},
        {"network report",
         [&survey](const fs::path& folder) {
             const auto paths = exchange::NetworkReportPathsFor(folder / "网络版.dat");
             exchange::ExportNetworkReport(survey.Db(), paths, {});
             return paths.target;
         }},
        {"network report in the clear",
         [&survey](const fs::path& folder) {
             exchange::ExportNetworkReportPlain(survey.Db(), folder / "网络版.txt", {});
             return folder / "网络版.txt";
         }},
        {"package template",
         [&survey](const fs::path& folder) {
             exchange::BuildPackageTemplate(survey.FilePath(), folder / "view.dll");
             return folder / "view.dll";
         }},
        {"encrypt",
         [&plainSource](const fs::path& folder) {
             cipher::EncryptFileReplacing(plainSource, folder / "加密.dat", "key");
             return folder / "加密.dat";
         }},
    };
    const std::string leftover =
        ".tallwick-" + std::to_string(EndedProcess()) + "-target.xlsx.Ab12Cd";
    std::vector<test::TempFolder> folders(std::size(exports));
    ListTempFoldersIn(data.Path());
    for (std::size_t i = 0; i < std::size(exports); ++i) {
        const fs::path target = exports[i].write(folders[i].Path());
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << exports[i].name;
        std::ofstream(folders[i].Path() / leftover) << "records in the clear";
    }
    RemoveStaleTempFilesOfListedFolders(data.Path());
    for (std::size_t i = 0; i < std::size(exports); ++i) {
        EXPECT_FALSE(fs::exists(folders[i].Path() / leftover)) << exports[i].name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folders[i].Path()), {}), 1)
            << exports[i].name;
    }
    // The folders are forgotten once clean: a later leftover there is not this start's business.
    std::ofstream(folders[0].Path() / leftover) << "later";
    RemoveStaleTempFilesOfListedFolders(data.Path());
    EXPECT_TRUE(fs::exists(folders[0].Path() / leftover));
}

}  // namespace
}  // namespace tallwick
