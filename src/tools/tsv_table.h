#pragma once

// The build tools' reader of the tab-separated sources under data/: a header line, then one
// record per non-empty line; CR LF and LF both end a line.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tallwick::tools {

struct TsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;  // as many cells as the line holds
};

// The parts of `text` between separators; a trailing separator ends in an empty part.
std::vector<std::string> Split(const std::string& text, char separator);

TsvTable ReadTsv(const std::filesystem::path& path);

// The rows by column name; a missing trailing cell reads as empty, a row with more cells than
// the header is refused.
std::vector<std::map<std::string, std::string>> ReadTsvRecords(const std::filesystem::path& path);

}  // namespace tallwick::tools
