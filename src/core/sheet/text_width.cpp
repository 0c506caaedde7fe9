#include "sheet/text_width.h"

namespace tallwick::sheet {
namespace {

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

int DisplayWidth(std::string_view utf8) {
    int width = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int length = 1;
        char32_t c = lead;
        if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0Fu;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1Fu;
        }
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            c = (c << 6) |
                (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3Fu);
        width += IsWide(c) ? 2 : 1;
        i += static_cast<std::size_t>(length);
    }
    return width;
}

}  // namespace tallwick::sheet
