#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick::sheet {

// The parts of an Office Open XML file, in the order of the archive.
struct ZipEntry {
    std::string name;
    std::string bytes;
};

// Throws std::runtime_error when the file is missing or not a zip archive.
std::vector<ZipEntry> ReadZip(const std::filesystem::path& path);

// Writes beside the target and renames over it, so the target is either untouched or complete.
void WriteZipAtomically(const std::filesystem::path& target, const std::vector<ZipEntry>& entries);

}  // namespace tallwick::sheet
