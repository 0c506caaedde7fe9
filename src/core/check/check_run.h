#pragma once

#include "check/check_report.h"
#include "check/check_scope.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>

namespace tallwick::check {

class CompiledRuleSet;
struct RecordValues;

// What the front end wants after each record: go on, hold (asked again until it says otherwise)
// or stop (the run ends without totals; what it did stays).
enum class RunControl { Continue, Pause, Stop };
// Called with (done, total) before the first record and after every record.
using CheckProgress = std::function<RunControl(std::uint64_t done, std::uint64_t total)>;

struct CheckRunResult {
    bool stopped = false;
    std::uint64_t recordsChecked = 0;
    std::uint64_t unitsWithErrors = 0;
    std::uint64_t errorItems = 0;
    bool totalsWritten = false;  // false after a finished run: "恭喜你，所检查的数据没有逻辑错误"
};

inline constexpr const char* kNoLogicErrors = "恭喜你，所检查的数据没有逻辑错误";

// A line for the result file after the errors of a record, such as the answers to look at
// first; nullopt adds none. Asked on the run's thread for each record with errors; the answer
// may come from another thread, and the record's entry is written once it has come.
using UnitNote = std::shared_future<std::optional<std::string>>;
using UnitNotes = std::function<UnitNote(const RecordValues& record)>;

// Checks the records of the scope with the compiled rules, writes the result file and stores
// each record's outcome: RecordState 2 with errors, 1 without (when markClean). State changes
// are committed in batches, so a stopped or failed run keeps what it did.
CheckRunResult CheckDataset(SQLite::Database& db, const CheckScope& scope,
                            const CompiledRuleSet& rules, CheckReport& report,
                            const CheckProgress& progress, bool markClean = true,
                            const UnitNotes& notes = {});

}  // namespace tallwick::check
