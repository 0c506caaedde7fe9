#pragma once

#include <filesystem>

namespace tallwick::exchange {

inline constexpr const char* kPackageTemplateName = "view.dll";

// The package template of a data folder (--data-dir, TALLWICK_DATA_DIR) when it has its own,
// else the one delivered beside the program; the window and the command line use the same.
std::filesystem::path PackageTemplatePath(const std::filesystem::path& dataFolder);

// Writes the package template: a sealed, empty database holding dt_data, dt_data1 (with their
// definitions taken from the survey database, so the columns match) and ct_label with one row.
void BuildPackageTemplate(const std::filesystem::path& surveyDatabase,
                          const std::filesystem::path& target);

}  // namespace tallwick::exchange
