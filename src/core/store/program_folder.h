#pragma once

#include <filesystem>
#include <optional>

namespace tallwick {

// Environment variable that names the program's data folder when no --data-dir is given.
inline constexpr const char* kDataDirVariable = "TALLWICK_DATA_DIR";

// Where the program finds its files: the executable's folder (the build folder, or the bin folder
// of an installation), the installed delivered files, and the user's own data folder.
struct ProgramPlaces {
    std::filesystem::path executableFolder;
    std::filesystem::path shareFolder;
    std::filesystem::path userDataFolder;
};

// The places of the running program: share/tallwick beside its bin folder, and
// $XDG_DATA_HOME/Tallwick (by default ~/.local/share/Tallwick).
ProgramPlaces CurrentProgramPlaces();

// The folder that holds the working database: the --data-dir argument, else TALLWICK_DATA_DIR,
// else the executable's folder when it holds a working database and may be written, else the
// user's data folder. The user's data folder gets a copy of the delivered database when it has
// none; a database already there is never replaced.
std::filesystem::path ResolveProgramFolder(const std::optional<std::filesystem::path>& requested,
                                           const ProgramPlaces& places = CurrentProgramPlaces());

// A delivered file (a template, a page note, a table list) by its name relative to the program's
// folder: the data folder's own copy, else the one beside the executable, else the installed one.
// When there is none, the data folder's path, so that the error names it.
std::filesystem::path DeliveredFile(const std::filesystem::path& dataFolder,
                                    const std::filesystem::path& name,
                                    const ProgramPlaces& places = CurrentProgramPlaces());

std::filesystem::path ExecutableFolder();

}  // namespace tallwick
