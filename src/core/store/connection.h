#pragma once

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <memory>
#include <string>

namespace tallwick {

inline constexpr const char* kDatabaseFileName = "2018NB_qd_201809251730.mdb";

// The one connection to the working database. Opening removes a delivered file protection for
// good; compaction and backup close and reopen it on the same path.
class DatabaseConnection {
  public:
    // Opens "2018NB_qd_201809251730.mdb" in the program folder. Throws UserError with the
    // system's message when the file is missing or cannot be opened as a survey database;
    // a protected file that fails to open stays exactly as it was.
    static DatabaseConnection Open(const std::filesystem::path& programFolder);

    // Throws UserError(kDatabaseClosed) while closed: the list reads rows as it paints, and it
    // may paint behind a message shown while the file is closed.
    SQLite::Database& Db();
    const std::filesystem::path& CurrentDatabasePath() const { return path_; }

    // db_name of the first ct_label row, empty without a row. The engine's error propagates
    // when the table cannot be read; the caller shows it and goes on without a label.
    std::string ReadDatabaseLabel();

    void Close() { db_.reset(); }
    bool IsOpen() const { return db_ != nullptr; }
    void Reopen();

  private:
    DatabaseConnection(std::filesystem::path path, std::unique_ptr<SQLite::Database> db)
        : path_(std::move(path)), db_(std::move(db)) {}

    std::filesystem::path path_;
    std::unique_ptr<SQLite::Database> db_;
};

// Opens a survey database file and proves it is one at a glance (see RequireSoundAtAGlance).
// Throws UserError "软件安装不正确，请与软件提供者联系！" when it is not.
std::unique_ptr<SQLite::Database> OpenSurveyFile(const std::filesystem::path& path);

// Decrypts a protected file in place with DerivePassword(); the file changes only on success.
// Returns false when the file was not protected. Throws UserError when it cannot be opened.
bool RemoveFileProtection(const std::filesystem::path& path);

}  // namespace tallwick
