#pragma once

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <memory>

namespace tallwick::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The database file that the build delivers in build/bin.
std::filesystem::path DeliveredDatabasePath();

// A private copy of the delivered database, in a folder of its own that serves as the program
// folder, opened read-write. Tests may change it freely.
class DeliveredDatabaseCopy {
  public:
    DeliveredDatabaseCopy();

    const std::filesystem::path& Folder() const { return folder_.Path(); }
    const std::filesystem::path& FilePath() const { return path_; }
    SQLite::Database& Db() { return *db_; }
    void CloseDb() { db_.reset(); }

  private:
    TempFolder folder_;
    std::filesystem::path path_;
    std::unique_ptr<SQLite::Database> db_;
};

}  // namespace tallwick::test
