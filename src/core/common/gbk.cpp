#include "common/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace tallwick {
namespace {

// Length of the UTF-8 sequence that starts with `lead`; 1 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

}  // namespace

struct GbkEncoder::Descriptor {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    ~Descriptor() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};

GbkEncoder::GbkEncoder() : descriptor_(std::make_unique<Descriptor>()) {
    if (descriptor_->cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv: no conversion from UTF-8 to GBK");
}

GbkEncoder::~GbkEncoder() = default;

void GbkEncoder::Append(std::string_view utf8, std::string& out) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
        out.append(utf8);
        return;
    }
    iconv(descriptor_->cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    while (inLeft > 0) {
        // GBK never needs more bytes than UTF-8 for the same text.
        const std::size_t start = out.size();
        out.resize(start + inLeft);
        char* target = out.data() + start;
        std::size_t targetLeft = inLeft;
        const std::size_t result = iconv(descriptor_->cd, &in, &inLeft, &target, &targetLeft);
        out.resize(out.size() - targetLeft);
        if (result != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: replace the offending character and go on after it.
        const std::size_t skip = std::min(SequenceLength(static_cast<unsigned char>(*in)), inLeft);
        out.push_back('?');
        in += skip;
        inLeft -= skip;
    }
}

}  // namespace tallwick
