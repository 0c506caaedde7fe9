#include "store/file_soundness.h"

#include "store/database.h"
#include "store/messages.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace tallwick {
namespace fs = std::filesystem;
namespace {

// Reading a whole row walks the table's tree from its root to the leaf and any overflow pages.
void ReadEndRows(SQLite::Database& db, const char* table) {
    for (const char* order : {"ASC", "DESC"}) {
        SQLite::Statement row(
            db, std::string("SELECT * FROM ") + table + " ORDER BY rowid " + order + " LIMIT 1");
        row.executeStep();
    }
}

// Reading the first page, the engine itself refuses a header it cannot use and a file shorter
// than its header says; counting the record tables parses the whole schema.
bool LooksSound(SQLite::Database& db) {
    const bool tables = db.execAndGet(
                              "SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                              "AND lower(name) IN ('dt_data', 'dt_data1')")
                            .getInt() == 2;
    if (!tables) return false;
    ReadEndRows(db, "dt_data");
    ReadEndRows(db, "dt_data1");
    return true;
}

}  // namespace

void RequireSoundAtAGlance(SQLite::Database& db) {
    bool sound = false;
    try {
        sound = LooksSound(db);
    } catch (const SQLite::Exception&) {
        sound = false;
    }
    if (!sound) throw UserError(messages::kInstallationBroken);
}

std::string WholeFileFinding(SQLite::Database& db, const std::string& schema) {
    try {
        SQLite::Statement check(db, "PRAGMA " + QuoteIdentifier(schema) + ".quick_check(1)");
        check.executeStep();
        return check.getColumn(0).getString();
    } catch (const SQLite::Exception& error) {
        // A lock or a stop request says nothing about the file.
        const int code = error.getErrorCode() & 0xff;
        if (code != SQLITE_CORRUPT && code != SQLITE_NOTADB) throw;
        return error.what();
    }
}

DamagedDatabase::DamagedDatabase(const fs::path& working, const std::string& finding,
                                 const std::string& consequence)
    : UserError("数据库文件“" + working.string() + "”已经损坏（完整性检查没有通过：" + finding +
                "），" + consequence + "。请用“恢复备份”把数据库恢复为最近的安全备份或备份文件。") {
}

void RequireSoundCopy(SQLite::Database& copy, const fs::path& working,
                      const std::string& consequence) {
    const std::string finding = WholeFileFinding(copy);
    if (finding != "ok") throw DamagedDatabase(working, finding, consequence);
}

}  // namespace tallwick
