#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tallwick {

// Before an operation that changes many records at once, the working database is copied into
// this folder of the data folder, so that the state before it can be restored.
inline constexpr const char* kSafetyCopyFolderName = "backups";
inline constexpr int kDefaultSafetyCopiesKept = 20;

// The application id in the header of every copy the program writes; rotation removes no other.
inline constexpr std::uint32_t kSafetyCopyMark = 0x54574C42;

// The setting of how many copies stay: this value under the options key
// "\SOFTWARE\Marrowind\Tallwick\Options\EnvSetting" of the settings file.
inline constexpr const char* kSafetyCopyCountSetting = "SafetyCopyCount";

// The operations, as the copies' names and the restore list call them.
namespace safety_operation {
inline constexpr const char* kImport = "导入";
inline constexpr const char* kGroupImport = "分组导入";
inline constexpr const char* kDelete = "删除";
inline constexpr const char* kCompaction = "压缩";
inline constexpr const char* kRestore = "恢复";
}  // namespace safety_operation

// What the front end sets from its settings; tests replace the clock and the free-space probe.
struct SafetyCopyPolicy {
    int kept = kDefaultSafetyCopiesKept;  // the newest this many stay; fewer than 1 counts as 1
    std::function<std::tm()> clock;       // local time; empty: the system's
    // Bytes free for a new file in the folder; empty: the file system's own figure.
    std::function<std::uintmax_t(const std::filesystem::path& folder)> freeSpace;
};

void SetSafetyCopyPolicy(SafetyCopyPolicy policy);
SafetyCopyPolicy CurrentSafetyCopyPolicy();

// Installs a policy for as long as it lives, then the previous one again.
class ScopedSafetyCopyPolicy {
  public:
    explicit ScopedSafetyCopyPolicy(SafetyCopyPolicy policy);
    ~ScopedSafetyCopyPolicy();
    ScopedSafetyCopyPolicy(const ScopedSafetyCopyPolicy&) = delete;
    ScopedSafetyCopyPolicy& operator=(const ScopedSafetyCopyPolicy&) = delete;

  private:
    SafetyCopyPolicy previous_;
};

// The current time by the policy's clock.
std::tm SafetyCopyClockNow();

std::filesystem::path SafetyCopyFolder(const std::filesystem::path& dataFolder);

// Copies the working database, consistently while its connection stays open, into the backups
// folder beside it as "<yyyy-mm-dd>_<hhmm>_<operation>.mdb" (seconds, then a counter, added when
// the name is taken), then removes all but the newest copies the policy keeps, by when they were
// written and only those carrying kSafetyCopyMark. Must be called
// outside a transaction. When the disk lacks room or the copy cannot be written it throws
// UserError saying so, and the caller's operation must not start: nothing has changed yet.
std::filesystem::path MakeSafetyCopy(SQLite::Database& working, const std::string& operation);

// What a safety copy's name tells.
struct SafetyCopyName {
    std::tm time{};
    bool hasSeconds = false;
    int counter = 1;
    std::string operation;
};
std::optional<SafetyCopyName> ParseSafetyCopyName(const std::string& fileName);

struct SafetyCopy {
    std::filesystem::path path;
    std::string time;  // "2026-12-10 14:32" or, when the name has them, with seconds
    std::string operation;
    std::optional<std::int64_t> records;  // none when the copy cannot be read
};

// The safety copies of a data folder, newest first. Other files in the folder are not copies.
std::vector<SafetyCopy> ListSafetyCopies(const std::filesystem::path& dataFolder,
                                         bool countRecords = true);

}  // namespace tallwick
