#include "exchange/package_export.h"

#include "check/check_report.h"
#include "cipher/file_envelope.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/file_names.h"
#include "exchange/package_header.h"
#include "exchange/package_stream.h"
#include "store/engine_error.h"
#include "store/field_limits.h"
#include "store/password.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <cstdio>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

constexpr const char* kCleanCodes = "c901 IN (SELECT c901 FROM main.dt_data WHERE RecordState = 1)";

// The package in the clear lives only in the temporary folder and only while it is filled.
class PlainPackage {
  public:
    explicit PlainPackage(const std::vector<unsigned char>& bytes)
        : path_(SiblingTempPath(check::TemporaryFolder() / "tallwick-package.db")) {
        WriteFileAtomically(path_, bytes);
    }
    ~PlainPackage() { RemoveDatabaseFileQuietly(path_); }
    PlainPackage(const PlainPackage&) = delete;
    PlainPackage& operator=(const PlainPackage&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

std::uint64_t FillPackage(SQLite::Database& working, const fs::path& package,
                          const std::string& provider, const ExchangeProgress& progress) {
    const AttachedFile attached(working, package, "package", AttachedFile::Access::Write);
    SQLite::Transaction transaction(working);
    CopyRows(working, {"main", "dt_data"}, {"package", "dt_data"}, "RecordState = 1");
    Report(progress, 1, 3);
    CopyRows(working, {"main", "dt_data1"}, {"package", "dt_data1"}, kCleanCodes);
    Report(progress, 2, 3);
    SQLite::Statement label(working, "UPDATE package.ct_label SET db_name = ?");
    label.bind(1, provider);
    label.exec();
    const auto records = static_cast<std::uint64_t>(
        working.execAndGet("SELECT count(*) FROM package.dt_data").getInt64());
    transaction.commit();
    return records;
}

}  // namespace

void CheckExportGate(SQLite::Database& db) {
    if (db.execAndGet("select count(*) as cnt from dt_data where RecordState<>1").getInt64() > 0)
        throw UserError(messages::kExportBlocked);
}

void CheckExportedLimits(SQLite::Database& working) {
    constexpr std::size_t kNamed = 5;
    std::string named;
    for (const char* table : {"dt_data", "dt_data1"}) {
        const auto breaches =
            FindBreaches(working, "main", table, ReadFieldLimits(working, table), kNamed,
                         std::string(table) == "dt_data" ? "RecordState = 1" : kCleanCodes);
        for (const LimitBreach& breach : breaches)
            named += (named.empty() ? "" : "；") + breach.Describe();
    }
    if (!named.empty())
        throw UserError("下列数据不符合调查表规定的类型或范围，接收方无法导入，没有导出：" + named +
                        "。请改正这些记录后再上报。");
}

std::optional<std::string> ProviderNameProblem(const std::string& name) {
    if (name == messages::kDefaultLabel) return messages::kDefaultLabelRefused;
    if (CharacterCount(name) > kProviderNameMaxCharacters) return messages::kProviderNameTooLong;
    return std::nullopt;
}

std::string SuggestedPackageName(const std::string& provider, const std::tm& today) {
    char date[48];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", today.tm_year + 1900, today.tm_mon + 1,
                  today.tm_mday);
    return provider + "-" + date + "(离线版)";
}

PackageExportResult ExportPackage(SQLite::Database& working, const fs::path& templateFile,
                                  const fs::path& target, const std::string& provider,
                                  const ExchangeProgress& progress) {
    CheckExportGate(working);
    if (const auto problem = ProviderNameProblem(provider)) throw UserError(*problem);
    PackageExportResult result;
    try {
        Report(progress, 0, 3);
        const std::string password = DerivePassword();
        const PlainPackage plain(cipher::Unseal(ReadWholeFile(templateFile), password));
        result.records = FillPackage(working, plain.Path(), provider, progress);
        SealPackage(plain.Path(), target, password);
        Report(progress, 3, 3);
    } catch (const UserError&) {
        throw;
    } catch (const std::exception& error) {
        throw RunTimeError(ErrorText(error));
    }
    result.message = "数据已经被正确导出到：'" + target.string() + "'！";
    return result;
}

}  // namespace tallwick::exchange
