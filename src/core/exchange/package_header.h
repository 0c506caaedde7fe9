#pragma once

#include <filesystem>
#include <vector>

namespace tallwick::exchange {

// A finished package has its first 1024 bytes masked, each byte b becoming ((b + A) mod 256)
// XOR M, so that it is not recognised as what it is by its first bytes.
inline constexpr unsigned char kMaskAddend = 0x37;  // A
inline constexpr unsigned char kMaskXor = 0xA5;     // M
inline constexpr std::size_t kMaskedLength = 1024;

constexpr unsigned char MaskByte(unsigned char b) {
    return static_cast<unsigned char>(static_cast<unsigned char>(b + kMaskAddend) ^ kMaskXor);
}
constexpr unsigned char UnmaskByte(unsigned char b) {
    return static_cast<unsigned char>(static_cast<unsigned char>(b ^ kMaskXor) - kMaskAddend);
}

// A package is a sealed envelope, whose first byte is 'T': its masked image marks a masked file.
inline constexpr unsigned char kMaskedFirstByte = MaskByte('T');
// Files whose signature was blanked to this byte get the database signature back on import.
inline constexpr unsigned char kLegacyFirstByte = 102;  // 'f'

void MaskHeader(std::vector<unsigned char>& bytes);

// Reverses MaskHeader when the first byte is kMaskedFirstByte; restores the 16-byte SQLite
// signature when it is kLegacyFirstByte; leaves any other content unchanged.
void UnmaskHeader(std::vector<unsigned char>& bytes);

// File forms, in place; a missing file is left missing.
void MaskPackageHeader(const std::filesystem::path& path);
void UnmaskPackageHeader(const std::filesystem::path& path);

}  // namespace tallwick::exchange
