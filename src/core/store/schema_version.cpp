#include "store/schema_version.h"

#include "common/user_error.h"
#include "history/history_table.h"
#include "review/confirmations.h"
#include "store/field_limits.h"
#include "store/record_counts.h"
#include "verify/verification_marks.h"

#include <SQLiteCpp/Transaction.h>

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace tallwick {
namespace {

using Findings = std::vector<std::string>;

// How many offending records an upgrade names; the rest are counted.
constexpr std::size_t kNamedBreaches = 20;

void GuardRecordTables(SQLite::Database& db, Findings& findings) {
    std::vector<std::string> named;
    std::int64_t total = 0;
    for (const char* table : {"dt_data", "dt_data1"}) {
        const auto limits = ReadFieldLimits(db, table);
        for (const LimitBreach& breach :
             FindBreaches(db, "main", table, limits, kNamedBreaches - named.size())) {
            named.push_back(std::string(table) + "：" + breach.Describe());
        }
        total += CountBreaches(db, "main", table, limits);
    }
    InstallLimitGuards(db);
    if (named.empty()) return;
    std::string text = "数据库中有" + std::to_string(total) +
                       "行数据不符合调查表规定的类型或范围，它们被保留，请逐条修正：";
    for (const auto& line : named) text += "\n" + line;
    if (total > static_cast<std::int64_t>(named.size())) text += "\n……";
    findings.push_back(std::move(text));
}

void AddChangeHistory(SQLite::Database& db, Findings&) {
    history::CreateHistoryTable(db);
}

// The table of what imports and restores brought; a delivered database has it from the start.
void AddImportHistory(SQLite::Database& db, Findings&) {
    db.exec(
        "CREATE TABLE IF NOT EXISTS ImportHistory (\n"
        "  id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
        "  Time TEXT NOT NULL,\n"
        "  Operation TEXT NOT NULL,\n"
        "  FileName TEXT NOT NULL,\n"
        "  Label TEXT,\n"
        "  Records INTEGER NOT NULL DEFAULT 0,\n"
        "  Added INTEGER NOT NULL DEFAULT 0,\n"
        "  Replaced INTEGER NOT NULL DEFAULT 0,\n"
        "  Kept INTEGER NOT NULL DEFAULT 0,\n"
        "  Succeeded INTEGER NOT NULL,\n"
        "  Outcome TEXT NOT NULL\n"
        ")");
}

void AddConfirmations(SQLite::Database& db, Findings&) {
    review::CreateConfirmationTable(db);
}

void AddVerificationMarks(SQLite::Database& db, Findings&) {
    verify::CreateVerificationTable(db);
}

void AddRecordCounts(SQLite::Database& db, Findings&) {
    CreateRecordCounts(db);
}

struct Migration {
    int fromVersion;
    void (*apply)(SQLite::Database& db, Findings& findings);
};

// Ordered, additive steps: {N, step} turns version N into N + 1.
constexpr std::array<Migration, 6> kMigrations{{{1, &GuardRecordTables},
                                                {2, &AddChangeHistory},
                                                {3, &AddImportHistory},
                                                {4, &AddConfirmations},
                                                {5, &AddVerificationMarks},
                                                {6, &AddRecordCounts}}};

constexpr const char* kNewerThanProgram = "数据文件的版本高于本软件的版本，请使用新版本的软件。";

std::mutex noticeMutex;
UpgradeNotice currentNotice;

}  // namespace

int SchemaVersion(SQLite::Database& db) {
    return db.execAndGet("PRAGMA user_version").getInt();
}

std::vector<std::string> UpgradeSchema(SQLite::Database& db) {
    int version = SchemaVersion(db);
    if (version > kSchemaVersion) throw UserError(kNewerThanProgram);
    if (version == 0 || version == kSchemaVersion) return {};

    Findings findings;
    SQLite::Transaction transaction(db);
    for (const Migration& step : kMigrations) {
        if (step.fromVersion != version) continue;
        step.apply(db, findings);
        ++version;
    }
    db.exec("PRAGMA user_version = " + std::to_string(version));
    transaction.commit();
    return findings;
}

void SetUpgradeNotice(UpgradeNotice notice) {
    const std::lock_guard lock(noticeMutex);
    currentNotice = std::move(notice);
}

void ReportUpgradeFindings(const std::vector<std::string>& findings) {
    const std::lock_guard lock(noticeMutex);
    if (!currentNotice) return;
    for (const auto& text : findings) currentNotice(text);
}

}  // namespace tallwick
