// The engine's and the file system's failures as the user reads them, brought about for real
// where a test can; a refused permission cannot be met as the superuser, so those are made.
#include "common/failure_text.h"

#include "common/file_io.h"
#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

std::string TextOf(const std::function<void()>& failing, const fs::path& databaseFile,
                   const fs::path& workingDatabase) {
    try {
        failing();
    } catch (const std::exception& error) {
        return FailureText(error, databaseFile, workingDatabase);
    }
    return "no failure";
}

[[noreturn]] void Refused(const fs::path& path, int code) {
    throw fs::filesystem_error("cannot create", path,
                               std::error_code(code, std::generic_category()));
}

TEST(FailureText, EveryFailureAUserCanMeetNamesTheFileAndTheRemedyWithTheSystemsWordsAfterIt) {
    test::TempFolder folder;
    const fs::path file = folder.Path() / "db.mdb";
    const fs::path other = folder.Path() / "other.mdb";
    const std::string db = file.string();
    const std::string dir = folder.Path().string();
    OpenSqlite(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)->exec("CREATE TABLE t (x)");
    std::ofstream(folder.Path() / "text.mdb") << "not a database, just some text of some length";
    const auto notADatabase = [&] {
        SQLite::Database((folder.Path() / "text.mdb").string(), SQLite::OPEN_READWRITE)
            .exec("SELECT * FROM sqlite_master");
    };

    const struct {
        const char* name;
        std::function<void()> failing;
        fs::path databaseFile;
        std::string text;
    } cases[] = {
        {"locked",
         [&] {
             SQLite::Database holder(db, SQLite::OPEN_READWRITE);
             holder.exec("BEGIN EXCLUSIVE");
             SQLite::Database second(db, SQLite::OPEN_READWRITE);
             second.exec("INSERT INTO t VALUES (1)");
         },
         file,
         "无法使用数据库文件 " + db +
             "，它正被另一个程序使用，请关闭其它使用该文件的程序后再试。（database is locked）"},
        {"read-only",
         [&] {
             SQLite::Database reader(db, SQLite::OPEN_READONLY);
             reader.exec("INSERT INTO t VALUES (1)");
         },
         file,
         "无法写入数据库文件 " + db +
             "，请检查该文件及其所在文件夹的写入权限。（attempt to write a readonly database）"},
        {"missing",
         [&] {
             SQLite::Database((folder.Path() / "none" / "x.mdb").string(), SQLite::OPEN_READWRITE);
         },
         file,
         "无法打开数据库文件 " + db +
             "，请检查文件是否存在以及该文件和所在文件夹的读写权限。（unable to open database "
             "file）"},
        {"full",
         [&] {
             SQLite::Database writer(db, SQLite::OPEN_READWRITE);
             writer.exec("PRAGMA max_page_count = 2");
             writer.exec("INSERT INTO t VALUES (zeroblob(100000))");
         },
         file,
         "无法写入数据库文件 " + db +
             "，磁盘空间已满，请清理磁盘空间后再试。（database or disk is full）"},
        {"damaged working database", notADatabase, file,
         "无法读取数据库文件 " + db +
             "，文件已损坏，请用备份的数据文件恢复。（file is not a database）"},
        {"damaged other database: no restore advice", notADatabase, other,
         "无法读取数据库文件 " + other.string() +
             "，它不是完好的数据库文件，请检查所选的文件。（file is not a database）"},
        {"database not known",
         notADatabase,
         {},
         "无法读取数据库文件，它不是完好的数据库文件，请检查所选的文件。（file is not a "
         "database）"},
        {"other engine failures keep their text",
         [&] { SQLite::Database(db, SQLite::OPEN_READWRITE).exec("SELECT missing FROM t"); }, file,
         "no such column: missing"},
        {"folder refused",
         [&] { Refused(folder.Path() / "new.xlsx", EPERM); },
         {},
         "无法写入文件夹 " + dir + "，请检查权限或选择其他位置。（Operation not permitted）"},
        {"folder itself refused",
         [&] { Refused(folder.Path(), EACCES); },
         {},
         "无法写入文件夹 " + dir + "，请检查权限或选择其他位置。（Permission denied）"},
        {"file refused",
         [&] { Refused(file, EACCES); },
         {},
         "无法读写文件 " + db + "，请检查权限或选择其他位置。（Permission denied）"},
        {"read-only file system",
         [&] { Refused(folder.Path() / "new.xlsx", EROFS); },
         {},
         "无法写入文件夹 " + dir + "，请检查权限或选择其他位置。（Read-only file system）"},
        {"full disk",
         [] {
             WriteWholeFile("/dev/full", {1, 2, 3});
         },
         {},
         "无法写入文件夹 /dev，磁盘空间已满，请清理磁盘空间或选择其他位置。（No space left on "
         "device）"},
        {"disk error",
         [&] { Refused(file, EIO); },
         {},
         "无法读写文件 " + db + "，请检查磁盘是否正常后再试。（Input/output error）"},
        {"missing file",
         [&] { ReadWholeFile(folder.Path() / "gone.qd"); },
         {},
         "找不到文件或文件夹 " + (folder.Path() / "gone.qd").string() +
             "，请检查它是否存在。（No such file or directory）"},
        {"other failures keep their text", [] { throw std::runtime_error("plain"); }, {}, "plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextOf(c.failing, c.databaseFile, file), c.text) << c.name;
}

}  // namespace
}  // namespace tallwick
