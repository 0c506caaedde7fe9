#include "exchange/data_import.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/conflict_report.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/package_header.h"
#include "store/password.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <utility>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

constexpr unsigned char kSqliteSignature[] = "SQLite format 3";  // 16 bytes with its 0

bool IsPlainDatabase(const std::vector<unsigned char>& bytes) {
    return bytes.size() >= sizeof kSqliteSignature &&
           std::equal(std::begin(kSqliteSignature), std::end(kSqliteSignature), bytes.begin());
}

void RemoveQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
    fs::remove(fs::path(path.string() + "-journal"), ignored);
}

// The file's bytes as a plain database: unmasked, and decrypted when sealed. Nothing when they
// are not a data file of ours.
std::optional<std::vector<unsigned char>> PlainContent(std::vector<unsigned char> bytes) {
    UnmaskHeader(bytes);
    if (cipher::IsSealed(bytes)) {
        try {
            bytes = cipher::Unseal(bytes, DerivePassword());
        } catch (const cipher::EnvelopeError&) {
            return std::nullopt;
        }
    }
    if (!IsPlainDatabase(bytes)) return std::nullopt;
    return bytes;
}

std::string ReadLabel(SQLite::Database& file) {
    try {
        SQLite::Statement query(file, "SELECT db_name FROM ct_label");
        if (!query.executeStep() || query.getColumn(0).isNull()) return {};
        return query.getColumn(0).getString();
    } catch (const SQLite::Exception& error) {
        throw UserError(std::string("运行中发生错误：") + error.what() + "请与软件发行者联系。");
    }
}

// Opens the plain file on a connection of its own, checks both databases and reads the label.
std::string CheckAndReadLabel(SQLite::Database& working, const fs::path& readable) {
    std::unique_ptr<SQLite::Database> file;
    try {
        file = std::make_unique<SQLite::Database>(readable.string(), SQLite::OPEN_READONLY);
        file->execAndGet("SELECT count(*) FROM sqlite_master");
    } catch (const SQLite::Exception&) {
        throw UserError(messages::kFileFormat);
    }
    try {
        if (!HasTable(*file, "main", "dt_data")) throw UserError(messages::kFileLacksData);
        if (!HasTable(working, "main", "dt_data")) throw UserError(messages::kSystemLacksData);
    } catch (const SQLite::Exception& error) {
        throw UserError(std::string("运行中发生错误：") + error.what() + "请与软件发行者联系。");
    }
    return ReadLabel(*file);
}

std::vector<CodeCollision> StagedCollisions(SQLite::Database& working) {
    SQLite::Statement query(working, "SELECT c901, c902 FROM dt_data_dt_data ORDER BY c901");
    std::vector<CodeCollision> collisions;
    while (query.executeStep()) {
        collisions.push_back({query.getColumn(0).getDouble(),
                              query.getColumn(1).isNull() ? "" : query.getColumn(1).getString()});
    }
    return collisions;
}

// After a failed transfer: stage the file's records whose codes are already present and report
// them. The staging tables hold them until the next analysis.
ImportResult AnalyseConflicts(SQLite::Database& working, const std::string& source,
                              const fs::path& temporaryFolder) {
    ImportResult result;
    std::unique_ptr<SQLite::Transaction> transaction;
    try {
        transaction = std::make_unique<SQLite::Transaction>(working);
    } catch (const SQLite::Exception&) {
        result.message = messages::kImportAnalysisUnavailable;
        return result;
    }
    working.exec("DELETE FROM dt_data_dt_data");
    try {
        CopyRows(working, {source, "dt_data"}, {"main", "dt_data_dt_data"});
        working.exec("DELETE FROM dt_data_dt_data WHERE c901 NOT IN (SELECT c901 FROM dt_data)");
    } catch (const SQLite::Exception&) {
        result.message = messages::kImportFileLayout;
        return result;
    }
    result.message = messages::kImportDuplicates;
    try {
        working.exec("DELETE FROM dt_data_dt_data1");
        CopyRows(working, {source, "dt_data1"}, {"main", "dt_data_dt_data1"});
        working.exec("DELETE FROM dt_data_dt_data1 WHERE c901 NOT IN (SELECT c901 FROM dt_data1)");
        transaction->commit();
    } catch (const SQLite::Exception&) {
        return result;
    }
    const auto collisions = StagedCollisions(working);
    if (!collisions.empty()) {
        result.conflictReport = ConflictReportPath(temporaryFolder);
        try {
            WriteConflictReport(*result.conflictReport, collisions);
        } catch (const std::exception& error) {
            throw RunTimeError(error.what());
        }
    }
    return result;
}

}  // namespace

PreparedImport::PreparedImport(fs::path chosen, fs::path readable, bool ownsWorkingCopy,
                               std::string label)
    : chosen_(std::move(chosen)),
      readable_(std::move(readable)),
      ownsWorkingCopy_(ownsWorkingCopy),
      label_(std::move(label)) {}

PreparedImport::PreparedImport(PreparedImport&& other) noexcept
    : chosen_(std::move(other.chosen_)),
      readable_(std::move(other.readable_)),
      ownsWorkingCopy_(std::exchange(other.ownsWorkingCopy_, false)),
      label_(std::move(other.label_)) {}

PreparedImport::~PreparedImport() {
    if (ownsWorkingCopy_) RemoveQuietly(readable_);
}

std::string PreparedImport::ConfirmationQuestion() const {
    return "确认准备导入标记声明为【" + label_ + "】的数据么？";
}

PreparedImport PrepareImport(SQLite::Database& working, const fs::path& chosen,
                             const fs::path& programFolder) {
    if (!fs::is_regular_file(chosen)) throw UserError(messages::kFileMissing);
    std::vector<unsigned char> bytes;
    try {
        bytes = ReadWholeFile(chosen);
    } catch (const std::exception&) {
        throw UserError(messages::kFileFormat);
    }
    if (IsPlainDatabase(bytes)) {
        std::string label = CheckAndReadLabel(working, chosen);
        return PreparedImport(chosen, chosen, false, std::move(label));
    }
    auto plain = PlainContent(std::move(bytes));
    if (!plain) throw UserError(messages::kFileFormat);
    // A name of its own, so that neither a second import nor a chosen file of the same name is
    // ever overwritten or removed.
    fs::path copy;
    try {
        copy = SiblingTempPath(programFolder / kWorkingCopyName);
        WriteFileAtomically(copy, *plain);
    } catch (const std::exception& error) {
        throw UserError(std::string("运行中发生错误：") + error.what() + "请与软件发行者联系。");
    }
    std::string label;
    try {
        label = CheckAndReadLabel(working, copy);
    } catch (...) {
        RemoveQuietly(copy);
        throw;
    }
    return PreparedImport(chosen, copy, true, std::move(label));
}

ImportResult TransferImport(SQLite::Database& working, const PreparedImport& prepared,
                            const fs::path& temporaryFolder, const ExchangeProgress& progress) {
    const AttachedFile source(working, prepared.ReadableFile(), "import_source");
    try {
        SQLite::Transaction transaction(working);
        Report(progress, 0, 2);
        CopyRows(working, {source.Schema(), "dt_data"}, {"main", "dt_data"});
        Report(progress, 1, 2);
        CopyRows(working, {source.Schema(), "dt_data1"}, {"main", "dt_data1"});
        Report(progress, 2, 2);
        transaction.commit();
    } catch (const SQLite::Exception&) {
        return AnalyseConflicts(working, source.Schema(), temporaryFolder);
    }
    ImportResult result;
    result.imported = true;
    result.records = static_cast<std::uint64_t>(
        working.execAndGet("SELECT count(*) FROM " + QuoteIdentifier(source.Schema()) + ".dt_data")
            .getInt64());
    result.message = "数据已经被正确地从'" + prepared.ChosenFile().string() + "'导入！";
    return result;
}

std::optional<ImportResult> ImportDataFile(SQLite::Database& working, const fs::path& chosen,
                                           const fs::path& programFolder,
                                           const fs::path& temporaryFolder,
                                           const std::function<bool(const std::string&)>& confirm,
                                           const ExchangeProgress& progress) {
    const PreparedImport prepared = PrepareImport(working, chosen, programFolder);
    if (!confirm(prepared.ConfirmationQuestion())) return std::nullopt;
    return TransferImport(working, prepared, temporaryFolder, progress);
}

}  // namespace tallwick::exchange
