#include "store/program_folder.h"

#include "common/durable_file.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "store/connection.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tallwick {
namespace fs = std::filesystem;

namespace {

// Judged as the running user, by the permissions themselves: a database the program could read
// but not change must not become the working one.
bool Writable(const fs::path& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// The copy reaches the disk under a temporary name first (WriteFileDurably), so after a crash the
// working database is either complete or absent, never a torn copy that would count as seeded.
// It is then linked into place only while no database is there: a program starting at the same
// moment never replaces one already in use.
void SeedUserDataFolder(const ProgramPlaces& places) {
    const fs::path target = places.userDataFolder / kDatabaseFileName;
    if (fs::exists(fs::symlink_status(target))) return;
    const fs::path delivered = DeliveredFolder(places) / kDatabaseFileName;
    if (!fs::is_regular_file(delivered)) return;  // opening reports the missing database
    fs::path temp;
    try {
        fs::create_directories(places.userDataFolder);
        const std::vector<unsigned char> bytes = ReadWholeFile(delivered);
        temp = SiblingTempPath(target);
        WriteFileDurably(
            temp, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (link(temp.c_str(), target.c_str()) != 0 && errno != EEXIST)
            throw std::system_error(errno, std::generic_category(),
                                    "cannot create " + target.string());
        fs::remove(temp);
    } catch (const std::exception& error) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw UserError(std::string(kDataFolderSeedFailed) + "（" + error.what() + "）");
    }
}

fs::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* account = getpwuid(getuid()); account && account->pw_dir)
        return account->pw_dir;
    return "/";
}

}  // namespace

fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

ProgramPlaces CurrentProgramPlaces() {
    ProgramPlaces places;
    places.executableFolder = ExecutableFolder();
    places.shareFolder = (places.executableFolder / TALLWICK_SHARE_FROM_BIN).lexically_normal();
    // A relative or empty XDG_DATA_HOME is to be ignored, like an unset one.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && fs::path(dataHome).is_absolute())
        places.userDataFolder = fs::path(dataHome) / "Tallwick";
    else
        places.userDataFolder = HomeFolder() / ".local" / "share" / "Tallwick";
    return places;
}

fs::path DeliveredFolder(const ProgramPlaces& places) {
    if (fs::is_regular_file(places.executableFolder / kDatabaseFileName))
        return places.executableFolder;
    return places.shareFolder;
}

fs::path ResolveProgramFolder(const std::optional<fs::path>& requested,
                              const ProgramPlaces& places) {
    if (requested && !requested->empty()) return fs::absolute(*requested);
    if (const char* fromEnvironment = std::getenv(kDataDirVariable);
        fromEnvironment && *fromEnvironment) {
        return fs::absolute(fromEnvironment);
    }
    const fs::path beside = places.executableFolder / kDatabaseFileName;
    if (fs::is_regular_file(beside) && Writable(places.executableFolder) && Writable(beside))
        return places.executableFolder;
    SeedUserDataFolder(places);
    return places.userDataFolder;
}

fs::path DeliveredFile(const fs::path& dataFolder, const fs::path& name,
                       const ProgramPlaces& places) {
    const fs::path own = dataFolder / name;
    if (fs::exists(own)) return own;
    return DeliveredFolder(places) / name;
}

}  // namespace tallwick
