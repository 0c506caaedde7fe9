#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick {

std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path);

// Writes beside the target and renames over it, so the target is either untouched or complete.
void WriteFileAtomically(const std::filesystem::path& target,
                         const std::vector<unsigned char>& bytes);

// A unique, not yet existing name in the folder of `near`, for a file that will be renamed over it.
std::filesystem::path SiblingTempPath(const std::filesystem::path& near);

}  // namespace tallwick
