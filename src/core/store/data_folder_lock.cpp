#include "store/data_folder_lock.h"

#include "cipher/file_envelope.h"
#include "common/user_error.h"
#include "store/schema_version.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace tallwick {
namespace fs = std::filesystem;

DataFolderLock DataFolderLock::Acquire(const fs::path& folder, std::chrono::milliseconds patience) {
    const fs::path path = folder / kDataFolderLockName;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // In a folder that cannot take a file no program can change the database either (its journal
    // goes there too), so there is nothing to guard.
    if (fd < 0 && (errno == EACCES || errno == EROFS)) return DataFolderLock(-1);
    if (fd < 0)
        throw UserError("无法锁定数据文件夹：" + path.string() + "：" + std::strerror(errno));
    DataFolderLock lock(fd);
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            throw UserError("无法锁定数据文件夹：" + path.string() + "：" + std::strerror(errno));
        if (std::chrono::steady_clock::now() >= giveUp) throw UserError(kDataFolderBusy);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return lock;
}

DataFolderLock::DataFolderLock(DataFolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

DataFolderLock::~DataFolderLock() {
    if (fd_ >= 0) close(fd_);
}

namespace {

bool OpeningChangesFile(const fs::path& path) {
    if (cipher::IsSealedFile(path)) return true;
    try {
        SQLite::Database db(path.string(), SQLite::OPEN_READONLY);
        const int version = SchemaVersion(db);
        return version != 0 && version < kSchemaVersion;
    } catch (const SQLite::Exception&) {
        return false;  // Open reports the damaged file
    }
}

}  // namespace

DatabaseConnection OpenWorkingDatabaseToRead(const fs::path& folder) {
    if (!OpeningChangesFile(folder / kDatabaseFileName)) return DatabaseConnection::Open(folder);
    const auto lock = DataFolderLock::Acquire(folder);
    return DatabaseConnection::Open(folder);
}

}  // namespace tallwick
