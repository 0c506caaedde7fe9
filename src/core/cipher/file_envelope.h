#pragma once

#include <filesystem>
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

// File forms; the target is written atomically (a temporary file renamed into place).
void SealFile(const std::filesystem::path& source, const std::filesystem::path& target,
              std::string_view password);
void UnsealFile(const std::filesystem::path& source, const std::filesystem::path& target,
                std::string_view password);

}  // namespace tallwick::cipher
