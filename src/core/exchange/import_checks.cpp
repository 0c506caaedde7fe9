#include "exchange/import_checks.h"

#include "common/failure_text.h"
#include "exchange/attached_file.h"
#include "exchange/conflict_report.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/field_limits.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <memory>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

std::vector<CodeCollision> StagedCollisions(SQLite::Database& working) {
    SQLite::Statement query(working, "SELECT c901, c902 FROM dt_data_dt_data ORDER BY c901");
    std::vector<CodeCollision> collisions;
    while (query.executeStep()) {
        collisions.push_back({query.getColumn(0).getDouble(),
                              query.getColumn(1).isNull() ? "" : query.getColumn(1).getString()});
    }
    return collisions;
}

std::string Refusal(const std::string& finding) {
    return "导入文件中" + finding + "，没有导入任何数据。";
}

std::optional<std::string> FirstRow(SQLite::Database& db, const std::string& sql) {
    SQLite::Statement query(db, sql);
    if (!query.executeStep()) return std::nullopt;
    return query.getColumn(0).getString();
}

}  // namespace

std::string ImportFailure(const std::string& cause) {
    return "导入过程中发生错误，没有导入任何数据：" + cause;
}

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

std::vector<double> CollidingCodesOf(SQLite::Database& working, const std::string& source) {
    SQLite::Statement query(working, "SELECT c901 FROM " + QuoteIdentifier(source) +
                                         ".dt_data WHERE c901 IN (SELECT c901 FROM main.dt_data) "
                                         "ORDER BY c901");
    std::vector<double> codes;
    while (query.executeStep()) codes.push_back(query.getColumn(0).getDouble());
    return codes;
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

// Only a file whose table does not fit the staging table is of another layout; the engine's own
// failures (a full disk) concern the working database the staging tables are written into.
static std::string StagingFailure(SQLite::Database& working, const SQLite::Exception& error) {
    return error.getErrorCode() == -1 ? messages::kImportFileLayout
                                      : ImportFailure(FailureText(error, working.getFilename()));
}

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
        result.message = StagingFailure(working, error);
        return result;
    }
    try {
        working.exec("DELETE FROM dt_data_dt_data1");
        CopyRows(working, {source, "dt_data1"}, {"main", "dt_data_dt_data1"});
        working.exec("DELETE FROM dt_data_dt_data1 WHERE c901 NOT IN (SELECT c901 FROM dt_data1)");
        transaction->commit();
    } catch (const SQLite::Exception& error) {
        // A full disk is no sign of duplicates.
        result.message = StagingFailure(working, error);
        return result;
    }
    result.message = messages::kImportDuplicates;
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

}  // namespace tallwick::exchange
