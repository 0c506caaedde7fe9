#pragma once

#include <filesystem>
#include <optional>

namespace tallwick {

// Environment variable that names the program's data folder when no --data-dir is given.
inline constexpr const char* kDataDirVariable = "TALLWICK_DATA_DIR";

// The folder that holds the working database and every delivered file: the --data-dir argument,
// else TALLWICK_DATA_DIR, else the folder of the running executable.
std::filesystem::path ResolveProgramFolder(const std::optional<std::filesystem::path>& requested);

std::filesystem::path ExecutableFolder();

}  // namespace tallwick
