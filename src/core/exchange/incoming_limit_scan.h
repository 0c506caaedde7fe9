#pragma once

// The incoming rows of an import judged against the working tables' limits on a connection and
// a thread of their own, so that the judging runs on the second core while the first copies the
// rows. Only where the file's record tables declare exactly the working tables' columns and
// types: a value copied into a column of the same affinity is stored as it was, so judging the
// file's rows is judging what the import writes. Otherwise nothing starts and the written rows
// are judged in the working tables, as before.
#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <future>
#include <optional>
#include <set>
#include <string>

namespace tallwick::exchange {

class IncomingLimitScan {
  public:
    // `source` is the schema under which `file` is attached to `working`; the rows whose code is
    // one of `kept` are not imported and not judged.
    IncomingLimitScan(SQLite::Database& working, const std::string& source,
                      const std::filesystem::path& file, std::set<double> kept);
    ~IncomingLimitScan();
    IncomingLimitScan(const IncomingLimitScan&) = delete;
    IncomingLimitScan& operator=(const IncomingLimitScan&) = delete;

    // Whether some incoming row breaks a limit; waits for the scan. Nothing when the scan did not
    // start or failed: the caller must judge the written rows itself.
    std::optional<bool> FoundBreach();

  private:
    std::future<bool> breach_;
};

}  // namespace tallwick::exchange
