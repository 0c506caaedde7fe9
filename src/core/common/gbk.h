#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tallwick {

// Converts UTF-8 text to the GBK code page, the encoding that the network version reads.
// A character that GBK lacks, or a byte that is not UTF-8, becomes "?" (the usual replacement of
// a code page conversion) rather than failing the whole file. Keeps one iconv descriptor.
class GbkEncoder {
  public:
    GbkEncoder();
    ~GbkEncoder();
    GbkEncoder(const GbkEncoder&) = delete;
    GbkEncoder& operator=(const GbkEncoder&) = delete;

    // Appends the GBK form of `utf8` to `out`.
    void Append(std::string_view utf8, std::string& out);
    std::string Encode(std::string_view utf8) {
        std::string out;
        Append(utf8, out);
        return out;
    }

  private:
    struct Descriptor;
    std::unique_ptr<Descriptor> descriptor_;
};

}  // namespace tallwick
