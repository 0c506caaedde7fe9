#include "exchange/group_transfer.h"

#include "common/ascii.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "store/engine_error.h"
#include "store/safety_copy.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

std::string TableDefinition(SQLite::Database& db, const std::string& schema,
                            const std::string& table) {
    SQLite::Statement query(db, "SELECT sql FROM " + QuoteIdentifier(schema) +
                                    ".sqlite_master WHERE type = 'table' AND lower(name) = ?");
    query.bind(1, AsciiLower(table));
    if (!query.executeStep()) throw SQLite::Exception("no such table: " + table);
    return query.getColumn(0).getString();
}

void FillTarget(const fs::path& sourceDatabase, const std::vector<std::string>& tables,
                const fs::path& target, const ExchangeProgress& progress) {
    // Foreign keys stay off here: replacing a parent table must not touch the file's other rows.
    SQLite::Database file(PlainFileName(target),
                          SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE | SQLite::OPEN_URI);
    const AttachedFile source(file, sourceDatabase, "group_source");
    SQLite::Transaction transaction(file);
    std::uint64_t done = 0;
    Report(progress, done, tables.size());
    for (const auto& table : tables) {
        const std::string definition = TableDefinition(file, source.Schema(), table);
        file.exec("DROP TABLE IF EXISTS main." + QuoteIdentifier(table));
        file.exec(definition);
        CopyRows(file, {source.Schema(), table}, {"main", table});
        Report(progress, ++done, tables.size());
    }
    transaction.commit();
}

// Foreign keys are switched off for the transaction so that replacing groupings does not cascade
// into the items; the items are checked by hand before the commit.
class ForeignKeysOff {
  public:
    explicit ForeignKeysOff(SQLite::Database& db) : db_(db) {
        db_.exec("PRAGMA foreign_keys = OFF");
    }
    ~ForeignKeysOff() {
        try {
            db_.exec("PRAGMA foreign_keys = ON");
        } catch (const SQLite::Exception&) {
            // Only an open transaction prevents it, and there is none when this ends.
        }
    }
    ForeignKeysOff(const ForeignKeysOff&) = delete;
    ForeignKeysOff& operator=(const ForeignKeysOff&) = delete;

  private:
    SQLite::Database& db_;
};

// Rows of kept tables whose parents were replaced go with them; rows brought by the file must
// fit.
void ResolveForeignKeys(SQLite::Database& db, const std::vector<std::string>& imported) {
    SQLite::Statement check(db, "PRAGMA main.foreign_key_check");
    std::vector<std::pair<std::string, std::int64_t>> orphans;
    while (check.executeStep()) {
        const std::string table = check.getColumn(0).getString();
        if (std::find(imported.begin(), imported.end(), AsciiLower(table)) != imported.end())
            throw SQLite::Exception("FOREIGN KEY constraint failed in " + table);
        orphans.emplace_back(table, check.getColumn(1).getInt64());
    }
    for (const auto& [table, rowid] : orphans) {
        SQLite::Statement remove(db,
                                 "DELETE FROM main." + QuoteIdentifier(table) + " WHERE rowid = ?");
        remove.bind(1, rowid);
        remove.exec();
    }
}

}  // namespace

std::string ExportTables(const fs::path& sourceDatabase, const std::vector<std::string>& tables,
                         const fs::path& target, const ExchangeProgress& progress) {
    RefuseCopyOntoItself(sourceDatabase, target);
    fs::path temp;
    try {
        {
            SQLite::Database source(sourceDatabase.string(), SQLite::OPEN_READONLY);
            source.execAndGet("SELECT count(*) FROM sqlite_master");
        }
        temp = CreatePrivateTempFile(target);
        if (fs::exists(target)) CopyFileContents(target, temp);
        FillTarget(sourceDatabase, tables, temp, progress);
        fs::rename(temp, target);
    } catch (const std::exception& error) {
        std::error_code ignored;
        if (!temp.empty()) fs::remove(temp, ignored);
        throw RunTimeError(ErrorText(error));
    }
    return "数据已经被正确导出到：'" + target.string() + "'！";
}

TableImportResult ImportTables(SQLite::Database& working, const std::vector<std::string>& tables,
                               const fs::path& file, const ExchangeProgress& progress) {
    if (!fs::is_regular_file(file)) throw UserError(messages::kFileMissing);
    MakeSafetyCopy(working, safety_operation::kGroupImport);
    TableImportResult result;
    try {
        const ForeignKeysOff foreignKeysOff(working);
        const AttachedFile source(working, file, "group_source");
        SQLite::Transaction transaction(working);
        std::vector<std::string> imported;
        std::uint64_t done = 0;
        Report(progress, done, tables.size());
        for (const auto& table : tables) {
            if (HasTable(working, source.Schema(), table)) {
                working.exec("DELETE FROM main." + QuoteIdentifier(table));
                CopyRows(working, {source.Schema(), table}, {"main", table});
                imported.push_back(AsciiLower(table));
            } else {
                result.missingTables.push_back("您选择的文件中不存在名字为\"" + table +
                                               "\"的数据表");
            }
            Report(progress, ++done, tables.size());
        }
        ResolveForeignKeys(working, imported);
        transaction.commit();
    } catch (const SQLite::Exception& error) {
        throw RunTimeError(ErrorText(error));
    }
    result.message = messages::kGroupImportDone;
    return result;
}

}  // namespace tallwick::exchange
