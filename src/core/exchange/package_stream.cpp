#include "exchange/package_stream.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "exchange/package_header.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace tallwick::exchange {
namespace fs = std::filesystem;
namespace {
constexpr unsigned char kSqliteSignature[] = "SQLite format 3";  // 16 bytes with its 0
}  // namespace

bool IsPlainDatabase(const std::vector<unsigned char>& bytes) {
    return bytes.size() >= sizeof kSqliteSignature &&
           std::equal(std::begin(kSqliteSignature), std::end(kSqliteSignature), bytes.begin());
}

namespace {

void Check(const std::ios& stream, const fs::path& path, const char* what) {
    if (!stream) throw std::system_error(errno, std::generic_category(), what + path.string());
}

// The stream of a sealed database is checked as it goes: its first plain bytes must be the
// database signature.
class SignatureWatch : public std::streambuf {
  public:
    explicit SignatureWatch(std::ostream& out) : out_(out) {}
    bool Seen() const { return seen_.size() >= sizeof kSqliteSignature; }
    bool Matches() const { return Seen() && IsPlainDatabase(seen_); }

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        for (std::streamsize i = 0; i < count && !Seen(); ++i)
            seen_.push_back(static_cast<unsigned char>(bytes[i]));
        out_.write(bytes, count);
        return out_ ? count : 0;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

  private:
    std::ostream& out_;
    std::vector<unsigned char> seen_;
};

}  // namespace

void SealPackage(const fs::path& plain, const fs::path& target, std::string_view password) {
    const fs::path temp = CreatePrivateTempFile(target);
    try {
        {
            std::ifstream in(plain, std::ios::binary);
            Check(in, plain, "cannot read ");
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            Check(out, temp, "cannot write ");
            cipher::SealStream(in, out, password);
            out.flush();
            Check(out, temp, "cannot write ");
        }
        std::fstream file(temp, std::ios::binary | std::ios::in | std::ios::out);
        std::vector<unsigned char> head(kMaskedLength);
        file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(file.gcount()));
        MaskHeader(head);
        file.clear();
        file.seekp(0);
        file.write(reinterpret_cast<const char*>(head.data()),
                   static_cast<std::streamsize>(head.size()));
        file.flush();
        Check(file, temp, "cannot write ");
        file.close();
        fs::rename(temp, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

std::vector<unsigned char> ReadHead(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    Check(in, file, "cannot read ");
    std::vector<unsigned char> head(kMaskedLength);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    if (in.bad())
        throw std::system_error(errno, std::generic_category(), "cannot read " + file.string());
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

bool OpensAsPackage(const std::vector<unsigned char>& head) {
    return cipher::IsSealed(head) || IsPlainDatabase(head);
}

void OpenPackageInto(const fs::path& chosen, const std::vector<unsigned char>& head,
                     const fs::path& target, std::string_view password) {
    std::ifstream in(chosen, std::ios::binary);
    Check(in, chosen, "cannot read ");
    const std::uint64_t size = fs::file_size(chosen);
    in.seekg(static_cast<std::streamoff>(head.size()));
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    Check(out, target, "cannot write ");
    if (cipher::IsSealed(head)) {
        SignatureWatch watch(out);
        std::ostream watched(&watch);
        cipher::UnsealStream(head, in, size, watched, password);
        if (!watch.Matches()) throw cipher::EnvelopeError("no database inside");
    } else {
        out.write(reinterpret_cast<const char*>(head.data()),
                  static_cast<std::streamsize>(head.size()));
        if (size > head.size()) out << in.rdbuf();
    }
    out.flush();
    Check(out, target, "cannot write ");
}

}  // namespace tallwick::exchange
