#pragma once

#include <SQLiteCpp/Database.h>

#include <functional>
#include <string>
#include <vector>

namespace tallwick {

// Layout version of the survey database, kept in PRAGMA user_version. Each new program version
// that changes the layout appends a step to the list in schema_version.cpp and raises this number.
// Version 2 guards the record tables against values outside the survey's types and limits;
// version 3 keeps the change history of the records (dt_history); version 4 adds the history
// of imports and restores; version 5 keeps the answers confirmed in the plausibility review;
// version 6 the marks of records verified by a second keying.
inline constexpr int kSchemaVersion = 7;

int SchemaVersion(SQLite::Database& db);

// Brings a working database of an older layout up to kSchemaVersion, all steps in one transaction.
// A file without a version (0) is left alone; a file newer than this program is refused.
// Returns what the user must know about the stored data, one text per finding: records stored
// before the limits existed that break them stay as they are and are named here.
std::vector<std::string> UpgradeSchema(SQLite::Database& db);

// Where the front end shows the findings of an upgrade made while opening the working database.
using UpgradeNotice = std::function<void(const std::string& text)>;
void SetUpgradeNotice(UpgradeNotice notice);
void ReportUpgradeFindings(const std::vector<std::string>& findings);

// Installs a notice for as long as it lives.
class ScopedUpgradeNotice {
  public:
    explicit ScopedUpgradeNotice(UpgradeNotice notice) { SetUpgradeNotice(std::move(notice)); }
    ~ScopedUpgradeNotice() { SetUpgradeNotice({}); }
    ScopedUpgradeNotice(const ScopedUpgradeNotice&) = delete;
    ScopedUpgradeNotice& operator=(const ScopedUpgradeNotice&) = delete;
};

}  // namespace tallwick
