#include "store/safety_copy.h"

#include "common/file_io.h"
#include "common/local_time.h"
#include "common/user_error.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/file_soundness.h"

#include <SQLiteCpp/Backup.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <regex>
#include <system_error>
#include <tuple>

namespace tallwick {
namespace fs = std::filesystem;

namespace {

std::mutex policyMutex;
SafetyCopyPolicy currentPolicy;

std::string Format(const std::tm& time, const char* format) {
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &time);
    return std::string(text, length);
}

// What is needed is rounded up and what is free down, so that a shortfall never reads as
// "需要约1 MB，只有1 MB可用".
std::string MegabytesUp(std::uintmax_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20);
}

std::string MegabytesDown(std::uintmax_t bytes) {
    return std::to_string(bytes >> 20);
}

std::string CouldNotCopy(const fs::path& folder, const std::string& reason) {
    return "无法在“" + folder.string() + "”中保存操作前的安全备份（" + reason +
           "），操作没有进行，数据没有任何改变。";
}

// The size the copy will take: every page of the database.
std::uintmax_t DatabaseBytes(SQLite::Database& db) {
    const auto pages = db.execAndGet("PRAGMA main.page_count").getInt64();
    const auto pageSize = db.execAndGet("PRAGMA main.page_size").getInt64();
    return static_cast<std::uintmax_t>(pages * pageSize);
}

// All pages in one step through the online backup, which reads a consistent state of the source
// while its connection stays open. The copy is made durable before the operation starts.
void CopyPages(SQLite::Database& working, const fs::path& target) {
    {
        SQLite::Database copy(target.string(), SQLite::OPEN_READWRITE);
        copy.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
        SQLite::Backup backup(copy, working);
        if (backup.executeStep(-1) != SQLITE_DONE)
            throw SQLite::Exception("the backup did not finish");
        // A copy of a damaged database is no way back; the operation must not start on it.
        RequireSoundCopy(copy, working.getFilename(), "操作没有进行，数据没有任何改变");
        copy.exec("PRAGMA application_id = " + std::to_string(kSafetyCopyMark));
    }
    SyncToDisk(target);
}

// Whether the program wrote the file as a safety copy: its mark in the database header.
bool IsMarkedCopy(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[72] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    if (std::memcmp(header, "SQLite format 3", 16) != 0) return false;
    const std::uint32_t mark = (std::uint32_t{header[68]} << 24) |
                               (std::uint32_t{header[69]} << 16) |
                               (std::uint32_t{header[70]} << 8) | std::uint32_t{header[71]};
    return mark == kSafetyCopyMark;
}

fs::path FreeName(const fs::path& folder, const std::tm& time, const std::string& operation) {
    const std::string minute = Format(time, "%Y-%m-%d_%H%M");
    fs::path name = folder / (minute + "_" + operation + ".mdb");
    if (!fs::exists(name)) return name;
    const std::string second = Format(time, "%Y-%m-%d_%H%M%S");
    name = folder / (second + "_" + operation + ".mdb");
    for (int counter = 2; fs::exists(name); ++counter)
        name = folder / (second + "_" + operation + "-" + std::to_string(counter) + ".mdb");
    return name;
}

// The time each copy was written decides, not what its name says (a clock set back, a change of
// time zone); the names only break ties.
using Order = std::tuple<fs::file_time_type, std::time_t, int, int>;

struct Found {
    fs::path path;
    SafetyCopyName name;
    Order order;
};

Order OrderOf(const fs::path& path, const SafetyCopyName& name) {
    std::tm minute = name.time;
    minute.tm_sec = 0;
    minute.tm_isdst = -1;
    std::error_code error;
    const auto written = fs::last_write_time(path, error);
    return {error ? fs::file_time_type::min() : written, std::mktime(&minute),
            name.hasSeconds ? name.time.tm_sec : -1, name.counter};
}

// Newest first. A folder that is not there holds no copies; one that cannot be read sets `error`.
std::vector<Found> FindCopies(const fs::path& folder, std::error_code& error) {
    std::vector<Found> found;
    if (!fs::exists(fs::symlink_status(folder))) return found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code vanished;
        if (!it->is_regular_file(vanished)) continue;
        if (auto name = ParseSafetyCopyName(it->path().filename().string())) {
            const Order order = OrderOf(it->path(), *name);
            found.push_back({it->path(), std::move(*name), order});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.order != b.order) return a.order > b.order;
        return a.path > b.path;
    });
    return found;
}

// Only copies the program wrote count and go, never a file of the user's named like one, and never
// the copy just made, whatever the clock says of the others.
void RemoveOldCopies(const fs::path& folder, int kept, const fs::path& newest) {
    std::error_code unreadable;
    auto copies = FindCopies(folder, unreadable);
    std::erase_if(copies, [&](const Found& found) {
        return found.path == newest || !IsMarkedCopy(found.path);
    });
    for (std::size_t i = static_cast<std::size_t>(std::max(kept, 1)) - 1; i < copies.size(); ++i) {
        std::error_code ignored;
        fs::remove(copies[i].path, ignored);
    }
}

std::optional<std::int64_t> CountRecords(const fs::path& file) {
    try {
        auto db = OpenSqlite(file, SQLite::OPEN_READONLY);
        return db->execAndGet("SELECT count(*) FROM dt_data").getInt64();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

void SetSafetyCopyPolicy(SafetyCopyPolicy policy) {
    const std::lock_guard lock(policyMutex);
    currentPolicy = std::move(policy);
}

SafetyCopyPolicy CurrentSafetyCopyPolicy() {
    const std::lock_guard lock(policyMutex);
    return currentPolicy;
}

ScopedSafetyCopyPolicy::ScopedSafetyCopyPolicy(SafetyCopyPolicy policy)
    : previous_(CurrentSafetyCopyPolicy()) {
    SetSafetyCopyPolicy(std::move(policy));
}

ScopedSafetyCopyPolicy::~ScopedSafetyCopyPolicy() {
    SetSafetyCopyPolicy(std::move(previous_));
}

std::tm SafetyCopyClockNow() {
    const SafetyCopyPolicy policy = CurrentSafetyCopyPolicy();
    return policy.clock ? policy.clock() : CurrentLocalTime();
}

fs::path SafetyCopyFolder(const fs::path& dataFolder) {
    return dataFolder / kSafetyCopyFolderName;
}

fs::path MakeSafetyCopy(SQLite::Database& working, const std::string& operation) {
    const SafetyCopyPolicy policy = CurrentSafetyCopyPolicy();
    const fs::path folder = SafetyCopyFolder(fs::path(working.getFilename()).parent_path());
    fs::path temp;
    fs::path target;
    try {
        // The copies hold every record in the clear: the folder is the owner's alone.
        if (fs::create_directories(folder))
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
        RemoveStaleTempFiles(folder);
        const std::uintmax_t needed = DatabaseBytes(working);
        const std::uintmax_t available =
            policy.freeSpace ? policy.freeSpace(folder) : fs::space(folder).available;
        if (available < needed) {
            throw UserError("磁盘空间不足：在“" + folder.string() +
                            "”中保存操作前的安全备份需要约" + MegabytesUp(needed) + " MB，只有" +
                            MegabytesDown(available) +
                            " MB可用。操作没有进行，数据没有任何改变，请先腾出磁盘空间。");
        }
        target = FreeName(folder, policy.clock ? policy.clock() : CurrentLocalTime(), operation);
        temp = CreatePrivateTempFile(target);
        CopyPages(working, temp);
        fs::rename(temp, target);
        // Without this a power cut may leave the copy under its temporary name, to be swept.
        SyncToDisk(folder);
    } catch (const UserError&) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw;
    } catch (const std::exception& error) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw UserError(CouldNotCopy(folder, ErrorText(error)));
    }
    RemoveOldCopies(folder, policy.kept, target);
    return target;
}

std::optional<SafetyCopyName> ParseSafetyCopyName(const std::string& fileName) {
    static const std::regex pattern(
        R"(^(\d{4})-(\d{2})-(\d{2})_(\d{2})(\d{2})(\d{2})?_(.+?)(?:-(\d+))?\.mdb$)");
    std::smatch match;
    if (!std::regex_match(fileName, match, pattern)) return std::nullopt;
    SafetyCopyName name;
    name.time.tm_year = std::stoi(match[1]) - 1900;
    name.time.tm_mon = std::stoi(match[2]) - 1;
    name.time.tm_mday = std::stoi(match[3]);
    name.time.tm_hour = std::stoi(match[4]);
    name.time.tm_min = std::stoi(match[5]);
    name.hasSeconds = match[6].matched;
    name.time.tm_sec = name.hasSeconds ? std::stoi(match[6]) : 0;
    name.operation = match[7];
    name.counter = match[8].matched ? std::stoi(match[8]) : 1;
    if (name.time.tm_mon > 11 || name.time.tm_mday < 1 || name.time.tm_mday > 31 ||
        name.time.tm_hour > 23 || name.time.tm_min > 59 || name.time.tm_sec > 60)
        return std::nullopt;
    return name;
}

std::vector<SafetyCopy> ListSafetyCopies(const fs::path& dataFolder, bool countRecords) {
    std::vector<SafetyCopy> copies;
    const fs::path folder = SafetyCopyFolder(dataFolder);
    std::error_code error;
    const std::vector<Found> all = FindCopies(folder, error);
    if (error)
        throw UserError("无法读取安全备份所在的文件夹“" + folder.string() + "”（" +
                        error.message() + "），请检查它是否是一个可以读取的文件夹。");
    for (const Found& found : all) {
        SafetyCopy copy;
        copy.path = found.path;
        copy.time =
            Format(found.name.time, found.name.hasSeconds ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d %H:%M");
        copy.operation = found.name.operation;
        if (countRecords) copy.records = CountRecords(found.path);
        copies.push_back(std::move(copy));
    }
    return copies;
}

}  // namespace tallwick
