#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

// Whole-file authenticated encryption. Layout of a sealed file:
//   magic "TALLWENV" | version 1 | kdf 1 (PBKDF2-HMAC-SHA256) | iterations (uint32, big endian)
//   | salt (16) | nonce (12) | AES-256-GCM ciphertext | tag (16)
// The header is authenticated as additional data, so no byte of the file can change unnoticed.
namespace tallwick::cipher {

// Raised when a sealed file cannot be opened: wrong password, tampering, truncation.
class EnvelopeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr unsigned kDefaultIterations = 100'000;

bool IsSealed(const std::vector<unsigned char>& bytes);
bool IsSealedFile(const std::filesystem::path& path);

std::vector<unsigned char> Seal(const std::vector<unsigned char>& plain, std::string_view password,
                                unsigned iterations = kDefaultIterations);
std::vector<unsigned char> Unseal(const std::vector<unsigned char>& sealed,
                                  std::string_view password);

// Stream forms, a piece at a time, for files too large to hold twice in memory. SealStream reads
// `in` to its end. UnsealStream takes the sealed file's first bytes from `head` (as many as the
// caller read, at least its header) and the rest from `rest`, `size` bytes in all; the plain
// bytes reach `out` before the tag at the end is verified, so when it throws, what it wrote must
// be discarded.
void SealStream(std::istream& in, std::ostream& out, std::string_view password,
                unsigned iterations = kDefaultIterations);
void UnsealStream(std::span<const unsigned char> head, std::istream& rest, std::uint64_t size,
                  std::ostream& out, std::string_view password);

// File forms; the target is written atomically (a temporary file renamed into place).
void SealFile(const std::filesystem::path& source, const std::filesystem::path& target,
              std::string_view password);
void UnsealFile(const std::filesystem::path& source, const std::filesystem::path& target,
                std::string_view password);

}  // namespace tallwick::cipher
