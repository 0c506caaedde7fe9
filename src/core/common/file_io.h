#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallwick {

std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path);

// Writes the bytes into the file, replacing what it held; throws on failure.
void WriteWholeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

// Writes beside the target and renames over it, so the target is either untouched or complete.
void WriteFileAtomically(const std::filesystem::path& target,
                         const std::vector<unsigned char>& bytes);

// Flushes a file, or a folder's entries after a rename in it, to the disk; throws on failure.
void SyncToDisk(const std::filesystem::path& path);

// Every temporary file of the program is named ".tallwick-<process id>-<name>.XXXXXX", so that a
// later start can tell the leftovers of a killed run from the files of a program still running.
inline constexpr const char* kTempFilePrefix = ".tallwick-";

// A unique, not yet existing name in the folder of `near`, for a file that will be renamed over it.
std::filesystem::path SiblingTempPath(const std::filesystem::path& near);

// Like SiblingTempPath, but the file is created, empty and readable by its owner only, so that
// plain data written into it is never readable by others, not even for a moment.
std::filesystem::path CreatePrivateTempFile(const std::filesystem::path& near);

// Copies the bytes of `from` into the existing file `to`, which keeps its own permissions (unlike
// std::filesystem::copy_file, which gives it those of `from`); throws on failure.
void CopyFileContents(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes a database file and its rollback journal; errors are ignored (for clean-up paths).
void RemoveDatabaseFileQuietly(const std::filesystem::path& path);

// Removes the temporary files in `folder` (and their SQLite journals) whose process has ended.
// Files of running programs and every other file stay; errors are ignored.
void RemoveStaleTempFiles(const std::filesystem::path& folder);

// From now on, every folder outside `dataFolder` that receives a temporary file (beside an export's
// target in a folder the user chose) is listed in `dataFolder`, so that the next start can find
// what a killed run left there.
void ListTempFoldersIn(const std::filesystem::path& dataFolder);

// Removes the stale temporaries in every folder listed in `dataFolder`, and forgets the folders
// left without temporaries; errors are ignored.
void RemoveStaleTempFilesOfListedFolders(const std::filesystem::path& dataFolder);

}  // namespace tallwick
