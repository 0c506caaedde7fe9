#include "store/schema_version.h"

#include "common/user_error.h"

#include <SQLiteCpp/Transaction.h>

#include <array>
#include <string>

namespace tallwick {
namespace {

struct Migration {
    int fromVersion;
    const char* sql;
};

// Ordered, additive steps: {N, sql} turns version N into N + 1.
constexpr std::array<Migration, 0> kMigrations{};

constexpr const char* kNewerThanProgram = "数据文件的版本高于本软件的版本，请使用新版本的软件。";

}  // namespace

int SchemaVersion(SQLite::Database& db) {
    return db.execAndGet("PRAGMA user_version").getInt();
}

void UpgradeSchema(SQLite::Database& db) {
    int version = SchemaVersion(db);
    if (version > kSchemaVersion) throw UserError(kNewerThanProgram);
    if (version == 0 || version == kSchemaVersion) return;

    SQLite::Transaction transaction(db);
    for (const Migration& step : kMigrations) {
        if (step.fromVersion != version) continue;
        db.exec(step.sql);
        ++version;
    }
    db.exec("PRAGMA user_version = " + std::to_string(version));
    transaction.commit();
}

}  // namespace tallwick
