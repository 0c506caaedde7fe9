#include "store/connection.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "store/database.h"
#include "store/file_soundness.h"
#include "store/messages.h"
#include "store/password.h"
#include "store/schema_version.h"
#include "store/whole_file_check.h"

#include <SQLiteCpp/Statement.h>

namespace tallwick {
namespace fs = std::filesystem;

bool RemoveFileProtection(const fs::path& path) {
    if (!cipher::IsSealedFile(path)) return false;
    try {
        const auto plain = cipher::Unseal(ReadWholeFile(path), DerivePassword());
        static constexpr unsigned char kSqliteMagic[] = "SQLite format 3";
        if (plain.size() < sizeof kSqliteMagic ||
            !std::equal(std::begin(kSqliteMagic), std::end(kSqliteMagic), plain.begin())) {
            throw UserError(messages::kInstallationBroken);
        }
        WriteFileAtomically(path, plain);
    } catch (const UserError&) {
        throw;
    } catch (const std::exception&) {
        throw UserError(messages::kInstallationBroken);
    }
    return true;
}

std::unique_ptr<SQLite::Database> OpenSurveyFile(const fs::path& path) {
    try {
        auto db = OpenExistingSqlite(path);
        // SQLite reads lazily and takes an empty file for an empty database. What a glance
        // cannot see, the whole-file check finds before a backup, an import or a restore.
        RequireSoundAtAGlance(*db);
        GiveWayToWholeFileChecks(*db);
        return db;
    } catch (const SQLite::Exception&) {
        throw UserError(messages::kInstallationBroken);
    }
}

DatabaseConnection DatabaseConnection::Open(const fs::path& programFolder) {
    const fs::path path = programFolder / kDatabaseFileName;
    if (!fs::is_regular_file(path)) throw UserError(messages::kDataFileMissing);
    RemoveFileProtection(path);
    auto db = OpenSurveyFile(path);
    ReportUpgradeFindings(UpgradeSchema(*db));
    return DatabaseConnection(path, std::move(db));
}

SQLite::Database& DatabaseConnection::Db() {
    if (!db_) throw UserError(messages::kDatabaseClosed);
    return *db_;
}

void DatabaseConnection::Reopen() {
    db_.reset();
    if (!fs::is_regular_file(path_)) throw UserError(messages::kDataFileMissing);
    db_ = OpenSurveyFile(path_);
}

std::string DatabaseConnection::ReadDatabaseLabel() {
    SQLite::Statement query(*db_, "SELECT db_name FROM ct_label");
    if (!query.executeStep() || query.getColumn(0).isNull()) return {};
    return query.getColumn(0).getString();
}

}  // namespace tallwick
