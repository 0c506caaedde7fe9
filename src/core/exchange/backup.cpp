#include "exchange/backup.h"

#include "common/file_io.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "store/engine_error.h"
#include "store/file_soundness.h"

#include <SQLiteCpp/Backup.h>
#include <sqlite3.h>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

constexpr int kPagesPerStep = 1024;

void CopyPages(SQLite::Database& working, const fs::path& target,
               const ExchangeProgress& progress) {
    SQLite::Database copy(target.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    SQLite::Backup backup(copy, working);
    int step = SQLITE_OK;
    do {
        step = backup.executeStep(kPagesPerStep);
        const auto total = static_cast<std::uint64_t>(backup.getTotalPageCount());
        Report(progress, total - static_cast<std::uint64_t>(backup.getRemainingPageCount()), total);
    } while (step != SQLITE_DONE);
    // The pages travel as they are: a damaged working database would give a damaged backup.
    RequireSoundCopy(copy, working.getFilename(), "没有生成备份文件");
}

}  // namespace

std::string BackupDatabase(SQLite::Database& working, const fs::path& target,
                           const ExchangeProgress& progress) {
    RefuseCopyOntoItself(working.getFilename(), target);
    fs::path temp;
    try {
        temp = CreatePrivateTempFile(target);
        CopyPages(working, temp, progress);
        fs::rename(temp, target);
    } catch (const DamagedDatabase&) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    } catch (const std::exception& error) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw RunTimeError(ErrorText(error));
    }
    return messages::kBackupDone;
}

}  // namespace tallwick::exchange
