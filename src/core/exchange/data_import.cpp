#include "exchange/data_import.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/conflict_report.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/package_header.h"
#include "history/history_rows.h"
#include "store/engine_error.h"
#include "store/field_limits.h"
#include "store/password.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <system_error>
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
        throw UserError(std::string("运行中发生错误：") + ErrorText(error) +
                        "请与软件发行者联系。");
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
        throw UserError(std::string("运行中发生错误：") + ErrorText(error) +
                        "请与软件发行者联系。");
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

std::string ImportFailure(const std::string& cause) {
    return "导入过程中发生错误，没有导入任何数据：" + cause;
}

std::string Refusal(const std::string& finding) {
    return "导入文件中" + finding + "，没有导入任何数据。";
}

std::optional<std::string> FirstRow(SQLite::Database& db, const std::string& sql) {
    SQLite::Statement query(db, sql);
    if (!query.executeStep()) return std::nullopt;
    return query.getColumn(0).getString();
}

// Every record of the file must bring exactly one dt_data1 row: the rows added after the given
// row ids are compared both ways. Duplicate codes were refused by the unique indexes already.
std::optional<std::string> UnpairedRecord(SQLite::Database& working, std::int64_t lastData,
                                          std::int64_t lastData1) {
    const std::string data =
        "SELECT c901 FROM main.dt_data WHERE rowid > " + std::to_string(lastData);
    const std::string data1 =
        "SELECT c901 FROM main.dt_data1 WHERE rowid > " + std::to_string(lastData1);
    if (auto code = FirstRow(working, "SELECT " + CodeTextSql("c901") + " FROM (" + data +
                                          " EXCEPT " + data1 + ") ORDER BY c901 LIMIT 1"))
        return Refusal("编号为" + *code + "的记录在dt_data1表中没有对应的行");
    if (auto code = FirstRow(working, "SELECT " + CodeTextSql("c901") + " FROM (" + data1 +
                                          " EXCEPT " + data + ") ORDER BY c901 LIMIT 1"))
        return Refusal("dt_data1表中编号为" + *code + "的行没有对应的记录");
    return std::nullopt;
}

std::int64_t LastRowId(SQLite::Database& working, const char* table) {
    return working.execAndGet(std::string("SELECT ifnull(max(rowid), 0) FROM main.") + table)
        .getInt64();
}

// The first record of the file, in the file's order, that breaks a limit of the survey or whose
// code the file holds twice. The file's rows are judged as the working tables would store them:
// copied into temporary tables of the same column types. Nothing for a file of another layout,
// which the conflict analysis reports.
std::optional<std::string> FirstBadRecord(SQLite::Database& working, const std::string& source) {
    for (const char* table : {"dt_data", "dt_data1"}) {
        const std::string check = std::string("import_check_") + table;
        std::optional<std::string> finding;
        try {
            working.exec("DROP TABLE IF EXISTS temp." + check);
            working.exec("CREATE TEMP TABLE " + check + " AS SELECT * FROM main." + table +
                         " WHERE 0");
            CopyRows(working, {source, table}, {"temp", check});
            const auto breaches =
                FindBreaches(working, "temp", check, ReadFieldLimits(working, table), 1);
            if (!breaches.empty()) {
                finding = Refusal(breaches.front().Describe());
            } else if (auto code = FirstRow(working, "SELECT " + CodeTextSql("c901") +
                                                         " FROM temp." + check +
                                                         " GROUP BY c901 HAVING count(*) > 1 "
                                                         "ORDER BY min(rowid) LIMIT 1")) {
                finding = Refusal("编号为" + *code + "的记录在" + table + "表中出现了不止一次");
            }
        } catch (const SQLite::Exception&) {
            // Another layout, or no room even for the check: the analysis that follows tells.
        }
        try {
            working.exec("DROP TABLE IF EXISTS temp." + check);
        } catch (const SQLite::Exception&) {
        }
        if (finding) return finding;
    }
    return std::nullopt;
}

// After a failed transfer: stage the file's records whose codes are already present and report
// them. The staging tables hold them until the next analysis.
ImportResult AnalyseConflicts(SQLite::Database& working, const std::string& source,
                              const fs::path& temporaryFolder, const std::string& cause) {
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
    } catch (const SQLite::Exception& error) {
        // Only a file whose table does not fit the staging table is of another layout; the
        // engine's own failures (a full disk) have causes of their own.
        result.message = error.getErrorCode() == -1 ? messages::kImportFileLayout
                                                    : ImportFailure(EngineErrorText(error));
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
    if (collisions.empty() &&
        working.execAndGet("SELECT count(*) FROM dt_data_dt_data1").getInt64() == 0) {
        // Nothing collides: the transfer failed for a reason of its own, which the user needs.
        result.message = ImportFailure(cause);
        return result;
    }
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
    std::error_code notSame;
    if (fs::equivalent(chosen, working.getFilename(), notSame))
        throw UserError(messages::kImportOwnDatabase);
    std::vector<unsigned char> bytes;
    try {
        bytes = ReadWholeFile(chosen);
    } catch (const std::system_error& error) {
        // A file that cannot be read says nothing about its format.
        if (error.code() == std::errc::permission_denied ||
            error.code() == std::errc::operation_not_permitted)
            throw UserError(messages::kFileNotReadable);
        throw UserError(std::string(messages::kFileNotReadable) + "（" + error.code().message() +
                        "）");
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
        throw UserError(std::string("运行中发生错误：") + ErrorText(error) +
                        "请与软件发行者联系。");
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
                            const fs::path& temporaryFolder, const ExchangeProgress& progress,
                            std::string_view historyOperation) {
    const AttachedFile source(working, prepared.ReadableFile(), "import_source");
    try {
        SQLite::Transaction transaction(working);
        const std::int64_t lastData = LastRowId(working, "dt_data");
        const std::int64_t lastData1 = LastRowId(working, "dt_data1");
        Report(progress, 0, 2);
        CopyRows(working, {source.Schema(), "dt_data"}, {"main", "dt_data"});
        Report(progress, 1, 2);
        CopyRows(working, {source.Schema(), "dt_data1"}, {"main", "dt_data1"});
        Report(progress, 2, 2);
        if (auto unpaired = UnpairedRecord(working, lastData, lastData1)) {
            ImportResult refused;
            refused.message = *unpaired;
            return refused;  // the transaction rolls back as it goes
        }
        if (!historyOperation.empty())
            history::AppendWholeRecordRows(
                working, historyOperation,
                "SELECT c901 FROM main.dt_data WHERE rowid > " + std::to_string(lastData));
        transaction.commit();
    } catch (const SQLite::Exception& error) {
        if (auto bad = FirstBadRecord(working, source.Schema())) {
            ImportResult refused;
            refused.message = *bad;
            return refused;
        }
        try {
            return AnalyseConflicts(working, source.Schema(), temporaryFolder,
                                    EngineErrorText(error));
        } catch (const SQLite::Exception&) {
            // The staging tables cannot be written either (a locked or read-only database, a
            // full disk): the transfer's own failure is what the user must see.
            ImportResult failed;
            failed.message = ImportFailure(EngineErrorText(error));
            return failed;
        }
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
