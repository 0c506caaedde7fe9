#include "store/password.h"

#include <string_view>

namespace tallwick {
namespace {

constexpr std::string_view kSeed = "k3Vq9TzR1m";
constexpr std::string_view kPlainAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kSubstitution =
    "OtM6DQ0NGUKw3HjfysShBrbVIdu9oampLiCEA5xcTkXvq4l2nFZzR7JWgeP18Y";

static_assert(kSubstitution.size() == kPlainAlphabet.size());

}  // namespace

std::string DerivePassword() {
    std::string password;
    password.reserve(kSeed.size());
    for (char c : kSeed) password += kSubstitution[kPlainAlphabet.find(c)];
    return password;
}

}  // namespace tallwick
