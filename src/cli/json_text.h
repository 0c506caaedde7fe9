#pragma once

#include <string>
#include <string_view>

namespace tallwick::cli {

// A JSON string literal of stored text, quotes included, always valid UTF-8: text in GBK (a
// Windows file name, a label) is converted, any other byte that is no UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace tallwick::cli
