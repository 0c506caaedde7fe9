#pragma once

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <memory>
#include <string>

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

// The database file that the build delivers (in build/delivered, copied into build/bin).
std::filesystem::path DeliveredDatabasePath();

// A private copy of the delivered database, in a folder of its own that serves as the program
// folder, opened read-write. Tests may change it freely.
struct WithoutLimitGuards {};
class DeliveredDatabaseCopy {
  public:
    DeliveredDatabaseCopy();
    // For tests that store odd values on purpose: the record tables take anything, as in a
    // working database stored before they were held to the survey's types and limits.
    explicit DeliveredDatabaseCopy(WithoutLimitGuards);
    // Fails the test when the records by state kept by triggers differ from the records
    // themselves: whatever the test wrote, through whichever path, must have kept them.
    ~DeliveredDatabaseCopy();
    DeliveredDatabaseCopy(const DeliveredDatabaseCopy&) = delete;
    DeliveredDatabaseCopy& operator=(const DeliveredDatabaseCopy&) = delete;

    const std::filesystem::path& Folder() const { return folder_.Path(); }
    const std::filesystem::path& FilePath() const { return path_; }
    SQLite::Database& Db() { return *db_; }
    void CloseDb() { db_.reset(); }

  private:
    TempFolder folder_;
    std::filesystem::path path_;
    std::unique_ptr<SQLite::Database> db_;
};

// Removes the triggers that hold the record tables to the survey's types and limits, as in a
// working database stored before them: readers must still cope with what such a file holds.
void DropLimitGuards(SQLite::Database& db);

// Damages `file` (closed) where opening it does not look: in a leaf page of dt_data that is
// neither its first nor its last, the cell count's high byte is flipped. The table must span at
// least three leaf pages.
void DamageMiddleRecordPage(const std::filesystem::path& file);

// Whether LibreOffice can be run here; the tests that need it skip without it.
bool HasLibreOffice();

// Has LibreOffice convert `file` headlessly, with a profile of its own beside the file, into the
// same folder: `filter` such as "pdf" or "csv:Text - txt - csv (StarCalc):44,34,76". Returns the
// file written; throws when the conversion fails.
std::filesystem::path ConvertWithLibreOffice(const std::filesystem::path& file,
                                             const std::string& filter);

}  // namespace tallwick::test
