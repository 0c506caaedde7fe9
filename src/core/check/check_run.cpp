#include "check/check_run.h"

#include "check/answer_bounds.h"
#include "check/compiled_rules.h"
#include "check/row_snapshot.h"
#include "store/raw_statement.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <chrono>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace tallwick::check {
namespace {

// Enough records per commit that committing costs little, few enough that a stop loses nothing
// the user would notice.
constexpr std::uint64_t kCommitEvery = 2000;

// The records with errors whose notes are still being made, written in the order checked.
class PendingUnits {
  public:
    explicit PendingUnits(CheckReport& report) : report_(report) {}

    void Add(double code, std::string name, std::vector<LogicError> errors, UnitNote note) {
        units_.push_back({code, std::move(name), std::move(errors), std::move(note)});
        // A bounded queue: the run waits for the notes rather than holding every record.
        while (!units_.empty() && (Ready(units_.front()) || units_.size() > kMostPending)) {
            WriteFront(true);
        }
    }

    // waitForNotes false: a stopped run writes what it found without the notes not yet made.
    void WriteAll(bool waitForNotes) {
        while (!units_.empty()) WriteFront(waitForNotes);
    }

  private:
    static constexpr std::size_t kMostPending = 256;

    struct Unit {
        double code;
        std::string name;
        std::vector<LogicError> errors;
        UnitNote note;
    };

    static bool Ready(const Unit& unit) {
        return unit.note.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }

    void WriteFront(bool waitForNote) {
        const Unit unit = std::move(units_.front());
        units_.pop_front();
        report_.BeginUnit(unit.code, unit.name);
        for (const LogicError& error : unit.errors) report_.WriteString(error);
        if (unit.note.valid() && (waitForNote || Ready(unit))) {
            if (const std::optional<std::string> line = unit.note.get()) report_.WriteNote(*line);
        }
        report_.EndUnit();
    }

    CheckReport& report_;
    std::deque<Unit> units_;
};

void RestoreStates(SQLite::Database& db, const std::vector<std::pair<double, int>>& changed) {
    if (changed.empty()) return;
    SQLite::Transaction transaction(db);
    SQLite::Statement setState(db, "UPDATE dt_data SET RecordState = ? WHERE c901 = ?");
    for (const auto& [code, state] : changed) {
        setState.bind(1, state);
        setState.bind(2, code);
        setState.exec();
        setState.reset();
    }
    transaction.commit();
}

RunControl Ask(const CheckProgress& progress, std::uint64_t done, std::uint64_t total) {
    if (!progress) return RunControl::Continue;
    RunControl answer = progress(done, total);
    while (answer == RunControl::Pause) answer = progress(done, total);
    return answer;
}

}  // namespace

CheckRunResult CheckDataset(SQLite::Database& db, const CheckScope& scope,
                            const CompiledRuleSet& rules, CheckReport& report,
                            const CheckProgress& progress, bool markClean, const UnitNotes& notes) {
    const std::string condition = CheckCondition(scope);
    // Counting reads every record once more (0.4 s of a million): only for progress shown.
    const auto total =
        progress ? static_cast<std::uint64_t>(
                       db.execAndGet("select count(*) from dt_data inner join dt_data1 on "
                                     "dt_data.c901=dt_data1.c901" +
                                     condition)
                           .getInt64())
                 : 0;

    report.Begin();
    CheckRunResult result;
    if (Ask(progress, 0, total) == RunControl::Stop) {
        result.stopped = true;
        report.EndInterrupted();
        return result;
    }

    const std::string select = std::string(kCheckSelectHead) + condition;
    // Its columns are found by name on the wrapper's statement; the rows are stepped through the
    // C interface, each value read once into `row`.
    const SQLite::Statement described(db, select);
    const RecordColumns columns(described);
    const AnswerBounds limits(db, described);
    const int stateColumn = described.getColumnIndex("RecordState");
    const int nameColumn = described.getColumnIndex("c902");
    RawStatement rows(db, select);
    RowSnapshot row;
    const auto name = [&] {
        const auto* text =
            reinterpret_cast<const char*>(sqlite3_column_text(rows.Handle(), nameColumn));
        return text ? std::string(text) : std::string();
    };
    SQLite::Statement setState(db, "UPDATE dt_data SET RecordState = ? WHERE c901 = ?");
    auto batch = std::make_unique<SQLite::Transaction>(db);
    std::uint64_t inBatch = 0;
    PendingUnits pending(report);
    // Every state the run changed, with the one before: a failed run puts them back.
    std::vector<std::pair<double, int>> changed;

    try {
        while (rows.Step()) {
            row.Load(rows.Handle());
            const RecordValues values = columns.Read(row);
            bool clean = true;
            if (notes) {
                std::vector<LogicError> errors;
                clean = rules.CheckRecord(
                    values, [&](const LogicError& error) { errors.push_back(error); });
                for (LogicError& error : limits.Check(row)) {
                    errors.push_back(std::move(error));
                    clean = false;
                }
                if (!clean) {
                    pending.Add(values.c901, name(), std::move(errors), notes(values));
                }
            } else {
                report.BeginUnit(values.c901, name());
                clean = rules.CheckRecord(
                    values, [&](const LogicError& error) { report.WriteString(error); });
                for (const LogicError& error : limits.Check(row)) {
                    report.WriteString(error);
                    clean = false;
                }
                report.EndUnit();
            }
            if (!clean) ++result.unitsWithErrors;

            const int newState = clean ? 1 : 2;
            const auto oldState = static_cast<int>(row.At(stateColumn).integer);
            if ((!clean || markClean) && oldState != newState) {
                changed.emplace_back(values.c901, oldState);
                setState.bind(1, newState);
                setState.bind(2, values.c901);
                setState.exec();
                setState.reset();
            }
            ++result.recordsChecked;
            if (++inBatch == kCommitEvery) {
                batch->commit();
                batch = std::make_unique<SQLite::Transaction>(db);
                inBatch = 0;
            }
            if (Ask(progress, result.recordsChecked, total) == RunControl::Stop) {
                batch->commit();
                pending.WriteAll(false);
                result.stopped = true;
                result.errorItems = report.ErrorItemCount();
                report.EndInterrupted();
                return result;
            }
        }
        batch->commit();
        batch.reset();
        pending.WriteAll(true);
        result.errorItems = report.ErrorItemCount();
        result.totalsWritten = report.Finish(result.unitsWithErrors);
    } catch (...) {
        // A run that failed (its result file could not be written, the disk is full) has no
        // result to show for its states: every record gets back the state it had.
        batch.reset();
        rows.Reset();
        try {
            RestoreStates(db, changed);
        } catch (...) {
        }
        try {
            pending.WriteAll(false);
            report.EndInterrupted();
        } catch (...) {
        }
        throw;
    }
    return result;
}

}  // namespace tallwick::check
