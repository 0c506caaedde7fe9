#pragma once

#include <filesystem>
#include <optional>

namespace tallwick {

// Environment variable that names the program's data folder when no --data-dir is given.
inline constexpr const char* kDataDirVariable = "TALLWICK_DATA_DIR";

// Said when the user's data folder cannot get its copy of the delivered database; the system's
// own words follow in brackets.
inline constexpr const char* kDataFolderSeedFailed =
    "无法在用户数据文件夹中建立工作数据库，请检查该文件夹的写入权限和磁盘空间。";

// Where the program looks for its files: its own folder (the build's bin folder, or the bin
// folder of an installation), the installed delivered files (share/tallwick beside that bin
// folder), and the user's own data folder ($XDG_DATA_HOME/Tallwick, ~/.local/share/Tallwick).
struct ProgramPlaces {
    std::filesystem::path executableFolder;
    std::filesystem::path shareFolder;
    std::filesystem::path userDataFolder;
};

// The places of the running program, from its own path and the environment.
ProgramPlaces CurrentProgramPlaces();

// The folder of the delivered files (database, templates, notes, table lists): the program's own
// folder when the delivered database is there, else the installed share folder.
std::filesystem::path DeliveredFolder(const ProgramPlaces& places = CurrentProgramPlaces());

// The folder of the working database, backups and the lists the program rewrites: the
// --data-dir argument, else TALLWICK_DATA_DIR, else the program's own folder when it holds a
// working database that may be written, else the user's data folder. The user's data folder
// gets a copy of the delivered database when it has none; one already there is never replaced.
std::filesystem::path ResolveProgramFolder(const std::optional<std::filesystem::path>& requested,
                                           const ProgramPlaces& places = CurrentProgramPlaces());

// A delivered file by its name relative to the delivered folder ("view.dll",
// "notes/TableNotesQD-01.rtf"): the data folder's own copy when it has one, else the delivered
// one. When neither exists, the delivered path, so that an error names where it belongs.
std::filesystem::path DeliveredFile(const std::filesystem::path& dataFolder,
                                    const std::filesystem::path& name,
                                    const ProgramPlaces& places = CurrentProgramPlaces());

std::filesystem::path ExecutableFolder();

}  // namespace tallwick
