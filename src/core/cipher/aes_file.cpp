#include "cipher/aes_file.h"

#include "common/file_io.h"
#include "common/user_error.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace tallwick::cipher {
namespace {

constexpr std::size_t kBlockSize = 16;
// Blocks handed to OpenSSL at a time: large enough to stream fast, small enough not to matter.
constexpr std::size_t kChunkBlocks = 4096;

[[noreturn]] void ReadError() {
    throw UserError("Stream read error");
}
[[noreturn]] void WriteError() {
    throw UserError("Stream write error");
}

void Write(std::ostream& target, const unsigned char* bytes, std::size_t size) {
    target.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!target) WriteError();
}

// Bytes from the current position to the end; the position is kept.
std::uint64_t BytesLeft(std::istream& source) {
    const auto here = source.tellg();
    if (here < 0 || !source.seekg(0, std::ios::end)) ReadError();
    const auto end = source.tellg();
    if (end < 0 || !source.seekg(here)) ReadError();
    return static_cast<std::uint64_t>(end - here);
}

}  // namespace

struct ExpandedKey128::Context {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ~Context() { EVP_CIPHER_CTX_free(ctx); }
};

ExpandedKey128::ExpandedKey128(const Block128& key) : context_(std::make_unique<Context>()) {
    if (context_->ctx == nullptr ||
        EVP_EncryptInit_ex(context_->ctx, EVP_aes_128_ecb(), nullptr, key.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context_->ctx, 0) != 1) {
        throw std::runtime_error("AES-128 unavailable");
    }
}

ExpandedKey128::~ExpandedKey128() = default;
ExpandedKey128::ExpandedKey128(ExpandedKey128&&) noexcept = default;
ExpandedKey128& ExpandedKey128::operator=(ExpandedKey128&&) noexcept = default;

void ExpandedKey128::EncryptBlocks(const unsigned char* in, unsigned char* out,
                                   std::size_t blocks) const {
    int written = 0;
    if (EVP_EncryptUpdate(context_->ctx, out, &written, in,
                          static_cast<int>(blocks * kBlockSize)) != 1 ||
        static_cast<std::size_t>(written) != blocks * kBlockSize) {
        throw std::runtime_error("AES-128 encryption failed");
    }
}

ExpandedKey128 ExpandKey128(const Block128& key) {
    return ExpandedKey128(key);
}

Block128 EncryptBlock128(const Block128& block, const ExpandedKey128& key) {
    Block128 out{};
    key.EncryptBlocks(block.data(), out.data(), 1);
    return out;
}

Block128 CipherKeyFromText(std::string_view keyText) {
    Block128 key{};
    std::copy_n(keyText.begin(), std::min(keyText.size(), key.size()), key.begin());
    return key;
}

void EncryptStreamEcb(std::istream& source, std::uint64_t count, const ExpandedKey128& key,
                      std::ostream& target) {
    if (count == 0) {
        if (!source.seekg(0)) ReadError();
        count = BytesLeft(source);
    } else {
        count = std::min(count, BytesLeft(source));
    }
    std::vector<unsigned char> buffer(kChunkBlocks * kBlockSize);
    while (count > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
        source.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(source.gcount());
        if (got != want) {
            // Keep the whole blocks that did arrive, as a block-by-block writer would.
            const std::size_t whole = got / kBlockSize;
            key.EncryptBlocks(buffer.data(), buffer.data(), whole);
            Write(target, buffer.data(), whole * kBlockSize);
            ReadError();
        }
        const std::size_t blocks = (want + kBlockSize - 1) / kBlockSize;
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(want),
                  buffer.begin() + static_cast<std::ptrdiff_t>(blocks * kBlockSize), 0);
        key.EncryptBlocks(buffer.data(), buffer.data(), blocks);
        Write(target, buffer.data(), blocks * kBlockSize);
        count -= want;
    }
}

void EncryptFileWithTextKey(const std::filesystem::path& source,
                            const std::filesystem::path& target, std::string_view keyText) {
    std::ifstream in(source, std::ios::binary);
    if (!in)
        throw std::system_error(errno, std::generic_category(), "cannot open " + source.string());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::system_error(errno, std::generic_category(), "cannot create " + target.string());

    const auto size = static_cast<std::int64_t>(BytesLeft(in));
    std::array<unsigned char, 8> header{};
    for (std::size_t i = 0; i < header.size(); ++i)
        header[i] = static_cast<unsigned char>(static_cast<std::uint64_t>(size) >> (8 * i));
    Write(out, header.data(), header.size());

    EncryptStreamEcb(in, 0, ExpandKey128(CipherKeyFromText(keyText)), out);
    out.close();
    if (!out) WriteError();
}

void EncryptFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                          std::string_view keyText) {
    const auto temp = CreatePrivateTempFile(target);
    try {
        EncryptFileWithTextKey(source, temp, keyText);
        std::filesystem::rename(temp, target);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw;
    }
}

}  // namespace tallwick::cipher
