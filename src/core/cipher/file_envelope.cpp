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

struct Header {
    unsigned iterations = 0;
    const unsigned char* salt = nullptr;
    const unsigned char* nonce = nullptr;
};

// `bytes` holds at least kHeaderSize bytes of a file that starts with the magic.
Header ReadHeader(const unsigned char* bytes) {
    const unsigned char* p = bytes + kMagic.size();
    if (p[0] != kVersion || p[1] != kKdfPbkdf2Sha256)
        throw EnvelopeError("unknown envelope version");
    Header header;
    header.iterations =
        (unsigned{p[2]} << 24) | (unsigned{p[3]} << 16) | (unsigned{p[4]} << 8) | p[5];
    if (header.iterations == 0 || header.iterations > kMaxIterations)
        throw EnvelopeError("bad key derivation parameters");
    header.salt = p + 6;
    header.nonce = header.salt + kSaltSize;
    return header;
}

// Fills the header with fresh salt and nonce; returns where they are.
Header WriteHeader(unsigned char* bytes, unsigned iterations) {
    unsigned char* p = std::copy(kMagic.begin(), kMagic.end(), bytes);
    *p++ = kVersion;
    *p++ = kKdfPbkdf2Sha256;
    for (int shift = 24; shift >= 0; shift -= 8)
        *p++ = static_cast<unsigned char>(iterations >> shift);
    if (RAND_bytes(p, kSaltSize + kNonceSize) != 1) throw EnvelopeError("no random bytes");
    return {iterations, p, p + kSaltSize};
}

constexpr std::size_t kPiece = 1 << 20;

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
    const Header header = WriteHeader(out.data(), iterations);
    const auto key = DeriveKey(password, header.salt, iterations);

    auto ctx = NewContext();
    int length = 0;
    unsigned char* body = out.data() + kHeaderSize;
    if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), header.nonce) != 1 ||
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
    const Header header = ReadHeader(sealed.data());
    const auto key = DeriveKey(password, header.salt, header.iterations);

    const size_t bodySize = sealed.size() - kHeaderSize - kTagSize;
    const unsigned char* body = sealed.data() + kHeaderSize;
    std::array<unsigned char, kTagSize> tag{};
    std::memcpy(tag.data(), body + bodySize, kTagSize);

    std::vector<unsigned char> plain(bodySize);
    auto ctx = NewContext();
    int length = 0;
    if (EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), header.nonce) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &length, sealed.data(), kHeaderSize) != 1 ||
        EVP_DecryptUpdate(ctx.get(), plain.data(), &length, body, AsInt(bodySize)) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), plain.data() + length, &length) != 1) {
        throw EnvelopeError("authentication failed");
    }
    return plain;
}

void SealStream(std::istream& in, std::ostream& out, std::string_view password,
                unsigned iterations) {
    std::array<unsigned char, kHeaderSize> headerBytes{};
    const Header header = WriteHeader(headerBytes.data(), iterations);
    const auto key = DeriveKey(password, header.salt, iterations);
    auto ctx = NewContext();
    int length = 0;
    if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), header.nonce) != 1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &length, headerBytes.data(), kHeaderSize) != 1)
        throw EnvelopeError("encryption failed");
    out.write(reinterpret_cast<const char*>(headerBytes.data()), kHeaderSize);
    std::vector<unsigned char> plain(kPiece);
    std::vector<unsigned char> sealed(kPiece + 16);
    while (in) {
        in.read(reinterpret_cast<char*>(plain.data()), static_cast<std::streamsize>(kPiece));
        const auto read = static_cast<std::size_t>(in.gcount());
        if (read == 0) break;
        if (EVP_EncryptUpdate(ctx.get(), sealed.data(), &length, plain.data(), AsInt(read)) != 1)
            throw EnvelopeError("encryption failed");
        out.write(reinterpret_cast<const char*>(sealed.data()), length);
    }
    if (in.bad()) throw EnvelopeError("the file to seal could not be read");
    std::array<unsigned char, kTagSize> tag{};
    if (EVP_EncryptFinal_ex(ctx.get(), sealed.data(), &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tag.data()) != 1)
        throw EnvelopeError("encryption failed");
    out.write(reinterpret_cast<const char*>(sealed.data()), length);
    out.write(reinterpret_cast<const char*>(tag.data()), kTagSize);
    if (!out) throw EnvelopeError("the sealed file could not be written");
}

void UnsealStream(std::span<const unsigned char> head, std::istream& rest, std::uint64_t size,
                  std::ostream& out, std::string_view password) {
    if (size < kHeaderSize + kTagSize || head.size() < kHeaderSize || head.size() > size ||
        !std::equal(kMagic.begin(), kMagic.end(), head.begin()))
        throw EnvelopeError("not a sealed file");
    const Header header = ReadHeader(head.data());
    const auto key = DeriveKey(password, header.salt, header.iterations);
    auto ctx = NewContext();
    int length = 0;
    if (EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), header.nonce) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &length, head.data(), kHeaderSize) != 1)
        throw EnvelopeError("authentication failed");

    // The body runs from the header to the tag; the head may already hold part of it, or of the
    // tag.
    const std::uint64_t bodyEnd = size - kTagSize;
    std::vector<unsigned char> piece(kPiece);
    std::vector<unsigned char> plain(kPiece + 16);
    std::array<unsigned char, kTagSize> tag{};
    std::uint64_t at = kHeaderSize;  // offset in the file of the next byte to use
    const auto take = [&](const unsigned char* bytes, std::size_t count) {
        while (count > 0) {
            if (at < bodyEnd) {
                const auto body = static_cast<std::size_t>(
                    std::min<std::uint64_t>({count, bodyEnd - at, kPiece}));
                if (EVP_DecryptUpdate(ctx.get(), plain.data(), &length, bytes, AsInt(body)) != 1)
                    throw EnvelopeError("authentication failed");
                out.write(reinterpret_cast<const char*>(plain.data()), length);
                bytes += body;
                count -= body;
                at += body;
            } else {
                tag[static_cast<std::size_t>(at - bodyEnd)] = *bytes++;
                --count;
                ++at;
            }
        }
    };
    take(head.data() + kHeaderSize, head.size() - kHeaderSize);
    while (at < size) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - at));
        rest.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(want));
        if (static_cast<std::size_t>(rest.gcount()) != want)
            throw EnvelopeError("the sealed file is shorter than it was");
        take(piece.data(), want);
    }
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), plain.data(), &length) != 1)
        throw EnvelopeError("authentication failed");
    out.write(reinterpret_cast<const char*>(plain.data()), length);
    if (!out) throw EnvelopeError("the opened file could not be written");
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
