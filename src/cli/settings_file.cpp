#include "settings_file.h"

#include "arguments.h"
#include "store/safety_copy.h"

#include <cstdlib>
#include <fstream>

namespace tallwick::cli {
namespace fs = std::filesystem;

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

fs::path SettingsFilePath() {
    if (const char* file = std::getenv("TALLWICK_SETTINGS"); file && *file) return file;
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = fs::path(home) / ".config";
    return config / "Marrowind" / "Tallwick.ini";
}

std::optional<std::string> ReadSettingsValue(const fs::path& file, const std::string& section,
                                             const std::string& key) {
    std::ifstream in(file);
    std::string current;
    for (std::string line; std::getline(in, line);) {
        line = Trimmed(line);
        if (line.starts_with("[") && line.ends_with("]")) {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        const auto equals = line.find('=');
        if (current == section && equals != std::string::npos &&
            Trimmed(line.substr(0, equals)) == key)
            return Trimmed(line.substr(equals + 1));
    }
    return std::nullopt;
}

int SafetyCopiesKept(const fs::path& file) {
    const auto text =
        ReadSettingsValue(file, "Options", std::string("EnvSetting\\") + kSafetyCopyCountSetting);
    const auto kept = text ? ParseExactly<int>(*text) : std::nullopt;
    return kept && *kept > 0 ? *kept : kDefaultSafetyCopiesKept;
}

}  // namespace tallwick::cli
