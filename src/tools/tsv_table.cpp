#include "tsv_table.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tallwick::tools {
std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

TsvTable ReadTsv(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    TsvTable table;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            table.header = Split(line, '\t');
            first = false;
        } else if (!line.empty()) {
            table.rows.push_back(Split(line, '\t'));
        }
    }
    return table;
}

std::vector<std::map<std::string, std::string>> ReadTsvRecords(const std::filesystem::path& path) {
    const TsvTable table = ReadTsv(path);
    std::vector<std::map<std::string, std::string>> records;
    for (const auto& cells : table.rows) {
        if (cells.size() > table.header.size())
            throw std::runtime_error(path.string() + ": too many cells in a row starting \"" +
                                     cells.front() + "\"");
        std::map<std::string, std::string> record;
        for (std::size_t i = 0; i < table.header.size(); ++i)
            record[table.header[i]] = i < cells.size() ? cells[i] : std::string();
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace tallwick::tools
