#include "common/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;

std::vector<unsigned char> ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw fs::filesystem_error("cannot open", path,
                                   std::error_code(errno, std::generic_category()));
    // One read of the whole size: packages run to tens of megabytes.
    const std::streamoff size = in.tellg();
    if (size >= 0 && in.seekg(0)) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        if (in.read(reinterpret_cast<char*>(bytes.data()), size) && in.peek() == EOF) return bytes;
        in.clear();
        in.seekg(0);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

// The target's name only says what the file is for; cut on a character boundary so that the
// temporary name stays within the 255 bytes of a file name whatever the target is called.
std::string NameHint(std::string name) {
    constexpr std::size_t kMaxHint = 200;
    if (name.size() <= kMaxHint) return name;
    std::size_t end = kMaxHint;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    name.resize(end);
    return name;
}

constexpr const char* kTempFolderListName = ".tallwick.temp-folders";

std::mutex listMutex;
std::optional<fs::path> listedDataFolder;

// The list is shared by every running program of the data folder, hence the file lock.
class LockedList {
  public:
    explicit LockedList(const fs::path& dataFolder)
        : fd_(open((dataFolder / kTempFolderListName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC,
                   0600)) {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~LockedList() {
        if (fd_ >= 0) close(fd_);  // also releases the lock
    }
    LockedList(const LockedList&) = delete;
    LockedList& operator=(const LockedList&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    std::vector<std::string> Folders() const {
        std::string text;
        char buffer[4096];
        lseek(fd_, 0, SEEK_SET);
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        std::vector<std::string> folders;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (!line.empty()) folders.push_back(line);
        return folders;
    }

    void Replace(const std::vector<std::string>& folders) const {
        std::string text;
        for (const std::string& folder : folders) text += folder + '\n';
        if (ftruncate(fd_, 0) != 0) return;
        lseek(fd_, 0, SEEK_SET);
        [[maybe_unused]] const ssize_t written = write(fd_, text.data(), text.size());
    }

  private:
    int fd_;
};

// A failure to list a folder must not fail the export that wanted the temporary.
void ListTempFolder(const fs::path& folder) {
    const std::lock_guard guard(listMutex);
    if (!listedDataFolder) return;
    std::error_code error;
    const fs::path absolute = fs::weakly_canonical(folder, error);
    if (error || absolute == *listedDataFolder) return;
    const std::string name = absolute.string();
    if (name.find('\n') != std::string::npos) return;
    const LockedList list(*listedDataFolder);
    if (!list.IsOpen()) return;
    std::vector<std::string> folders = list.Folders();
    if (std::find(folders.begin(), folders.end(), name) != folders.end()) return;
    folders.push_back(name);
    list.Replace(folders);
}

// mkstemp creates the file with mode 0600 whatever the umask.
fs::path CreateUniqueFile(const fs::path& near) {
    std::string pattern = (near.parent_path() / (kTempFilePrefix + std::to_string(getpid()) + "-" +
                                                 NameHint(near.filename().string()) + ".XXXXXX"))
                              .string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw fs::filesystem_error("cannot create", fs::path(pattern),
                                   std::error_code(errno, std::generic_category()));
    close(fd);
    ListTempFolder(near.parent_path());
    return pattern;
}

// The process id in a temporary file's name; nothing for any other name.
std::optional<pid_t> OwnerOf(const std::string& name) {
    const std::string_view prefix = kTempFilePrefix;
    if (!name.starts_with(prefix)) return std::nullopt;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    pid_t pid = 0;
    const auto parsed = std::from_chars(first, last, pid);
    if (parsed.ec != std::errc() || parsed.ptr == first || parsed.ptr == last ||
        *parsed.ptr != '-' || pid <= 0)
        return std::nullopt;
    return pid;
}

}  // namespace

void SyncToDisk(const fs::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fs::filesystem_error("cannot open", path,
                                   std::error_code(errno, std::generic_category()));
    const int synced = fsync(fd);
    const int error = errno;
    close(fd);
    if (synced != 0)
        throw fs::filesystem_error("cannot flush", path,
                                   std::error_code(error, std::generic_category()));
}

fs::path SiblingTempPath(const fs::path& near) {
    const fs::path path = CreateUniqueFile(near);
    fs::remove(path);
    return path;
}

fs::path CreatePrivateTempFile(const fs::path& near) {
    return CreateUniqueFile(near);
}

void RemoveDatabaseFileQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
    fs::remove(fs::path(path.string() + "-journal"), ignored);
}

void RemoveStaleTempFiles(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const auto owner = OwnerOf(entry->path().filename().string());
        // EPERM means the process lives under another user; only ESRCH proves it has gone.
        if (!owner || *owner == getpid() || kill(*owner, 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        fs::remove(entry->path(), ignored);
    }
}

void ListTempFoldersIn(const fs::path& dataFolder) {
    std::error_code error;
    const fs::path absolute = fs::weakly_canonical(dataFolder, error);
    const std::lock_guard guard(listMutex);
    listedDataFolder = error ? dataFolder : absolute;
}

void RemoveStaleTempFilesOfListedFolders(const fs::path& dataFolder) {
    const LockedList list(dataFolder);
    if (!list.IsOpen()) return;
    std::vector<std::string> kept;
    for (const std::string& folder : list.Folders()) {
        RemoveStaleTempFiles(folder);
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            if (OwnerOf(entry->path().filename().string())) {
                kept.push_back(folder);
                break;
            }
        }
    }
    list.Replace(kept);
}

void WriteWholeFile(const fs::path& path, const std::vector<unsigned char>& bytes) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
        const int error = errno != 0 ? errno : EIO;
        throw fs::filesystem_error("cannot write", path,
                                   std::error_code(error, std::generic_category()));
    }
}

void CopyFileContents(const fs::path& from, const fs::path& to) {
    errno = 0;
    std::ifstream in(from, std::ios::binary);
    if (!in)
        throw fs::filesystem_error("cannot open", from,
                                   std::error_code(errno, std::generic_category()));
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.flush();
    if (!out || in.bad())
        throw fs::filesystem_error(
            "cannot write", to, std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
}

void WriteFileAtomically(const fs::path& target, const std::vector<unsigned char>& bytes) {
    const fs::path temp = CreatePrivateTempFile(target);
    try {
        WriteWholeFile(temp, bytes);
        fs::rename(temp, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

}  // namespace tallwick
