#include "store/engine_error.h"

#include <sqlite3.h>

namespace tallwick {
namespace {

const char* Advice(int primaryCode) {
    switch (primaryCode) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "数据库正被另一个程序使用，请关闭其它使用该数据库的程序后再试。";
        case SQLITE_READONLY:
            return "数据库文件不能写入，请检查数据文件及其所在文件夹的写入权限。";
        case SQLITE_CANTOPEN:
            return "无法打开数据库文件，请检查文件是否存在以及是否有读写权限。";
        case SQLITE_FULL:
            return "磁盘空间已满，请清理磁盘空间后再试。";
        case SQLITE_IOERR:
            return "读写磁盘时发生错误，请检查磁盘空间和磁盘是否正常后再试。";
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return "数据库文件已损坏，请用备份的数据文件恢复。";
        default:
            return nullptr;
    }
}

}  // namespace

std::string EngineErrorText(const SQLite::Exception& error) {
    const char* advice = Advice(error.getErrorCode() & 0xff);
    if (!advice) return error.what();
    return std::string(advice) + "（" + error.what() + "）";
}

std::string ErrorText(const std::exception& error) {
    if (const auto* engine = dynamic_cast<const SQLite::Exception*>(&error))
        return EngineErrorText(*engine);
    return error.what();
}

}  // namespace tallwick
