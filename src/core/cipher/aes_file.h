#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string_view>

// AES-128 ECB file encryption for the network-version report. Layout of an encrypted file:
//   N, the plain length (int64, little endian) | ceil(N / 16) blocks, each AES-128 encrypted on
//   its own; the last block is completed with zero bytes.
// No padding block, no IV, no tag: the receiver decrypts every block and keeps N bytes. There is
// deliberately no decryption here.
namespace tallwick::cipher {

using Block128 = std::array<unsigned char, 16>;

// The key schedule of one 128-bit key, held by an OpenSSL cipher context (padding off).
class ExpandedKey128 {
  public:
    explicit ExpandedKey128(const Block128& key);
    ~ExpandedKey128();
    ExpandedKey128(ExpandedKey128&&) noexcept;
    ExpandedKey128& operator=(ExpandedKey128&&) noexcept;

    // Encrypts `blocks` whole blocks from `in` to `out` (may be the same buffer).
    void EncryptBlocks(const unsigned char* in, unsigned char* out, std::size_t blocks) const;

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

ExpandedKey128 ExpandKey128(const Block128& key);
Block128 EncryptBlock128(const Block128& block, const ExpandedKey128& key);

// The first min(16, size) bytes of the key text, the rest zero.
Block128 CipherKeyFromText(std::string_view keyText);

// Encrypts `count` bytes from the current position of `source` into `target`; 0 means the whole
// source from offset 0. Throws UserError "Stream read error" / "Stream write error" when a read
// or write comes up short. Memory use does not depend on the amount.
void EncryptStreamEcb(std::istream& source, std::uint64_t count, const ExpandedKey128& key,
                      std::ostream& target);

// Writes the encrypted form of `source` to `target`, replacing it. Throws std::system_error
// naming the path when a file cannot be opened; after a stream error the target keeps the
// header and the blocks written so far.
void EncryptFileWithTextKey(const std::filesystem::path& source,
                            const std::filesystem::path& target, std::string_view keyText);

// The same into a private temporary beside `target`, renamed over it only when complete.
void EncryptFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                          std::string_view keyText);

}  // namespace tallwick::cipher
