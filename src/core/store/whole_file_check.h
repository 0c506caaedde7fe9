#pragma once

#include <SQLiteCpp/Database.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

struct sqlite3;

namespace tallwick {

// The whole-file check of the working database, read on a connection of its own while the
// program goes on working (in a thread of the caller's). It holds a read lock for as long as it
// reads, so it gives way to the working connection: when that connection has to wait for the
// lock (see GiveWayToWholeFileChecks), the check stops and starts again a moment later.
class WholeFileCheck {
  public:
    explicit WholeFileCheck(std::filesystem::path file);
    ~WholeFileCheck();
    WholeFileCheck(const WholeFileCheck&) = delete;
    WholeFileCheck& operator=(const WholeFileCheck&) = delete;

    // "ok" or the first finding (see WholeFileFinding); nothing when stopped. A file that cannot
    // be opened counts as a finding.
    std::optional<std::string> Run();

    // From any thread: Run returns nothing as soon as the engine notices.
    void Stop();

  private:
    std::filesystem::path file_;
    std::atomic<bool> stopped_{false};
    sqlite3* handle_ = nullptr;  // the connection reading now, guarded with the running checks
};

// Installed on the working connection: while it waits for a lock, every running whole-file check
// stops and starts again later; otherwise it waits as long as a connection of OpenSqlite would.
void GiveWayToWholeFileChecks(SQLite::Database& working);

}  // namespace tallwick
