#include "store/whole_file_check.h"

#include "store/database.h"
#include "store/file_soundness.h"

#include <sqlite3.h>

#include <chrono>
#include <set>
#include <thread>

namespace tallwick {
namespace fs = std::filesystem;
namespace {

std::mutex runningMutex;
std::set<sqlite3*> runningChecks;  // the connections of checks reading now, under runningMutex

void InterruptRunningChecks() {
    const std::lock_guard lock(runningMutex);
    for (sqlite3* handle : runningChecks) sqlite3_interrupt(handle);
}

constexpr std::chrono::milliseconds kWorkingWait{5000};  // as OpenSqlite's busy timeout
constexpr std::chrono::milliseconds kPause{1000};        // before a check starts again

int WaitGivingWay(void*, int attempt) {
    if (attempt == 0) InterruptRunningChecks();
    // The check's lock ends within the engine's next few steps; then short naps until the
    // working connection's usual patience is spent.
    constexpr auto kNap = std::chrono::milliseconds(5);
    if (attempt * kNap >= kWorkingWait) return 0;
    std::this_thread::sleep_for(kNap);
    return 1;
}

bool GaveWay(const SQLite::Exception& error) {
    const int code = error.getErrorCode() & 0xff;
    return code == SQLITE_INTERRUPT || code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

}  // namespace

WholeFileCheck::WholeFileCheck(fs::path file) : file_(std::move(file)) {}

WholeFileCheck::~WholeFileCheck() {
    Stop();
}

std::optional<std::string> WholeFileCheck::Run() {
    while (!stopped_) {
        std::unique_ptr<SQLite::Database> db;
        std::optional<std::string> finding;
        try {
            db = OpenSqlite(file_, SQLite::OPEN_READONLY);
            {
                const std::lock_guard lock(runningMutex);
                handle_ = db->getHandle();
                runningChecks.insert(handle_);
            }
            if (!stopped_) finding = WholeFileFinding(*db);
        } catch (const SQLite::Exception& error) {
            if (!GaveWay(error)) finding = error.what();
        }
        {
            const std::lock_guard lock(runningMutex);
            runningChecks.erase(handle_);
            handle_ = nullptr;
        }
        if (finding) return finding;
        db.reset();
        for (auto waited = std::chrono::milliseconds(0); !stopped_ && waited < kPause;
             waited += std::chrono::milliseconds(50))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

void WholeFileCheck::Stop() {
    stopped_ = true;
    const std::lock_guard lock(runningMutex);
    if (handle_) sqlite3_interrupt(handle_);
}

void GiveWayToWholeFileChecks(SQLite::Database& working) {
    sqlite3_busy_handler(working.getHandle(), &WaitGivingWay, nullptr);
}

}  // namespace tallwick
