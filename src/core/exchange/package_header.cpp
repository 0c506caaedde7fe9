#include "exchange/package_header.h"

#include "common/file_io.h"

#include <algorithm>

namespace tallwick::exchange {
namespace fs = std::filesystem;

void MaskHeader(std::vector<unsigned char>& bytes) {
    const std::size_t end = std::min(bytes.size(), kMaskedLength);
    for (std::size_t i = 0; i < end; ++i) bytes[i] = MaskByte(bytes[i]);
}

void UnmaskHeader(std::vector<unsigned char>& bytes) {
    if (bytes.empty()) return;
    if (bytes[0] == kLegacyFirstByte) {
        static constexpr unsigned char kSignature[] = "SQLite format 3";  // 16 bytes with its 0
        std::copy_n(kSignature, std::min(bytes.size(), sizeof kSignature), bytes.begin());
    } else if (bytes[0] == kMaskedFirstByte) {
        const std::size_t end = std::min(bytes.size(), kMaskedLength);
        for (std::size_t i = 0; i < end; ++i) bytes[i] = UnmaskByte(bytes[i]);
    }
}

void MaskPackageHeader(const fs::path& path) {
    if (!fs::exists(path)) return;
    auto bytes = ReadWholeFile(path);
    MaskHeader(bytes);
    WriteFileAtomically(path, bytes);
}

void UnmaskPackageHeader(const fs::path& path) {
    if (!fs::exists(path)) return;
    auto bytes = ReadWholeFile(path);
    UnmaskHeader(bytes);
    WriteFileAtomically(path, bytes);
}

}  // namespace tallwick::exchange
