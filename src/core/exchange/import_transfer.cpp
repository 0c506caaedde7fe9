// The transfer of an import, with or without decisions about colliding codes: safety copy,
// one transaction over both record tables, the judgement of a failure, and the history row.
#include "common/failure_text.h"
#include "common/user_error.h"
#include "exchange/attached_file.h"
#include "exchange/conflict_resolution.h"
#include "exchange/data_import.h"
#include "exchange/import_checks.h"
#include "exchange/import_history.h"
#include "exchange/incoming_limit_scan.h"
#include "history/history_rows.h"
#include "history/history_table.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/field_limits.h"
#include "store/limit_scan.h"
#include "store/safety_copy.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace tallwick::exchange {
namespace fs = std::filesystem;

namespace {

// A temporary table of codes for the statements of one import.
void FillCodeTable(SQLite::Database& working, const char* table, const std::vector<double>& codes) {
    working.exec(std::string("CREATE TEMP TABLE IF NOT EXISTS ") + table +
                 " (c901 REAL PRIMARY KEY)");
    working.exec(std::string("DELETE FROM temp.") + table);
    SQLite::Statement insert(working, std::string("INSERT INTO temp.") + table + " VALUES (?)");
    for (const double code : codes) {
        insert.bind(1, code);
        insert.exec();
        insert.reset();
    }
}

void DropCodeTables(SQLite::Database& working) {
    try {
        working.exec("DROP TABLE IF EXISTS temp.import_replaced");
        working.exec("DROP TABLE IF EXISTS temp.import_kept");
    } catch (const SQLite::Exception&) {
    }
}

// What the user learns of a transfer that failed: a bad record of the file, else the codes
// that collide (staged and reported), else the failure itself.
ImportResult JudgeFailure(SQLite::Database& working, const std::string& source,
                          const fs::path& temporaryFolder, const std::string& cause) {
    if (auto bad = FirstBadRecord(working, source)) {
        ImportResult refused;
        refused.message = *bad;
        return refused;
    }
    try {
        return AnalyseConflicts(working, source, temporaryFolder, cause);
    } catch (const SQLite::Exception&) {
        // The staging tables cannot be written either (a locked or read-only database, a
        // full disk): the transfer's own failure is what the user must see.
        ImportResult failed;
        failed.message = ImportFailure(cause);
        return failed;
    }
}

std::string Counts(const ImportResult& result) {
    return "新增" + std::to_string(result.added) + "条记录，替换" +
           std::to_string(result.replaced) + "条记录，保留" + std::to_string(result.kept) +
           "条现有记录。";
}

// Both record tables in one transaction; the colliding codes split by the decisions (none:
// there are no collisions, or they were not settled and the transfer fails on them).
ImportResult Transfer(SQLite::Database& working, const PreparedImport& prepared,
                      const std::string& source, const fs::path& temporaryFolder,
                      const std::vector<double>& replaced, const std::vector<double>& kept,
                      HistoryEntry& history, IncomingLimitScan& incomingLimits,
                      const ExchangeProgress& progress) {
    ImportResult result;
    try {
        SQLite::Transaction transaction(working);
        Report(progress, 0, 2);
        FillCodeTable(working, "import_replaced", replaced);
        FillCodeTable(working, "import_kept", kept);
        if (!replaced.empty()) {
            for (const char* table : {"dt_data", "dt_data1"}) {
                working.exec(std::string("DELETE FROM main.") + table +
                             " WHERE c901 IN (SELECT c901 FROM temp.import_replaced)");
            }
        }
        // Measured after the deletion: the incoming rows are those above it.
        const std::int64_t lastData = LastRowId(working, "dt_data");
        const std::int64_t lastData1 = LastRowId(working, "dt_data1");
        const std::string notKept =
            kept.empty() ? std::string() : "c901 NOT IN (SELECT c901 FROM temp.import_kept)";
        SuspendedInsertGuards guards(working);
        CopyRows(working, {source, "dt_data"}, {"main", "dt_data"}, notKept);
        Report(progress, 1, 2);
        CopyRows(working, {source, "dt_data1"}, {"main", "dt_data1"}, notKept);
        // What the guards would have refused; the judgement names the record.
        if (const auto breach = incomingLimits.FoundBreach()) {
            if (*breach) throw SQLite::Exception(kLimitGuardMessage);
        } else {
            for (const auto& [table, last] :
                 {std::pair{"dt_data", lastData}, {"dt_data1", lastData1}}) {
                if (FirstRowBreakingLimits(working, table, ReadFieldLimits(working, table), last))
                    throw SQLite::Exception(kLimitGuardMessage);
            }
        }
        guards.Restore();
        Report(progress, 2, 2);
        if (auto unpaired = UnpairedRecord(working, lastData, lastData1)) {
            result.message = *unpaired;
            return result;  // the transaction rolls back as it goes
        }
        const auto written = static_cast<std::uint64_t>(
            working
                .execAndGet("SELECT count(*) FROM main.dt_data WHERE rowid > " +
                            std::to_string(lastData))
                .getInt64());
        result.replaced = replaced.size();
        result.added = written - result.replaced;
        result.kept = kept.size();
        // The records' change history: 导入 for each new code, 导入替换 for each replaced one.
        tallwick::history::AppendWholeRecordRows(
            working, tallwick::history::kImport,
            "SELECT c901 FROM main.dt_data WHERE rowid > " + std::to_string(lastData) +
                " AND c901 NOT IN (SELECT c901 FROM temp.import_replaced)");
        if (!replaced.empty()) {
            tallwick::history::AppendWholeRecordRows(working, tallwick::history::kImportReplace,
                                                     "SELECT c901 FROM temp.import_replaced");
        }
        history.added = static_cast<std::int64_t>(result.added);
        history.replaced = static_cast<std::int64_t>(result.replaced);
        history.kept = static_cast<std::int64_t>(result.kept);
        history.succeeded = true;
        history.outcome = kHistorySucceeded;
        AppendHistory(working, history);
        transaction.commit();
    } catch (const SQLite::Exception& error) {
        // Writing is what failed, so the working database is named; whether it is damaged is
        // not for this failure to say (the file read may be).
        return JudgeFailure(working, source, temporaryFolder,
                            FailureText(error, working.getFilename()));
    }
    result.imported = true;
    result.records = result.added + result.replaced + result.kept;
    result.message = "数据已经被正确地从'" + prepared.ChosenFile().string() + "'导入！";
    return result;
}

ImportResult RunImport(SQLite::Database& working, const PreparedImport& prepared,
                       const fs::path& temporaryFolder, const ImportDecisions* decisions,
                       const ExchangeProgress& progress) {
    HistoryEntry history;
    history.time = HistoryTimeNow();
    history.operation = kHistoryImport;
    history.fileName = fs::absolute(prepared.ChosenFile()).string();
    history.label = prepared.Label();

    const AttachedFile source(working, prepared.ReadableFile(), "import_source");
    std::vector<double> colliding;
    try {
        history.records =
            working
                .execAndGet("SELECT count(*) FROM " + QuoteIdentifier(source.Schema()) + ".dt_data")
                .getInt64();
        colliding = CollidingCodesOf(working, source.Schema());
    } catch (const SQLite::Exception&) {
        // A file of another layout: the transfer fails on it and says why.
    }

    ImportResult result;
    if (!decisions && !colliding.empty()) {
        // The transfer would fail on the first colliding code: judge the file as it would be
        // judged then, without a safety copy for a change that cannot happen.
        try {
            result = JudgeFailure(working, source.Schema(), temporaryFolder,
                                  "UNIQUE constraint failed: dt_data.c901");
        } catch (const std::exception& error) {
            // The conflict report could not be written: the import is on record all the same.
            AppendFailureHistory(working, history, error.what());
            throw;
        }
    } else {
        std::vector<double> replaced;
        std::vector<double> kept;
        for (const double code : colliding)
            (decisions && decisions->replace.count(code) ? replaced : kept).push_back(code);
        IncomingLimitScan incomingLimits(working, source.Schema(), prepared.ReadableFile(),
                                         std::set<double>(kept.begin(), kept.end()));
        try {
            MakeSafetyCopy(working, safety_operation::kImport);
        } catch (const UserError& error) {
            AppendFailureHistory(working, history, error.what());
            throw;
        }
        try {
            result = Transfer(working, prepared, source.Schema(), temporaryFolder, replaced, kept,
                              history, incomingLimits, progress);
        } catch (const std::exception& error) {
            // A failure other than the engine's: the transaction is rolled back, the caller
            // learns why.
            DropCodeTables(working);
            AppendFailureHistory(working, history, error.what());
            throw;
        }
        DropCodeTables(working);
        if (decisions && result.imported) result.message += "\n" + Counts(result);
    }
    if (!result.imported && !decisions && !colliding.empty() && result.conflictReport) {
        history.operation = kHistoryConflict;
        AppendFailureHistory(
            working, history,
            "有" + std::to_string(colliding.size()) + "条数据的编号已经存在，等待逐条处理");
    } else if (!result.imported) {
        AppendFailureHistory(working, history, result.message);
    }
    return result;
}

}  // namespace

ImportResult TransferImport(SQLite::Database& working, const PreparedImport& prepared,
                            const fs::path& temporaryFolder, const ExchangeProgress& progress) {
    return RunImport(working, prepared, temporaryFolder, nullptr, progress);
}

ImportResult ImportWithDecisions(SQLite::Database& working, const PreparedImport& prepared,
                                 const ImportDecisions& decisions, const fs::path& temporaryFolder,
                                 const ExchangeProgress& progress) {
    return RunImport(working, prepared, temporaryFolder, &decisions, progress);
}

}  // namespace tallwick::exchange
