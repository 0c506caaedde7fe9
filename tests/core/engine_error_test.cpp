// The engine's failures as the user reads them, each brought about for real.
#include "store/engine_error.h"

#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace tallwick {
namespace {
namespace fs = std::filesystem;

std::string TextOf(const std::function<void()>& failing) {
    try {
        failing();
    } catch (const std::exception& error) {
        return ErrorText(error);
    }
    return "no failure";
}

TEST(EngineErrorText, EveryFailureAUserCanMeetIsSaidInChineseWithTheEnginesWordsAfterIt) {
    test::TempFolder folder;
    const fs::path file = folder.Path() / "db.mdb";
    OpenSqlite(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)->exec("CREATE TABLE t (x)");
    std::ofstream(folder.Path() / "text.mdb") << "not a database, just some text of some length";

    const struct {
        const char* name;
        std::function<void()> failing;
        const char* text;
    } cases[] = {
        {"locked",
         [&] {
             SQLite::Database holder(file.string(), SQLite::OPEN_READWRITE);
             holder.exec("BEGIN EXCLUSIVE");
             SQLite::Database other(file.string(), SQLite::OPEN_READWRITE);
             other.exec("INSERT INTO t VALUES (1)");
         },
         "数据库正被另一个程序使用，请关闭其它使用该数据库的程序后再试。（database is locked）"},
        {"read-only",
         [&] {
             SQLite::Database reader(file.string(), SQLite::OPEN_READONLY);
             reader.exec("INSERT INTO t VALUES (1)");
         },
         "数据库文件不能写入，请检查数据文件及其所在文件夹的写入权限。（attempt to write a "
         "readonly database）"},
        {"missing",
         [&] {
             SQLite::Database((folder.Path() / "none" / "x.mdb").string(), SQLite::OPEN_READWRITE);
         },
         "无法打开数据库文件，请检查文件是否存在以及是否有读写权限。（unable to open database "
         "file）"},
        {"full",
         [&] {
             SQLite::Database writer(file.string(), SQLite::OPEN_READWRITE);
             writer.exec("PRAGMA max_page_count = 2");
             writer.exec("INSERT INTO t VALUES (zeroblob(100000))");
         },
         "磁盘空间已满，请清理磁盘空间后再试。（database or disk is full）"},
        {"not a database",
         [&] {
             SQLite::Database((folder.Path() / "text.mdb").string(), SQLite::OPEN_READWRITE)
                 .exec("SELECT * FROM sqlite_master");
         },
         "数据库文件已损坏，请用备份的数据文件恢复。（file is not a database）"},
        {"other engine failures keep their text",
         [&] {
             SQLite::Database(file.string(), SQLite::OPEN_READWRITE).exec("SELECT missing FROM t");
         },
         "no such column: missing"},
        {"other failures keep their text", [] { throw std::runtime_error("plain"); }, "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextOf(c.failing), c.text) << c.name;
}

}  // namespace
}  // namespace tallwick
