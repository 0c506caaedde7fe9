#include "cipher/file_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <sstream>
#include <string>

namespace tallwick::cipher {
namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<unsigned char> FromHex(std::string_view hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(
            static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// Sealing and unsealing agree with each other whatever the layout is; these bytes were built
// apart from this code (Python's hashlib and the cryptography package, salt 00..0f, nonce
// 64..6f, 1,000 iterations), as a file written by another installation is.
TEST(FileEnvelope, OpensAnEnvelopeBuiltIndependently) {
    const auto sealed = FromHex(
        "54414c4c57454e560101000003e8000102030405060708090a0b0c0d0e0f6465"
        "666768696a6b6c6d6e6ffbca27489f84e36c7878301b89263393778dcf5b2b79"
        "5664de7d35699e6d");
    EXPECT_TRUE(IsSealed(sealed));
    EXPECT_EQ(Unseal(sealed, "pw"), Bytes("工会 payload"));

    // What we write has the same fixed fields and sizes; only salt and nonce are new each time.
    const auto ours = Seal(Bytes("工会 payload"), "pw", 1000);
    ASSERT_EQ(ours.size(), sealed.size());
    EXPECT_TRUE(std::equal(sealed.begin(), sealed.begin() + 14, ours.begin()));
}

// The stream forms against the whole-file forms, across the piece boundary of a megabyte and with
// the caller's head ending in the header, in the body or in the tag.
TEST(FileEnvelope, StreamFormsAgreeWithTheWholeFileForms) {
    constexpr std::size_t kPiece = 1 << 20;
    std::mt19937 random(7);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, kPiece - 1, kPiece, kPiece + 1, kPiece * 5 / 2}) {
        std::vector<unsigned char> plain(size);
        for (auto& byte : plain) byte = static_cast<unsigned char>(random());
        SCOPED_TRACE(size);

        std::istringstream in(std::string(plain.begin(), plain.end()));
        std::ostringstream streamed;
        SealStream(in, streamed, "pw", 1000);
        const std::string sealedText = streamed.str();
        const std::vector<unsigned char> sealed(sealedText.begin(), sealedText.end());
        EXPECT_EQ(Unseal(sealed, "pw"), plain);

        const auto whole = Seal(plain, "pw", 1000);
        for (const std::size_t headSize :
             {std::size_t{50}, std::size_t{1024}, whole.size() - 5, whole.size()}) {
            if (headSize > whole.size()) continue;
            SCOPED_TRACE(headSize);
            std::istringstream rest(
                std::string(whole.begin() + static_cast<long>(headSize), whole.end()));
            std::ostringstream opened;
            UnsealStream(std::span(whole.data(), headSize), rest, whole.size(), opened, "pw");
            EXPECT_TRUE(opened.str() == std::string(plain.begin(), plain.end()));
        }

        auto tampered = whole;
        tampered[tampered.size() / 2] ^= 0x01;
        std::istringstream rest(std::string(tampered.begin() + 50, tampered.end()));
        std::ostringstream discarded;
        EXPECT_THROW(
            UnsealStream(std::span(tampered.data(), 50), rest, tampered.size(), discarded, "pw"),
            EnvelopeError);
        std::istringstream cut(std::string(whole.begin() + 50, whole.end() - 1));
        EXPECT_THROW(UnsealStream(std::span(whole.data(), 50), cut, whole.size(), discarded, "pw"),
                     EnvelopeError);
    }
}

TEST(FileEnvelope, RoundTripsAndSaltsEachSeal) {
    std::string text = "工会统计 survey data";
    text.push_back('\0');
    const auto plain = Bytes(text + "with zero");
    const auto first = Seal(plain, "pw", 1000);
    const auto second = Seal(plain, "pw", 1000);
    EXPECT_TRUE(IsSealed(first));
    EXPECT_NE(first, second);
    EXPECT_EQ(Unseal(first, "pw"), plain);
    EXPECT_EQ(Unseal(Seal({}, "pw", 1000), "pw"), std::vector<unsigned char>{});
}

TEST(FileEnvelope, RejectsWrongPasswordTamperingAndTruncation) {
    const auto sealed = Seal(Bytes("payload"), "pw", 1000);
    EXPECT_THROW(Unseal(sealed, "other"), EnvelopeError);
    for (size_t position :
         {size_t{9}, size_t{14}, size_t{30}, sealed.size() - 20, sealed.size() - 1}) {
        auto tampered = sealed;
        tampered[position] ^= 0x40;
        EXPECT_THROW(Unseal(tampered, "pw"), EnvelopeError) << "byte " << position;
    }
    EXPECT_THROW(Unseal({sealed.begin(), sealed.begin() + 40}, "pw"), EnvelopeError);
    EXPECT_THROW(Unseal(Bytes("SQLite format 3"), "pw"), EnvelopeError);
}

TEST(FileEnvelope, RefusesAbsurdKeyDerivationCost) {
    auto sealed = Seal(Bytes("payload"), "pw", 1000);
    sealed[10] = 0xFF;  // iterations, most significant byte
    EXPECT_THROW(Unseal(sealed, "pw"), EnvelopeError);
}

}  // namespace
}  // namespace tallwick::cipher
