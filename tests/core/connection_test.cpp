// Opening the working database: the delivered file, a protected file, and every way it can fail.
#include "store/connection.h"
#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "store/database.h"
#include "store/messages.h"
#include "store/password.h"
#include "store/schema_version.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tallwick {
namespace {
namespace fs = std::filesystem;
using test::DeliveredDatabaseCopy;
using test::TempFolder;

std::string OpenError(const fs::path& folder) {
    try {
        DatabaseConnection::Open(folder);
    } catch (const UserError& error) {
        return error.what();
    }
    return "opened";
}

TEST(DatabaseConnection, OpensTheDeliveredDatabaseWithItsLabel) {
    DeliveredDatabaseCopy copy;
    copy.CloseDb();
    auto connection = DatabaseConnection::Open(copy.Folder());
    EXPECT_EQ(connection.CurrentDatabasePath(), copy.FilePath());
    EXPECT_EQ(connection.ReadDatabaseLabel(), "默认数据库");
    EXPECT_EQ(SchemaVersion(connection.Db()), kSchemaVersion);
}

TEST(DatabaseConnection, MissingFileIsReportedAsNotInstalled) {
    TempFolder folder;
    EXPECT_EQ(OpenError(folder.Path()), messages::kDataFileMissing);
}

TEST(DatabaseConnection, ProtectedFileIsUnprotectedOnFirstOpenForGood) {
    DeliveredDatabaseCopy copy;
    copy.CloseDb();
    const auto plain = ReadWholeFile(copy.FilePath());
    cipher::SealFile(copy.FilePath(), copy.FilePath(), DerivePassword());
    ASSERT_TRUE(cipher::IsSealedFile(copy.FilePath()));

    EXPECT_EQ(DatabaseConnection::Open(copy.Folder()).ReadDatabaseLabel(), "默认数据库");
    EXPECT_FALSE(cipher::IsSealedFile(copy.FilePath()));
    EXPECT_EQ(ReadWholeFile(copy.FilePath()), plain);
    EXPECT_EQ(DatabaseConnection::Open(copy.Folder()).ReadDatabaseLabel(), "默认数据库");
}

TEST(DatabaseConnection, FilesThatCannotBeOpenedStayUnchanged) {
    struct Case {
        const char* name;
        void (*prepare)(const fs::path& file);
    };
    const Case cases[] = {
        {"sealed under another password",
         [](const fs::path& file) { cipher::SealFile(file, file, "another password"); }},
        {"sealed database with a flipped byte",
         [](const fs::path& file) {
             cipher::SealFile(file, file, DerivePassword());
             auto bytes = ReadWholeFile(file);
             bytes[bytes.size() / 2] ^= 0x01;
             WriteFileAtomically(file, bytes);
         }},
        {"not a database at all",
         [](const fs::path& file) {
             std::ofstream(file, std::ios::trunc) << "plain text, no tables\n";
         }},
        {"an empty file", [](const fs::path& file) { std::ofstream(file, std::ios::trunc); }},
        {"the file cut short by a page opening does not read",
         [](const fs::path& file) {
             OpenExistingSqlite(file)->exec(
                 "CREATE TABLE filler (x BLOB); INSERT INTO filler VALUES (zeroblob(100000))");
             fs::resize_file(file, fs::file_size(file) - 4096);
         }},
        {"the record table's page overwritten",
         [](const fs::path& file) {
             const auto root = OpenExistingSqlite(file)
                                   ->execAndGet(
                                       "SELECT rootpage FROM sqlite_master WHERE "
                                       "name = 'dt_data1'")
                                   .getInt64();
             auto bytes = ReadWholeFile(file);
             std::fill_n(bytes.begin() + (root - 1) * 4096, 4096, 0xA5);
             std::ofstream(file, std::ios::binary | std::ios::trunc)
                 .write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::streamsize>(bytes.size()));
         }},
        {"a database without the record tables",
         [](const fs::path& file) {
             OpenExistingSqlite(file)->exec(
                 "DROP VIEW view_data_all; DROP VIEW view_data; DROP TABLE dt_data");
         }},
        {"a sealed text file",
         [](const fs::path& file) {
             std::ofstream(file, std::ios::trunc) << "plain text";
             cipher::SealFile(file, file, DerivePassword());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeliveredDatabaseCopy copy;
        copy.CloseDb();
        c.prepare(copy.FilePath());
        const auto before = ReadWholeFile(copy.FilePath());
        EXPECT_EQ(OpenError(copy.Folder()), messages::kInstallationBroken);
        EXPECT_EQ(ReadWholeFile(copy.FilePath()), before);
    }
}

TEST(DatabaseConnection, LabelIsEmptyWithoutRowAndAnErrorWithoutTable) {
    DeliveredDatabaseCopy copy;
    copy.Db().exec("DELETE FROM ct_label");
    copy.CloseDb();
    auto connection = DatabaseConnection::Open(copy.Folder());
    EXPECT_EQ(connection.ReadDatabaseLabel(), "");

    connection.Db().exec("DROP TABLE ct_label");
    EXPECT_THROW(connection.ReadDatabaseLabel(), SQLite::Exception);
}

TEST(DatabaseConnection, RefusesADatabaseNewerThanTheProgram) {
    DeliveredDatabaseCopy copy;
    copy.Db().exec("PRAGMA user_version = " + std::to_string(kSchemaVersion + 1));
    copy.CloseDb();
    EXPECT_NE(OpenError(copy.Folder()), "opened");
}

TEST(DatabaseConnection, ClosesAndReopensOnTheSamePath) {
    DeliveredDatabaseCopy copy;
    copy.CloseDb();
    auto connection = DatabaseConnection::Open(copy.Folder());
    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
    try {
        connection.Db();
        ADD_FAILURE() << "a closed connection gave its database";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), messages::kDatabaseClosed);
    }
    connection.Reopen();
    EXPECT_EQ(connection.ReadDatabaseLabel(), "默认数据库");
}

TEST(DerivePassword, IsTenAlphanumericCharactersAndStable) {
    const std::string password = DerivePassword();
    ASSERT_EQ(password.size(), 10u);
    for (char c : password) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
    EXPECT_EQ(password, DerivePassword());
}

}  // namespace
}  // namespace tallwick
