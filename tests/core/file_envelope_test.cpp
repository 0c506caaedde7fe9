#include "cipher/file_envelope.h"

#include <gtest/gtest.h>

namespace tallwick::cipher {
namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
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
