#include "store/program_folder.h"

#include "common/file_io.h"
#include "store/connection.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;

namespace {

bool Writable(const fs::path& path) {
    return access(path.c_str(), W_OK) == 0;
}

std::optional<fs::path> DeliveredDatabase(const ProgramPlaces& places) {
    for (const fs::path& folder : {places.executableFolder, places.shareFolder}) {
        if (fs::is_regular_file(folder / kDatabaseFileName)) return folder / kDatabaseFileName;
    }
    return std::nullopt;
}

// Copies the delivered database in under a temporary name and links it into place only when no
// database is there yet, so that a half-copied file never becomes the working database and a
// program starting at the same moment never replaces one that is already in use.
void SeedUserDataFolder(const ProgramPlaces& places) {
    const fs::path target = places.userDataFolder / kDatabaseFileName;
    if (fs::exists(target)) return;
    const auto delivered = DeliveredDatabase(places);
    if (!delivered) return;  // opening reports the missing database
    fs::create_directories(places.userDataFolder);
    const fs::path temp = SiblingTempPath(target);
    try {
        fs::copy_file(*delivered, temp);
        fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add);
        if (link(temp.c_str(), target.c_str()) != 0 && errno != EEXIST) {
            throw std::system_error(errno, std::generic_category(),
                                    "cannot create " + target.string());
        }
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
    fs::remove(temp);
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
    // The XDG rule: an unset, empty or relative XDG_DATA_HOME means ~/.local/share.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && fs::path(dataHome).is_absolute()) {
        places.userDataFolder = fs::path(dataHome) / "Tallwick";
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* account = getpwuid(getuid());
            home = account ? account->pw_dir : "/";
        }
        places.userDataFolder = fs::path(home) / ".local" / "share" / "Tallwick";
    }
    return places;
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
    for (const fs::path& folder : {dataFolder, places.executableFolder, places.shareFolder}) {
        if (fs::exists(folder / name)) return folder / name;
    }
    return dataFolder / name;
}

}  // namespace tallwick
