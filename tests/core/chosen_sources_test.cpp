// A file the user chose to read from is only read: whatever the operation does with it, the
// file keeps its bytes and its time, even with the journal of an interrupted write beside it,
// which a connection that may write would play back into it.
#include "cipher/aes_file.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/data_import.h"
#include "exchange/group_transfer.h"
#include "exchange/restore.h"
#include "exchange_test_data.h"
#include "store/connection.h"
#include "store/database.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <SQLiteCpp/Database.h>

#include <functional>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

// A survey database with a record, and beside it the journal of a write cut short: the file
// holds pages of the unfinished write, the journal what they were before.
void WriteInterruptedSource(const fs::path& source) {
    const test::TempFolder scratch;
    const fs::path file = scratch.Path() / "source.mdb";
    fs::copy_file(test::DeliveredDatabasePath(), file);
    SQLite::Database db(file.string(), SQLite::OPEN_READWRITE);
    test::AddRecord(db, 100000000001.0, "来源");
    db.exec("PRAGMA cache_size = 1");  // the write spills into the file before its commit
    db.exec(
        "BEGIN; CREATE TABLE filler(x); INSERT INTO filler SELECT randomblob(4000) FROM "
        "(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
        "SELECT i FROM n)");
    fs::copy_file(file, source);
    fs::copy_file(file.string() + "-journal", source.string() + "-journal");
    db.exec("ROLLBACK");
}

TEST(ChosenSources, AreOnlyReadWhateverLiesBesideThem) {
    const struct {
        const char* name;
        std::function<void(const fs::path& working, const fs::path& source)> read;
    } operations[] = {
        {"group import",
         [](const fs::path& working, const fs::path& source) {
             exchange::ImportTables(*OpenExistingSqlite(working), exchange::kGroupTables, source);
         }},
        {"import of a plain database",
         [](const fs::path& working, const fs::path& source) {
             exchange::ImportDataFile(*OpenExistingSqlite(working), source, working.parent_path(),
                                      working.parent_path(),
                                      [](const std::string&) { return true; });
         }},
        {"restore",
         [](const fs::path& working, const fs::path& source) {
             auto connection = DatabaseConnection::Open(working.parent_path());
             try {
                 exchange::InspectBackup(connection.Db(), source);  // before the question
             } catch (const UserError&) {
             }
             exchange::RestoreBackup(connection, source);
         }},
        {"encrypt",
         [](const fs::path& working, const fs::path& source) {
             cipher::EncryptFileReplacing(source, working.parent_path() / "加密.dat", "key");
         }},
    };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.name);
        test::DeliveredDatabaseCopy working;
        working.CloseDb();
        const test::TempFolder chosen;
        const fs::path source = chosen.Path() / "所选 #1?.mdb";
        WriteInterruptedSource(source);
        const auto past = fs::last_write_time(source) - std::chrono::hours(24);
        fs::last_write_time(source, past);
        const auto bytes = ReadWholeFile(source);
        try {
            operation.read(working.FilePath(), source);
        } catch (const UserError&) {
            // Refusing the file is fine; changing it is not.
        }
        EXPECT_EQ(ReadWholeFile(source), bytes);
        EXPECT_EQ(fs::last_write_time(source), past);
        EXPECT_TRUE(fs::exists(source.string() + "-journal"));
    }
}

}  // namespace
}  // namespace tallwick
