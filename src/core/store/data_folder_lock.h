#pragma once

#include "store/connection.h"

#include <chrono>
#include <filesystem>

namespace tallwick {

inline constexpr const char* kDataFolderBusy =
    "数据库正在被另一个Tallwick程序使用，请等它的操作结束后再试。";

// The lock file in the data folder; its contents mean nothing, the lock on it is all.
inline constexpr const char* kDataFolderLockName = ".tallwick.lock";

// Held by a program for as long as it may change the working database of one data folder, so
// that two programs never interleave their operations on it. The operating system releases it
// when the program ends, however it ends.
class DataFolderLock {
  public:
    // Waits up to `patience` for another program to finish. Throws UserError kDataFolderBusy when
    // it does not, or with the system's reason when the folder cannot hold the lock file.
    static DataFolderLock Acquire(const std::filesystem::path& folder,
                                  std::chrono::milliseconds patience = std::chrono::seconds(2));

    DataFolderLock(DataFolderLock&& other) noexcept;
    DataFolderLock& operator=(DataFolderLock&&) = delete;
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;
    ~DataFolderLock();

  private:
    explicit DataFolderLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Opens the working database for a program that only reads it. Opening changes the file only
// when it is protected or of an older layout; then, and only then, the lock is taken for it.
DatabaseConnection OpenWorkingDatabaseToRead(const std::filesystem::path& folder);

}  // namespace tallwick
