#include "exchange/package_template.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "exchange/attached_file.h"
#include "exchange/exchange_messages.h"
#include "store/database.h"
#include "store/password.h"
#include "store/program_folder.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

struct RemovedOnExit {
    fs::path path;
    ~RemovedOnExit() {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
};

}  // namespace

void BuildPackageTemplate(const fs::path& surveyDatabase, const fs::path& target) {
    const RemovedOnExit plain{CreatePrivateTempFile(target)};
    {
        auto db = OpenSqlite(plain.path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        const AttachedFile survey(*db, surveyDatabase, "survey");
        const int version = db->execAndGet("PRAGMA survey.user_version").getInt();
        SQLite::Transaction transaction(*db);
        for (const char* table : {"dt_data", "dt_data1", "ct_label"}) {
            SQLite::Statement definition(
                *db, "SELECT sql FROM survey.sqlite_master WHERE type = 'table' AND name = ?");
            definition.bind(1, table);
            if (!definition.executeStep())
                throw SQLite::Exception(std::string("no table ") + table +
                                        " in the survey database");
            db->exec(definition.getColumn(0).getString());
        }
        SQLite::Statement label(*db, "INSERT INTO main.ct_label (db_name) VALUES (?)");
        label.bind(1, messages::kDefaultLabel);
        label.exec();
        transaction.commit();
        db->exec("PRAGMA main.user_version = " + std::to_string(version));
    }
    cipher::SealFile(plain.path, target, DerivePassword());
}

std::filesystem::path PackageTemplatePath(const std::filesystem::path& dataFolder) {
    return DeliveredFile(dataFolder, kPackageTemplateName);
}

}  // namespace tallwick::exchange
