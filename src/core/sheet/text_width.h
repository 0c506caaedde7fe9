#pragma once

#include <string_view>

namespace tallwick::sheet {

// Width of UTF-8 text in character cells of the sheet's standard font: East Asian wide
// characters (Chinese, full-width forms) take two cells, everything else one.
int DisplayWidth(std::string_view utf8);

}  // namespace tallwick::sheet
