#include "json_text.h"

#include "common/json_value.h"
#include "common/utf8.h"

#include <iconv.h>

#include <optional>

namespace tallwick::cli {
namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the bytes there are none
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
        return 0;
    return length;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceAt(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// Files named on a Chinese Windows system, and labels typed there, arrive in GBK.
std::optional<std::string> FromGbk(std::string_view text) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    const std::size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - toLeft);
    return out;
}

// Every byte that starts no well-formed sequence becomes U+FFFD.
std::string Replacing(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceAt(text, at);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            ++at;
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out;
}

}  // namespace

std::string JsonString(std::string_view text) {
    if (IsUtf8(text)) return JsonQuoted(text);
    if (const auto converted = FromGbk(text); converted && IsUtf8(*converted))
        return JsonQuoted(*converted);
    return JsonQuoted(Replacing(text));
}

}  // namespace tallwick::cli
