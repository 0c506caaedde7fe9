// Temporary files: private from their creation, and the leftovers of a killed run told apart from
// the files of a program still running.
#include "common/file_io.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

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

}  // namespace
}  // namespace tallwick
