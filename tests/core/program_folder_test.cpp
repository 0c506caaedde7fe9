// Where the programs find the working database and the delivered files: the order of the
// choices, the first-use copy into the user's data folder, and that it is never made again.
#include "store/program_folder.h"
#include "store/connection.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using tallwick::DeliveredFile;
using tallwick::kDatabaseFileName;
using tallwick::ProgramPlaces;
using tallwick::ResolveProgramFolder;

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sets or clears an environment variable for as long as it lives.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class ProgramFolderTest : public ::testing::Test {
  protected:
    tallwick::test::TempFolder temp;
    ProgramPlaces places{temp.Path() / "bin", temp.Path() / "share" / "tallwick",
                         temp.Path() / "home" / "Tallwick"};
    ScopedVariable noDataDir{tallwick::kDataDirVariable, nullptr};

    void SetUp() override {
        fs::create_directories(places.executableFolder);
        Write(places.shareFolder / kDatabaseFileName, "delivered");
    }
};

TEST_F(ProgramFolderTest, TheDataFolderIsChosenInItsOrder) {
    struct Case {
        const char* name;
        std::optional<fs::path> requested;
        const char* variable;
        bool databaseBesideTheProgram;
        fs::path expected;
    };
    const fs::path asked = temp.Path() / "asked";
    const fs::path fromVariable = temp.Path() / "variable";
    const std::vector<Case> cases = {
        {"--data-dir before all", asked, fromVariable.c_str(), true, asked},
        {"then the variable", std::nullopt, fromVariable.c_str(), true, fromVariable},
        {"an empty variable counts as none", std::nullopt, "", true, places.executableFolder},
        {"then the program's folder with its database", std::nullopt, nullptr, true,
         places.executableFolder},
        {"else the user's data folder", std::nullopt, nullptr, false, places.userDataFolder},
    };
    for (const Case& c : cases) {
        const ScopedVariable variable(tallwick::kDataDirVariable, c.variable);
        std::error_code ignored;
        fs::remove(places.executableFolder / kDatabaseFileName, ignored);
        if (c.databaseBesideTheProgram)
            Write(places.executableFolder / kDatabaseFileName, "beside");
        EXPECT_EQ(ResolveProgramFolder(c.requested, places), c.expected) << c.name;
    }
}

TEST_F(ProgramFolderTest, TheUsersFolderGetsTheDeliveredDatabaseOnceAndKeepsItsOwn) {
    const fs::path working = places.userDataFolder / kDatabaseFileName;
    EXPECT_EQ(ResolveProgramFolder(std::nullopt, places), places.userDataFolder);
    EXPECT_EQ(Read(working), "delivered");
    Write(working, "the user's records");
    Write(places.shareFolder / kDatabaseFileName, "a newer delivery");
    EXPECT_EQ(ResolveProgramFolder(std::nullopt, places), places.userDataFolder);
    EXPECT_EQ(Read(working), "the user's records");
    // Nothing of the copy is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(places.userDataFolder), {}), 1);
}

TEST_F(ProgramFolderTest, TheUsersFolderFollowsXdgDataHome) {
    const ScopedVariable home("HOME", (temp.Path() / "h").c_str());
    {
        const ScopedVariable unset("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(tallwick::CurrentProgramPlaces().userDataFolder,
                  temp.Path() / "h" / ".local" / "share" / "Tallwick");
    }
    const ScopedVariable set("XDG_DATA_HOME", (temp.Path() / "xdg").c_str());
    EXPECT_EQ(tallwick::CurrentProgramPlaces().userDataFolder, temp.Path() / "xdg" / "Tallwick");
}

TEST_F(ProgramFolderTest, ADeliveredFileIsTheDataFoldersElseBesideTheProgramElseInstalled) {
    const fs::path data = temp.Path() / "data";
    const fs::path name = "notes/TableNotesQD-01.rtf";
    EXPECT_EQ(DeliveredFile(data, name, places), data / name) << "none: the error names this one";
    Write(places.shareFolder / name, "installed");
    EXPECT_EQ(DeliveredFile(data, name, places), places.shareFolder / name);
    Write(places.executableFolder / name, "beside");
    EXPECT_EQ(DeliveredFile(data, name, places), places.executableFolder / name);
    Write(data / name, "own");
    EXPECT_EQ(DeliveredFile(data, name, places), data / name);
}

}  // namespace
