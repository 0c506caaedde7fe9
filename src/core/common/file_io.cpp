#include "common/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;

std::vector<unsigned char> ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::system_error(errno, std::generic_category(), "cannot open " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path SiblingTempPath(const fs::path& near) {
    std::string pattern =
        (near.parent_path() / ("." + near.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot create " + pattern);
    close(fd);
    fs::remove(pattern);
    return pattern;
}

void WriteFileAtomically(const fs::path& target, const std::vector<unsigned char>& bytes) {
    const fs::path temp = SiblingTempPath(target);
    try {
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            out.flush();
            if (!out) throw std::runtime_error("cannot write " + temp.string());
        }
        fs::rename(temp, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

}  // namespace tallwick
