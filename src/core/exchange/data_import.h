#pragma once

#include "exchange/exchange_progress.h"
#include "history/history_table.h"

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::exchange {

// The working copy of a masked or protected file is a private temporary file in the program
// folder whose unique name ends in this one.
inline constexpr const char* kWorkingCopyName = "temp.dat";

// A data file that was opened and checked and waits for the user's confirmation. It owns the
// working copy (unmasked and decrypted) when one was needed and removes it when it goes.
class PreparedImport {
  public:
    PreparedImport(std::filesystem::path chosen, std::filesystem::path readable,
                   bool ownsWorkingCopy, std::string label);
    ~PreparedImport();
    PreparedImport(PreparedImport&& other) noexcept;
    PreparedImport& operator=(PreparedImport&&) = delete;
    PreparedImport(const PreparedImport&) = delete;
    PreparedImport& operator=(const PreparedImport&) = delete;

    // The file the user chose; messages name it.
    const std::filesystem::path& ChosenFile() const { return chosen_; }
    // A plain database file with the records: the chosen file or the working copy.
    const std::filesystem::path& ReadableFile() const { return readable_; }
    const std::string& Label() const { return label_; }
    bool HasWorkingCopy() const { return ownsWorkingCopy_; }

    // "确认准备导入标记声明为【<label>】的数据么？"; the default answer is No.
    std::string ConfirmationQuestion() const;

  private:
    std::filesystem::path chosen_;
    std::filesystem::path readable_;
    bool ownsWorkingCopy_ = false;
    std::string label_;
};

// Opens and checks the chosen file: a plain backup is read in place; a masked or protected
// package is unmasked and decrypted into the working copy. Throws UserError with the system's
// message for a missing file, a file that is no data file of ours (or fails authentication),
// a file without dt_data and a working database without dt_data.
// A comparison of two keyings reads the file the same way; its refusals then say so.
enum class FileUse { Import, Comparison };
PreparedImport PrepareImport(SQLite::Database& working, const std::filesystem::path& chosen,
                             const std::filesystem::path& programFolder,
                             FileUse use = FileUse::Import);

struct ImportResult {
    bool imported = false;  // the records are in: the record list must be re-read
    std::uint64_t records = 0;
    std::string message;  // shown to the user either way
    // Written when codes collide; the caller opens it (the import does not wait for it).
    std::optional<std::filesystem::path> conflictReport;
    // Of the file's records: new codes added, colliding ones replaced or left as they were.
    std::uint64_t added = 0;
    std::uint64_t replaced = 0;
    std::uint64_t kept = 0;
};

// Copies every record of the file, both tables, in one transaction, after a safety copy of the
// working database (a refused safety copy throws its UserError: nothing is imported). When the
// transfer fails nothing is imported: the colliding records go to the staging tables and, if
// there are any, into the conflict report in `temporaryFolder`. Either way the import is entered
// into the history. Progress reports the two table steps.
ImportResult TransferImport(SQLite::Database& working, const PreparedImport& prepared,
                            const std::filesystem::path& temporaryFolder,
                            const ExchangeProgress& progress = {});

// The whole import: prepare, ask `confirm` with the question, transfer. Nothing when the user
// declines; the working copy is gone on every path.
std::optional<ImportResult> ImportDataFile(
    SQLite::Database& working, const std::filesystem::path& chosen,
    const std::filesystem::path& programFolder, const std::filesystem::path& temporaryFolder,
    const std::function<bool(const std::string& question)>& confirm,
    const ExchangeProgress& progress = {});

}  // namespace tallwick::exchange
