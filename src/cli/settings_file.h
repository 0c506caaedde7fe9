#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tallwick::cli {

// The settings file that the desktop program keeps (INI, written through QSettings): the file
// named by TALLWICK_SETTINGS, else Marrowind/Tallwick.ini in the user's configuration folder.
std::filesystem::path SettingsFilePath();

// The value of `key` in `[section]`, as the file holds it; nothing when the file or key is
// missing. Keys below the section keep their backslashes: "EnvSetting\\ImePrefer".
std::optional<std::string> ReadSettingsValue(const std::filesystem::path& file,
                                             const std::string& section, const std::string& key);

// How many safety copies the desktop program's settings keep; the default when unset or not a
// positive number.
int SafetyCopiesKept(const std::filesystem::path& file = SettingsFilePath());

}  // namespace tallwick::cli
