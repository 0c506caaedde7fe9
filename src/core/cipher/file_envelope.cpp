#include "cipher/file_envelope.h"

#include "common/file_io.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <memory>

namespace tallwick::cipher {
namespace {

constexpr std::array<unsigned char, 8> kMagic = {'T', 'A', 'L', 'L', 'W', 'E', 'N', 'V'};
constexpr unsigned char kVersion = 1;
constexpr unsigned char kKdfPbkdf2Sha256 = 1;
constexpr size_t kSaltSize = 16;
constexpr size_t kNonceSize = 12;
constexpr size_t kTagSize = 16;
constexpr size_t kKeySize = 32;
constexpr size_t kHeaderSize = kMagic.size() + 1 + 1 + 4 + kSaltSize + kNonceSize;
// Bounds the work an opened file can demand of us.
constexpr unsigned kMaxIterations = 10'000'000;

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

std::array<unsigned char, kKeySize> DeriveKey(std::string_view password, const unsigned char* salt,
                                              unsigned iterations) {
    std::array<unsigned char, kKeySize> key{};
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, kSaltSize,
                          static_cast<int>(iterations), EVP_sha256(), kKeySize, key.data()) != 1) {
        throw EnvelopeError("key derivation failed");
    }
    return key;
}

CipherContext NewContext() {
    CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx) throw EnvelopeError("cipher context unavailable");
    return ctx;
}

int AsInt(size_t size) {
    if (size > static_cast<size_t>(INT32_MAX)) throw EnvelopeError("file too large");
    return static_cast<int>(size);
}

}  // namespace

bool IsSealed(const std::vector<unsigned char>& bytes) {
    return bytes.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes.begin());
}

bool IsSealedFile(const std::filesystem::path& path) {
    std::array<unsigned char, kMagic.size()> head{};
    std::ifstream in(path, std::ios::binary);
    return in.read(reinterpret_cast<char*>(head.data()), head.size()) && head == kMagic;
}

std::vector<unsigned char> Seal(const std::vector<unsigned char>& plain, std::string_view password,
                                unsigned iterations) {
    std::vector<unsigned char> out(kHeaderSize + plain.size() + kTagSize);
    unsigned char* p = out.data();
    p = std::copy(kMagic.begin(), kMagic.end(), p);
    *p++ = kVersion;
    *p++ = kKdfPbkdf2Sha256;
    for (int shift = 24; shift >= 0; shift -= 8)
        *p++ = static_cast<unsigned char>(iterations >> shift);
    unsigned char* salt = p;
    unsigned char* nonce = salt + kSaltSize;
    if (RAND_bytes(salt, kSaltSize + kNonceSize) != 1) throw EnvelopeError("no random bytes");
    const auto key = DeriveKey(password, salt, iterations);

    auto ctx = NewContext();
    int length = 0;
    unsigned char* body = out.data() + kHeaderSize;
    if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &length, out.data(), kHeaderSize) != 1 ||
        EVP_EncryptUpdate(ctx.get(), body, &length, plain.data(), AsInt(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), body + length, &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, body + plain.size()) != 1) {
        throw EnvelopeError("encryption failed");
    }
    return out;
}

std::vector<unsigned char> Unseal(const std::vector<unsigned char>& sealed,
                                  std::string_view password) {
    if (!IsSealed(sealed) || sealed.size() < kHeaderSize + kTagSize)
        throw EnvelopeError("not a sealed file");
    const unsigned char* p = sealed.data() + kMagic.size();
    if (p[0] != kVersion || p[1] != kKdfPbkdf2Sha256)
        throw EnvelopeError("unknown envelope version");
    const unsigned iterations =
        (unsigned{p[2]} << 24) | (unsigned{p[3]} << 16) | (unsigned{p[4]} << 8) | p[5];
    if (iterations == 0 || iterations > kMaxIterations)
        throw EnvelopeError("bad key derivation parameters");
    const unsigned char* salt = p + 6;
    const unsigned char* nonce = salt + kSaltSize;
    const auto key = DeriveKey(password, salt, iterations);

    const size_t bodySize = sealed.size() - kHeaderSize - kTagSize;
    const unsigned char* body = sealed.data() + kHeaderSize;
    std::array<unsigned char, kTagSize> tag{};
    std::memcpy(tag.data(), body + bodySize, kTagSize);

    std::vector<unsigned char> plain(bodySize);
    auto ctx = NewContext();
    int length = 0;
    if (EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &length, sealed.data(), kHeaderSize) != 1 ||
        EVP_DecryptUpdate(ctx.get(), plain.data(), &length, body, AsInt(bodySize)) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), plain.data() + length, &length) != 1) {
        throw EnvelopeError("authentication failed");
    }
    return plain;
}

void SealFile(const std::filesystem::path& source, const std::filesystem::path& target,
              std::string_view password) {
    WriteFileAtomically(target, Seal(ReadWholeFile(source), password));
}

void UnsealFile(const std::filesystem::path& source, const std::filesystem::path& target,
                std::string_view password) {
    WriteFileAtomically(target, Unseal(ReadWholeFile(source), password));
}

}  // namespace tallwick::cipher
