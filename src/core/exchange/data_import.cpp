#include "exchange/data_import.h"

#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/conflict_report.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/package_header.h"
#include "exchange/package_stream.h"
#include "history/history_rows.h"
#include "store/engine_error.h"
#include "store/field_limits.h"
#include "store/file_soundness.h"
#include "store/password.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

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
std::string CheckAndReadLabel(SQLite::Database& working, const fs::path& readable, FileUse use) {
    std::unique_ptr<SQLite::Database> file;
    try {
        file = std::make_unique<SQLite::Database>(readable.string(), SQLite::OPEN_READONLY);
        file->execAndGet("SELECT count(*) FROM sqlite_master");
    } catch (const SQLite::Exception&) {
        throw UserError(messages::kFileFormat);
    }
    // Rows read from damaged pages would enter the working database as they are.
    if (const std::string finding = WholeFileFinding(*file); finding != "ok")
        throw UserError("所选文件已经损坏（完整性检查没有通过：" + finding + "），" +
                        (use == FileUse::Import ? "不能导入。" : "不能比对。"));
    try {
        if (!HasTable(*file, "main", "dt_data")) throw UserError(messages::kFileLacksData);
        if (!HasTable(working, "main", "dt_data")) throw UserError(messages::kSystemLacksData);
    } catch (const SQLite::Exception& error) {
        throw UserError(std::string("运行中发生错误：") + ErrorText(error) +
                        "请与软件发行者联系。");
    }
    return ReadLabel(*file);
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
    if (ownsWorkingCopy_) RemoveDatabaseFileQuietly(readable_);
}

std::string PreparedImport::ConfirmationQuestion() const {
    return "确认准备导入标记声明为【" + label_ + "】的数据么？";
}

PreparedImport PrepareImport(SQLite::Database& working, const fs::path& chosen,
                             const fs::path& programFolder, FileUse use) {
    if (!fs::is_regular_file(chosen)) throw UserError(messages::kFileMissing);
    std::error_code notSame;
    if (fs::equivalent(chosen, working.getFilename(), notSame))
        throw UserError(use == FileUse::Import ? messages::kImportOwnDatabase
                                               : messages::kCompareOwnDatabase);
    std::vector<unsigned char> head;
    try {
        head = ReadHead(chosen);
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
    if (IsPlainDatabase(head)) {
        std::string label = CheckAndReadLabel(working, chosen, use);
        return PreparedImport(chosen, chosen, false, std::move(label));
    }
    UnmaskHeader(head);
    if (!OpensAsPackage(head)) throw UserError(messages::kFileFormat);
    // A private file of its own from the first moment, so that neither a second import nor a
    // chosen file of the same name is ever overwritten or removed, and a killed run leaves one
    // file that the next start knows as its leftover.
    fs::path copy;
    try {
        copy = CreatePrivateTempFile(programFolder / kWorkingCopyName);
        OpenPackageInto(chosen, head, copy, DerivePassword());
    } catch (const cipher::EnvelopeError&) {
        RemoveDatabaseFileQuietly(copy);
        throw UserError(messages::kFileFormat);
    } catch (const std::exception& error) {
        if (!copy.empty()) RemoveDatabaseFileQuietly(copy);
        throw UserError(std::string("运行中发生错误：") + ErrorText(error) +
                        "请与软件发行者联系。");
    }
    std::string label;
    try {
        label = CheckAndReadLabel(working, copy, use);
    } catch (...) {
        RemoveDatabaseFileQuietly(copy);
        throw;
    }
    return PreparedImport(chosen, copy, true, std::move(label));
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
