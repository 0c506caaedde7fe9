#include "cipher/file_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
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
