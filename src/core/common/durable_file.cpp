#include "common/durable_file.h"

#include "common/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void WriteAll(int fd, std::string_view bytes, const fs::path& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write " + path.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

void WriteFileDurably(const fs::path& target, std::string_view bytes) {
    const fs::path temp = CreatePrivateTempFile(target);
    try {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) Fail("cannot open " + temp.string());
        try {
            WriteAll(fd, bytes, temp);
            if (::fsync(fd) != 0) Fail("cannot flush " + temp.string());
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (::close(fd) != 0) Fail("cannot close " + temp.string());
        fs::rename(temp, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
    // The rename itself lives in the folder: without this a power cut could still undo it.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace tallwick
