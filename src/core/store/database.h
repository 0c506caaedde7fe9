#pragma once

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tallwick {

// The path as a file name that a connection reading URI file names takes for the path itself.
std::string PlainFileName(const std::filesystem::path& path);

// Opens an SQLite file the way every part of the program needs it: foreign keys enforced and the
// scalar function int() (the largest integer not above its argument) that our SQL relies on.
std::unique_ptr<SQLite::Database> OpenSqlite(const std::filesystem::path& path, int flags);

// Read-write without creating: the working database and the files of other installations.
inline std::unique_ptr<SQLite::Database> OpenExistingSqlite(const std::filesystem::path& path) {
    return OpenSqlite(path, SQLite::OPEN_READWRITE);
}

// A name as an SQL identifier in double quotes, inner quotes doubled, so any table or column
// name is safe inside a statement.
std::string QuoteIdentifier(std::string_view name);

// True when the file starts with the SQLite header; says nothing about its tables.
bool HasSqliteHeader(const std::filesystem::path& path);

}  // namespace tallwick
