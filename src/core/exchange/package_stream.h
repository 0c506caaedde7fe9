#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tallwick::exchange {

// Packages hold a whole survey database: they are written and opened a piece at a time, never held
// in memory whole.

// Seals the plain database `plain` with `password` into the package `target`, its first bytes
// masked, replacing `target` atomically.
void SealPackage(const std::filesystem::path& plain, const std::filesystem::path& target,
                 std::string_view password);

// The first bytes of a chosen file, as many as the mask covers (fewer in a shorter file). Throws
// std::system_error when the file cannot be read.
std::vector<unsigned char> ReadHead(const std::filesystem::path& file);

// Whether the bytes begin with the SQLite database signature.
bool IsPlainDatabase(const std::vector<unsigned char>& bytes);

// Whether `head` (unmasked) begins a file that OpenPackageInto can open: sealed, or a plain
// database whose signature was blanked.
bool OpensAsPackage(const std::vector<unsigned char>& head);

// Writes the plain database held by the package or blanked file `chosen`, whose unmasked first
// bytes are `head`, into the existing file `target`. Throws cipher::EnvelopeError when a sealed
// file does not open with `password` or is no database inside; `target` must then be discarded.
void OpenPackageInto(const std::filesystem::path& chosen, const std::vector<unsigned char>& head,
                     const std::filesystem::path& target, std::string_view password);

}  // namespace tallwick::exchange
