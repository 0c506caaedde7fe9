#include "check/check_run.h"

#include "check/compiled_rules.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <chrono>
#include <deque>
#include <memory>

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
    const auto total = static_cast<std::uint64_t>(
        db.execAndGet(
              "select count(*) from dt_data inner join dt_data1 on dt_data.c901=dt_data1.c901" +
              condition)
            .getInt64());

    report.Begin();
    CheckRunResult result;
    if (Ask(progress, 0, total) == RunControl::Stop) {
        result.stopped = true;
        report.EndInterrupted();
        return result;
    }

    SQLite::Statement rows(db, std::string(kCheckSelectHead) + condition);
    const RecordColumns columns(rows);
    const int stateColumn = rows.getColumnIndex("RecordState");
    const int nameColumn = rows.getColumnIndex("c902");
    SQLite::Statement setState(db, "UPDATE dt_data SET RecordState = ? WHERE c901 = ?");
    auto batch = std::make_unique<SQLite::Transaction>(db);
    std::uint64_t inBatch = 0;
    PendingUnits pending(report);

    try {
        while (rows.executeStep()) {
            const RecordValues values = columns.Read(rows);
            bool clean = true;
            if (notes) {
                std::vector<LogicError> errors;
                clean = rules.CheckRecord(
                    values, [&](const LogicError& error) { errors.push_back(error); });
                if (!clean) {
                    pending.Add(values.c901, rows.getColumn(nameColumn).getString(),
                                std::move(errors), notes(values));
                }
            } else {
                report.BeginUnit(values.c901, rows.getColumn(nameColumn).getString());
                clean = rules.CheckRecord(
                    values, [&](const LogicError& error) { report.WriteString(error); });
                report.EndUnit();
            }
            if (!clean) ++result.unitsWithErrors;

            const int newState = clean ? 1 : 2;
            if ((!clean || markClean) && rows.getColumn(stateColumn).getInt() != newState) {
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
    } catch (...) {
        // The records checked before the failure keep their new states.
        try {
            batch->commit();
        } catch (...) {
        }
        try {
            pending.WriteAll(false);
            report.EndInterrupted();
        } catch (...) {
        }
        throw;
    }
    batch->commit();
    pending.WriteAll(true);
    result.errorItems = report.ErrorItemCount();
    result.totalsWritten = report.Finish(result.unitsWithErrors);
    return result;
}

}  // namespace tallwick::check
