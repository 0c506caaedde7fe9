// Which folder holds the working database, where the delivered files come from, and the copy of
// the delivered database that an installed program gives each user.
#include "store/program_folder.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "store/connection.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

// Sets or clears an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Permissions bind everyone but root; under root the calls run as "nobody", so that a folder
// without write permission is one the program really cannot write.
class AsUnprivilegedUser {
  public:
    AsUnprivilegedUser() : active_(geteuid() == 0) {
        if (active_ && (setegid(65534) != 0 || seteuid(65534) != 0)) std::abort();
    }
    ~AsUnprivilegedUser() {
        if (active_ && (seteuid(0) != 0 || setegid(0) != 0)) std::abort();
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

  private:
    bool active_;
};

// An installation in a temporary folder: bin/, share/tallwick/ and a home with its data folder.
struct Installation {
    test::TempFolder root;
    ProgramPlaces places{root.Path() / "bin", root.Path() / "share" / "tallwick",
                         root.Path() / "home" / ".local" / "share" / "Tallwick"};

    Installation() {
        fs::create_directories(places.executableFolder);
        fs::create_directories(places.shareFolder);
        fs::create_directories(root.Path() / "home");
        fs::permissions(root.Path(), fs::perms::owner_all | fs::perms::group_exec |
                                         fs::perms::others_exec | fs::perms::group_read |
                                         fs::perms::others_read);
        fs::permissions(root.Path() / "home", fs::perms::all);
    }
    void Deliver(const fs::path& folder) const {
        fs::copy_file(test::DeliveredDatabasePath(), folder / kDatabaseFileName);
    }
    fs::path UserDatabase() const { return places.userDataFolder / kDatabaseFileName; }
};

TEST(DataFolder, IsChosenInItsOrder) {
    enum class Where { Requested, Environment, Program, User };
    enum class Variable { Unset, Empty, Set };
    struct Case {
        const char* name;
        bool requested;
        Variable environment;
        bool dbBesideProgram;
        bool dbInShare;
        bool programFolderReadOnly;
        Where expected;
        bool seeded;
    };
    const Case cases[] = {
        {"--data-dir before everything", true, Variable::Set, true, true, false, Where::Requested,
         false},
        {"the environment without --data-dir", false, Variable::Set, true, true, false,
         Where::Environment, false},
        {"an empty variable counts as none", false, Variable::Empty, true, true, false,
         Where::Program, false},
        {"the program folder with a writable database", false, Variable::Unset, true, true, false,
         Where::Program, false},
        {"a read-only program folder", false, Variable::Unset, true, false, true, Where::User,
         true},
        {"installed: the database only in share", false, Variable::Unset, false, true, false,
         Where::User, true},
        {"nothing delivered: opening reports it", false, Variable::Unset, false, false, false,
         Where::User, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Installation install;
        const fs::path requested = install.root.Path() / "chosen";
        const fs::path environment = install.root.Path() / "from-environment";
        if (c.dbBesideProgram) install.Deliver(install.places.executableFolder);
        if (c.dbInShare) install.Deliver(install.places.shareFolder);
        const std::optional<std::string> variable[] = {std::nullopt, "", environment.string()};
        const ScopedEnv env(kDataDirVariable, variable[static_cast<int>(c.environment)]);
        fs::path chosen;
        if (c.programFolderReadOnly) {
            fs::permissions(install.places.executableFolder / kDatabaseFileName,
                            fs::perms::owner_write, fs::perm_options::remove);
            fs::permissions(install.places.executableFolder, fs::perms::owner_write,
                            fs::perm_options::remove);
            const AsUnprivilegedUser nobody;
            chosen = ResolveProgramFolder(std::nullopt, install.places);
        } else {
            chosen = ResolveProgramFolder(c.requested ? std::optional(requested) : std::nullopt,
                                          install.places);
        }
        const fs::path expected[] = {requested, environment, install.places.executableFolder,
                                     install.places.userDataFolder};
        EXPECT_EQ(chosen, expected[static_cast<int>(c.expected)]);
        EXPECT_EQ(fs::exists(install.UserDatabase()), c.seeded);
        if (c.seeded) {
            EXPECT_EQ(ReadWholeFile(install.UserDatabase()),
                      ReadWholeFile(test::DeliveredDatabasePath()));
            // Only the database: no temporary file is left behind.
            EXPECT_EQ(std::distance(fs::directory_iterator(install.places.userDataFolder),
                                    fs::directory_iterator()),
                      1);
        }
        if (c.expected != Where::User) {
            EXPECT_FALSE(fs::exists(install.places.userDataFolder));
        }
    }
}

TEST(DataFolder, TheUsersCopyIsMadeOnceAndNeverReplaced) {
    const Installation install;
    install.Deliver(install.places.shareFolder);
    const ScopedEnv env(kDataDirVariable, std::nullopt);
    ASSERT_EQ(ResolveProgramFolder(std::nullopt, install.places), install.places.userDataFolder);
    // The user's work since then stands in for any change of the working database.
    WriteFileAtomically(install.UserDatabase(), {'w', 'o', 'r', 'k'});
    EXPECT_EQ(ResolveProgramFolder(std::nullopt, install.places), install.places.userDataFolder);
    EXPECT_EQ(ReadWholeFile(install.UserDatabase()),
              (std::vector<unsigned char>{'w', 'o', 'r', 'k'}));
}

// A home where the data folder cannot be made (here a file stands in its way) is said so, and no
// part of a copy is left behind.
TEST(DataFolder, AUsersFolderThatCannotBeMadeIsReported) {
    Installation install;
    install.Deliver(install.places.shareFolder);
    WriteFileAtomically(install.root.Path() / "home" / ".local", {'x'});
    const ScopedEnv env(kDataDirVariable, std::nullopt);
    try {
        ResolveProgramFolder(std::nullopt, install.places);
        ADD_FAILURE() << "no error";
    } catch (const UserError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with(kDataFolderSeedFailed)) << error.what();
    }
    EXPECT_FALSE(fs::exists(install.UserDatabase()));
}

TEST(DataFolder, TheUsersFolderFollowsXdgDataHome) {
    struct Case {
        std::optional<std::string> xdgDataHome;
        fs::path expected;
    };
    const Case cases[] = {
        {"/srv/data", "/srv/data/Tallwick"},
        {std::nullopt, "/home/someone/.local/share/Tallwick"},
        {"", "/home/someone/.local/share/Tallwick"},
        {"relative/data", "/home/someone/.local/share/Tallwick"},
    };
    const ScopedEnv home("HOME", "/home/someone");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xdgDataHome.value_or("(unset)"));
        const ScopedEnv xdg("XDG_DATA_HOME", c.xdgDataHome);
        const ProgramPlaces places = CurrentProgramPlaces();
        EXPECT_EQ(places.userDataFolder, c.expected);
        EXPECT_EQ(places.executableFolder, ExecutableFolder());
        EXPECT_EQ(places.shareFolder, ExecutableFolder().parent_path() / "share" / "tallwick");
    }
}

// The data folder's own copy serves (the summary dialog keeps its ticks there), else the program
// folder's when the program runs from its build folder, else the installed one.
TEST(DeliveredFiles, TheDataFoldersOwnCopyElseTheProgramsElseTheInstalledOne) {
    const Installation install;
    const test::TempFolder data;
    const fs::path note = fs::path("notes") / "TableNotesQD-01.rtf";
    EXPECT_EQ(DeliveredFile(data.Path(), note, install.places), install.places.shareFolder / note);
    install.Deliver(install.places.executableFolder);
    EXPECT_EQ(DeliveredFile(data.Path(), note, install.places),
              install.places.executableFolder / note);
    EXPECT_EQ(DeliveredFolder(install.places), install.places.executableFolder);
    fs::create_directories(data.Path() / "notes");
    WriteFileAtomically(data.Path() / note, {'x'});
    EXPECT_EQ(DeliveredFile(data.Path(), note, install.places), data.Path() / note);
}

}  // namespace
}  // namespace tallwick
