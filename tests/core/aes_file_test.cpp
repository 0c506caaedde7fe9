#include "cipher/aes_file.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tallwick::cipher {
namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(
            static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::string ToHex(const unsigned char* data, std::size_t size) {
    std::string hex;
    char pair[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        hex += pair;
    }
    return hex;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

TEST(AesFile, Fips197Vector) {
    Block128 key{};
    Block128 plain{};
    const Bytes k = FromHex("000102030405060708090a0b0c0d0e0f");
    const Bytes p = FromHex("00112233445566778899aabbccddeeff");
    std::copy(k.begin(), k.end(), key.begin());
    std::copy(p.begin(), p.end(), plain.begin());
    const Block128 cipher = EncryptBlock128(plain, ExpandKey128(key));
    EXPECT_EQ(ToHex(cipher.data(), cipher.size()), "69c4e0d86a7b0430d8cdb78070b4c55a");
}

// The layout built independently: the length header by hand, the blocks by the openssl tool
// on the zero-completed plain bytes.
class AesFileLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("openssl version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "the openssl command-line tool is not installed";
    }

    Bytes Reference(Bytes plain, std::string_view keyText) {
        const auto n = static_cast<std::uint64_t>(plain.size());
        plain.resize((plain.size() + 15) / 16 * 16, 0);
        const fs::path in = temp.Path() / "ref.in";
        const fs::path out = temp.Path() / "ref.out";
        WriteBytes(in, plain);
        const Block128 key = CipherKeyFromText(keyText);
        const std::string command = "openssl enc -aes-128-ecb -nopad -K " +
                                    ToHex(key.data(), key.size()) + " -in '" + in.string() +
                                    "' -out '" + out.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        Bytes expected;
        for (int i = 0; i < 8; ++i) expected.push_back(static_cast<unsigned char>(n >> (8 * i)));
        const Bytes blocks = ReadWholeFile(out);
        expected.insert(expected.end(), blocks.begin(), blocks.end());
        return expected;
    }

    Bytes Encrypt(const Bytes& plain, std::string_view keyText) {
        WriteBytes(temp.Path() / "plain", plain);
        EncryptFileWithTextKey(temp.Path() / "plain", temp.Path() / "cipher", keyText);
        return ReadWholeFile(temp.Path() / "cipher");
    }

    test::TempFolder temp;
};

TEST_F(AesFileLayout, MatchesTheReference) {
    Bytes twoEqualBlocks(32, 'A');
    Bytes large(100'003);  // crosses the streaming chunk and ends in a partial block
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<unsigned char>(i * 7);
    const struct {
        const char* name;
        Bytes plain;
        std::string key;
        std::size_t size;
    } cases[] = {
        {"empty", {}, "Q7xMp2Lk9Rt4Vw8N", 8},
        {"one block", Bytes(16, 'x'), "Q7xMp2Lk9Rt4Vw8N", 24},
        {"one byte over", Bytes(17, 'y'), "Q7xMp2Lk9Rt4Vw8N", 40},
        {"equal blocks", twoEqualBlocks, "Q7xMp2Lk9Rt4Vw8N", 40},
        {"short key", Bytes(20, 'z'), "abcde", 40},
        {"long key", Bytes(20, 'z'), "0123456789abcdefGHIJ", 40},
        {"large", large, "Q7xMp2Lk9Rt4Vw8N", 8 + 100'016},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes actual = Encrypt(c.plain, c.key);
        EXPECT_EQ(actual.size(), c.size);
        EXPECT_EQ(actual, Reference(c.plain, c.key));
    }
    EXPECT_EQ(Encrypt({}, "k"), Bytes(8, 0));
    const Bytes equal = Encrypt(twoEqualBlocks, "k");
    EXPECT_TRUE(std::equal(equal.begin() + 8, equal.begin() + 24, equal.begin() + 24));
    EXPECT_EQ(Encrypt(Bytes(20, 'z'), "0123456789abcdefGHIJ"),
              Encrypt(Bytes(20, 'z'), "0123456789abcdef"));
    EXPECT_EQ(Encrypt(Bytes(20, 'z'), "abcde"),
              Encrypt(Bytes(20, 'z'), std::string("abcde") + std::string(11, '\0')));
}

TEST_F(AesFileLayout, ReplacesAnExistingTarget) {
    WriteBytes(temp.Path() / "cipher", Bytes(1000, 0xEE));
    EXPECT_EQ(Encrypt({1, 2, 3}, "key"), Reference({1, 2, 3}, "key"));
}

TEST(AesFile, MissingSourceCreatesNoTarget) {
    test::TempFolder temp;
    EXPECT_THROW(EncryptFileWithTextKey(temp.Path() / "none", temp.Path() / "out", "k"),
                 std::system_error);
    EXPECT_FALSE(fs::exists(temp.Path() / "out"));
}

Bytes EncryptStream(std::istream& source, std::uint64_t count) {
    std::ostringstream out;
    EncryptStreamEcb(source, count, ExpandKey128(CipherKeyFromText("k")), out);
    const std::string s = out.str();
    return {s.begin(), s.end()};
}

TEST(AesFile, StreamCountsFromThePosition) {
    std::string data(40, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
    std::string tail = data.substr(5);
    tail.resize(48, '\0');

    std::istringstream whole(data);
    whole.seekg(5);
    std::istringstream tailAlone(tail);
    const Bytes expected = EncryptStream(tailAlone, 0);
    EXPECT_EQ(EncryptStream(whole, 1000), expected) << "the count is cut to what is left";

    std::istringstream rewound(data);
    rewound.seekg(30);
    EXPECT_EQ(EncryptStream(rewound, 0).size(), 48u) << "0 encrypts all from offset 0";

    std::istringstream part(data);
    part.seekg(5);
    std::istringstream three("fgh");
    EXPECT_EQ(EncryptStream(part, 3), EncryptStream(three, 0));
}

// Claims more bytes than it delivers, as a file truncated behind the reader's back does.
class ShortSource : public std::stringbuf {
  public:
    ShortSource(const std::string& data, std::streamoff claimed)
        : std::stringbuf(data, std::ios::in), claimed_(claimed) {}

  protected:
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) override {
        if (dir == std::ios::end) atEnd_ = true;
        if (atEnd_ && off == 0) return pos_type(claimed_);
        return std::stringbuf::seekoff(off, dir, which);
    }
    pos_type seekpos(pos_type pos, std::ios::openmode which) override {
        atEnd_ = false;
        return std::stringbuf::seekpos(pos, which);
    }

  private:
    std::streamoff claimed_;
    bool atEnd_ = false;
};

// Accepts `room` bytes, then refuses, as a full disk does.
class FullSink : public std::streambuf {
  public:
    explicit FullSink(std::streamsize room) : room_(room) {}

  protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        const auto taken = std::min(count, room_);
        room_ -= taken;
        return taken;
    }
    int_type overflow(int_type) override { return traits_type::eof(); }

  private:
    std::streamsize room_;
};

TEST(AesFile, ShortReadsAndWritesAreStreamErrors) {
    const auto key = ExpandKey128(CipherKeyFromText("k"));
    const auto message = [](const auto& run) {
        try {
            run();
        } catch (const UserError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };

    ShortSource shortBuffer(std::string(20, 'a'), 64);
    std::istream shortSource(&shortBuffer);
    std::ostringstream out;
    EXPECT_EQ(message([&] { EncryptStreamEcb(shortSource, 0, key, out); }), "Stream read error");
    EXPECT_EQ(out.str().size(), 16u) << "the whole block that did arrive is kept";

    std::istringstream source(std::string(100, 'a'));
    FullSink fullBuffer(40);
    std::ostream full(&fullBuffer);
    EXPECT_EQ(message([&] { EncryptStreamEcb(source, 0, key, full); }), "Stream write error");
}

}  // namespace
}  // namespace tallwick::cipher
