// Error localisation on generated records as people type them (unasked answers empty, about one
// in ten with wrong values, and the hard shapes: forms barely begun, gross typos, many wrong
// values at once): one record at a time over the first 10,000 records with errors (median, p99
// and worst CPU time as counters, and on every 25th record the cost of the repair held against
// the independent model over every answer), and a check run over 100,000 records with and without
// the suggestions, in the same run.
#include "check/check_run.h"
#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "locate/error_localiser.h"
#include "locate/locate_worker.h"
#include "record_generator.h"
#include "store/connection.h"

#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

constexpr std::int64_t kRecords = 100'000;
constexpr std::size_t kLocalised = 10'000;
// Enough generated records that 10,000 of them are checked and have errors.
constexpr std::int64_t kRecordsForTenThousandErrors = 115'000;
// Every n-th record is also repaired by the independent model, which is slow on hard records.
constexpr std::size_t kReferenceEvery = 25;

const fs::path& Folder(std::int64_t records = kRecords) {
    return bench::GeneratedFolderOnce("locate", records);
}

// The checked records that break some rule, in stored order.
std::vector<check::RecordValues> RecordsWithErrors(SQLite::Database& db) {
    SQLite::Statement rows(db, std::string(check::kCheckSelectHead) + " where c907<=2");
    const check::RecordColumns columns(rows);
    const check::CompiledRuleSet rules{check::FieldHints()};
    std::vector<check::RecordValues> records;
    while (rows.executeStep()) {
        check::RecordValues values = columns.Read(rows);
        if (!rules.FailingRules(values).empty()) records.push_back(values);
    }
    return records;
}

// The time this thread has run: on a shared machine, wall time also counts other programs' turns.
double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void BM_LocateOneRecord(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder(kRecordsForTenThousandErrors));
    std::vector<check::RecordValues> records = RecordsWithErrors(connection.Db());
    if (records.size() > kLocalised) records.resize(kLocalised);
    const locate::ErrorLocaliser localiser(locate::LocateCatalogue::Read(connection.Db()),
                                           locate::LocateRules::Delivered());
    std::vector<double> all, suggested, cpu, suggestedCpu;
    std::size_t noRepair = 0, notFound = 0, compared = 0, larger = 0, smaller = 0, unknown = 0;
    std::size_t changes = 0, mostChanges = 0;
    for (auto _ : state) {
        all.clear();
        suggested.clear();
        cpu.clear();
        suggestedCpu.clear();
        noRepair = notFound = compared = larger = smaller = unknown = changes = mostChanges = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const check::RecordValues& record = records[i];
            const auto start = std::chrono::steady_clock::now();
            const double startCpu = ThreadMilliseconds();
            const locate::Localisation found = localiser.Locate(record);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            const double cpuMs = ThreadMilliseconds() - startCpu;
            all.push_back(ms);
            cpu.push_back(cpuMs);
            if (found.outcome == locate::Localisation::Outcome::Suggested) {
                suggested.push_back(ms);
                suggestedCpu.push_back(cpuMs);
                changes += found.changes.size();
                mostChanges = std::max(mostChanges, found.changes.size());
            }
            if (i % kReferenceEvery == 0) {
                state.PauseTiming();
                const std::optional<double> least = localiser.SmallestRepairCost(record);
                if (!least) {
                    ++unknown;
                } else {
                    ++compared;
                    const double cost = found.outcome == locate::Localisation::Outcome::Suggested
                                            ? static_cast<double>(found.changes.size())
                                            : -1;
                    if (cost > *least) ++larger;
                    if (cost >= 0 && cost < *least) ++smaller;
                }
                state.ResumeTiming();
            }
            if (found.outcome == locate::Localisation::Outcome::NoRepair) ++noRepair;
            if (found.outcome == locate::Localisation::Outcome::NotFound) ++notFound;
        }
    }
    state.counters["records"] = static_cast<double>(records.size());
    state.counters["median_ms"] = Percentile(all, 0.5);
    state.counters["worst_ms"] = Percentile(all, 1.0);
    state.counters["suggested"] = static_cast<double>(suggested.size());
    state.counters["sugg_median_ms"] = Percentile(suggested, 0.5);
    state.counters["sugg_p99_ms"] = Percentile(suggested, 0.99);
    state.counters["sugg_worst_ms"] = Percentile(suggested, 1.0);
    state.counters["cpu_median_ms"] = Percentile(cpu, 0.5);
    state.counters["cpu_worst_ms"] = Percentile(cpu, 1.0);
    state.counters["sugg_cpu_median_ms"] = Percentile(suggestedCpu, 0.5);
    state.counters["sugg_cpu_p99_ms"] = Percentile(suggestedCpu, 0.99);
    state.counters["sugg_cpu_worst_ms"] = Percentile(suggestedCpu, 1.0);
    state.counters["cpu_p99_ms"] = Percentile(cpu, 0.99);
    state.counters["no_repair"] = static_cast<double>(noRepair);
    state.counters["not_found"] = static_cast<double>(notFound);
    state.counters["changes_mean"] =
        suggested.empty() ? 0
                          : static_cast<double>(changes) / static_cast<double>(suggested.size());
    state.counters["changes_most"] = static_cast<double>(mostChanges);
    // Held against the independent model: more changes than it needs, fewer (it erred), and
    // records it could not solve within its budget.
    state.counters["ref_compared"] = static_cast<double>(compared);
    state.counters["ref_more_changes"] = static_cast<double>(larger);
    state.counters["ref_fewer_changes"] = static_cast<double>(smaller);
    state.counters["ref_unsolved"] = static_cast<double>(unknown);
}

// Baseline: the compiled rules alone on the same records.
void BM_CheckOneRecord(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder(kRecordsForTenThousandErrors));
    std::vector<check::RecordValues> records = RecordsWithErrors(connection.Db());
    if (records.size() > kLocalised) records.resize(kLocalised);
    const check::CompiledRuleSet rules{check::FieldHints()};
    for (auto _ : state) {
        std::size_t failing = 0;
        for (const auto& record : records) failing += rules.FailingRules(record).size();
        benchmark::DoNotOptimize(failing);
    }
    state.counters["records"] = static_cast<double>(records.size());
}

// state.range(0): 0 without localisation, else the number of localising threads.
void BM_CheckRun(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder());
    const check::FieldHints hints = check::FieldHints::Load(connection.Db());
    const check::CompiledRuleSet rules(hints);
    check::CheckReport report(check::CheckReportPath(fs::temp_directory_path(), "bench-locate"));
    for (auto _ : state) {
        state.PauseTiming();
        connection.Db().exec("UPDATE dt_data SET RecordState = c901 % 3");
        state.ResumeTiming();
        std::optional<locate::LocateWorker> localiser;
        if (state.range(0) > 0) {
            localiser.emplace(locate::ErrorLocaliser(locate::LocateCatalogue::Read(connection.Db()),
                                                     locate::LocateRules::Delivered()),
                              hints, static_cast<unsigned>(state.range(0)));
        }
        benchmark::DoNotOptimize(
            check::CheckDataset(connection.Db(), check::CheckScope::All(), rules, report, {}, true,
                                localiser ? localiser->Notes() : check::UnitNotes{}));
    }
}

BENCHMARK(BM_CheckOneRecord)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LocateOneRecord)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CheckRun)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
