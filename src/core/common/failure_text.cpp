#include "common/failure_text.h"

#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <cerrno>
#include <system_error>

namespace tallwick {
namespace fs = std::filesystem;
namespace {

// Where a sentence's "{}" is filled in: the file itself, or the folder a file was to be made in.
enum class Place { File, Folder };

enum class Source { Engine, Files, DamagedWorkingDatabase };

struct Sentence {
    Source source;
    int code;  // the engine's primary result code, or errno
    Place place;
    const char* text;
};

// One row per cause the user can meet and remedy. "{}" takes the path, or nothing when unknown.
constexpr Sentence kSentences[] = {
    {Source::Engine, SQLITE_BUSY, Place::File,
     "无法使用数据库文件{}，它正被另一个程序使用，请关闭其它使用该文件的程序后再试。"},
    {Source::Engine, SQLITE_LOCKED, Place::File,
     "无法使用数据库文件{}，它正被另一个程序使用，请关闭其它使用该文件的程序后再试。"},
    {Source::Engine, SQLITE_READONLY, Place::File,
     "无法写入数据库文件{}，请检查该文件及其所在文件夹的写入权限。"},
    {Source::Engine, SQLITE_CANTOPEN, Place::File,
     "无法打开数据库文件{}，请检查文件是否存在以及该文件和所在文件夹的读写权限。"},
    {Source::Engine, SQLITE_FULL, Place::File,
     "无法写入数据库文件{}，磁盘空间已满，请清理磁盘空间后再试。"},
    {Source::Engine, SQLITE_IOERR, Place::File,
     "无法读写数据库文件{}，请检查磁盘空间和磁盘是否正常后再试。"},
    {Source::Engine, SQLITE_CORRUPT, Place::File,
     "无法读取数据库文件{}，它不是完好的数据库文件，请检查所选的文件。"},
    {Source::Engine, SQLITE_NOTADB, Place::File,
     "无法读取数据库文件{}，它不是完好的数据库文件，请检查所选的文件。"},
    {Source::DamagedWorkingDatabase, SQLITE_CORRUPT, Place::File,
     "无法读取数据库文件{}，文件已损坏，请用备份的数据文件恢复。"},
    {Source::DamagedWorkingDatabase, SQLITE_NOTADB, Place::File,
     "无法读取数据库文件{}，文件已损坏，请用备份的数据文件恢复。"},
    {Source::Files, EACCES, Place::File, "无法读写文件{}，请检查权限或选择其他位置。"},
    {Source::Files, EPERM, Place::File, "无法读写文件{}，请检查权限或选择其他位置。"},
    {Source::Files, EROFS, Place::File, "无法读写文件{}，请检查权限或选择其他位置。"},
    {Source::Files, EACCES, Place::Folder, "无法写入文件夹{}，请检查权限或选择其他位置。"},
    {Source::Files, EPERM, Place::Folder, "无法写入文件夹{}，请检查权限或选择其他位置。"},
    {Source::Files, EROFS, Place::Folder, "无法写入文件夹{}，请检查权限或选择其他位置。"},
    {Source::Files, ENOSPC, Place::Folder,
     "无法写入文件夹{}，磁盘空间已满，请清理磁盘空间或选择其他位置。"},
    {Source::Files, EDQUOT, Place::Folder,
     "无法写入文件夹{}，磁盘空间已满，请清理磁盘空间或选择其他位置。"},
    {Source::Files, EIO, Place::File, "无法读写文件{}，请检查磁盘是否正常后再试。"},
    {Source::Files, ENOENT, Place::File, "找不到文件或文件夹{}，请检查它是否存在。"},
};

const Sentence* Find(Source source, int code, Place place) {
    for (const Sentence& sentence : kSentences) {
        if (sentence.source == source && sentence.code == code && sentence.place == place)
            return &sentence;
    }
    return nullptr;
}

// A full disk and a refused write concern the folder that was to take a file; a file that exists
// is the one at fault for the rest.
Place PlaceOf(const fs::path& path, int code) {
    std::error_code ignored;
    if (code == ENOSPC || code == EDQUOT) return Place::Folder;
    if (code != EACCES && code != EPERM && code != EROFS) return Place::File;
    if (path.empty() || fs::is_regular_file(path, ignored)) return Place::File;
    return Place::Folder;
}

fs::path Named(const fs::path& path, Place place) {
    std::error_code ignored;
    if (place == Place::File || path.empty() || fs::is_directory(path, ignored)) return path;
    return path.parent_path();
}

std::string Fill(const Sentence& sentence, const fs::path& path, const char* original) {
    const std::string text = sentence.text;
    const auto at = text.find("{}");
    const std::string name = path.empty() ? std::string() : " " + path.string();
    return text.substr(0, at) + name + text.substr(at + 2) + "（" + original + "）";
}

}  // namespace

std::string FailureText(const std::exception& error, const fs::path& databaseFile,
                        const fs::path& workingDatabase) {
    if (const auto* engine = dynamic_cast<const SQLite::Exception*>(&error)) {
        const int code = engine->getErrorCode() & 0xff;
        const bool working = !databaseFile.empty() && databaseFile == workingDatabase;
        const Sentence* sentence =
            working ? Find(Source::DamagedWorkingDatabase, code, Place::File) : nullptr;
        if (!sentence) sentence = Find(Source::Engine, code, Place::File);
        if (sentence) return Fill(*sentence, databaseFile, error.what());
        return error.what();
    }
    if (const auto* files = dynamic_cast<const fs::filesystem_error*>(&error)) {
        const int code = files->code().value();
        const Place place = PlaceOf(files->path1(), code);
        if (const Sentence* sentence = Find(Source::Files, code, place))
            return Fill(*sentence, Named(files->path1(), place), files->code().message().c_str());
    }
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        if (system->code().category() == std::generic_category()) {
            const int code = system->code().value();
            if (const Sentence* sentence = Find(Source::Files, code, PlaceOf({}, code)))
                return Fill(*sentence, {}, error.what());
        }
    }
    return error.what();
}

}  // namespace tallwick
