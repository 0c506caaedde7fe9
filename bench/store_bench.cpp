// Opening the working database and counting its records, on generated records: 100,000, or as
// many as $TALLWICK_BENCH_RECORDS says.
#include "bench_measure.h"
#include "record_generator.h"
#include "store/connection.h"
#include "store/file_soundness.h"
#include "store/record_counts.h"
#include "store/whole_file_check.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

namespace {
namespace fs = std::filesystem;

// One prepared folder per process: building the records takes longer than what we measure.
const fs::path& LargeDatabaseFolder() {
    return tallwick::bench::GeneratedFolderOnce("store",
                                                tallwick::bench::RecordCountFromEnvironment());
}

// Opening costs the same whatever the file holds: the delivered, empty database is its baseline.
void BM_OpenDatabase(benchmark::State& state, bool empty) {
    const fs::path& folder =
        empty ? tallwick::bench::GeneratedFolderOnce("store", 0) : LargeDatabaseFolder();
    for (auto _ : state) {
        auto connection = tallwick::DatabaseConnection::Open(folder);
        benchmark::DoNotOptimize(connection.ReadDatabaseLabel());
    }
}
BENCHMARK_CAPTURE(BM_OpenDatabase, empty, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenDatabase, records, false)->Unit(benchmark::kMillisecond);

// What every opening used to add: the check that reads every page, now run in the background,
// on copies and on files to import or restore.
void BM_WholeFileCheck(benchmark::State& state) {
    auto connection = tallwick::DatabaseConnection::Open(LargeDatabaseFolder());
    for (auto _ : state) benchmark::DoNotOptimize(tallwick::WholeFileFinding(connection.Db()));
}
BENCHMARK(BM_WholeFileCheck)->Unit(benchmark::kMillisecond);

// A save on the working connection while the background check reads the file, beside the same
// save with no check running: the check gives way instead of holding the save for its length.
void BM_SaveBesideWholeFileCheck(benchmark::State& state, bool checking, bool givingWay) {
    auto connection = tallwick::DatabaseConnection::Open(LargeDatabaseFolder());
    SQLite::Database& db = connection.Db();
    if (!givingWay) sqlite3_busy_timeout(db.getHandle(), 5000);  // plain waiting, as before
    const double code = db.execAndGet("SELECT max(c901) FROM dt_data").getDouble();
    int refused = 0;
    for (auto _ : state) {
        std::unique_ptr<tallwick::WholeFileCheck> check;
        std::thread reader;
        if (checking) {
            check = std::make_unique<tallwick::WholeFileCheck>(connection.CurrentDatabasePath());
            reader = std::thread([&check] { check->Run(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(30));  // well into its reading
        }
        const auto start = std::chrono::steady_clock::now();
        SQLite::Statement save(db, "UPDATE dt_data SET c902 = c902 WHERE c901 = ?");
        save.bind(1, code);
        try {
            save.exec();
        } catch (const SQLite::Exception&) {
            ++refused;  // "database is locked": the check outlasted the save's patience
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (check) check->Stop();
        if (reader.joinable()) reader.join();
    }
    state.counters["refused"] = refused;
}
BENCHMARK_CAPTURE(BM_SaveBesideWholeFileCheck, alone, false, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveBesideWholeFileCheck, during_check, true, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveBesideWholeFileCheck, during_check_waiting, true, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_CountRecords(benchmark::State& state) {
    auto connection = tallwick::DatabaseConnection::Open(LargeDatabaseFolder());
    for (auto _ : state) benchmark::DoNotOptimize(tallwick::CountRecords(connection.Db()));
}
BENCHMARK(BM_CountRecords)->Unit(benchmark::kMillisecond);

// Baseline for the count: the same full scan without the RecordState index.
void BM_CountRecordsFullScan(benchmark::State& state) {
    auto connection = tallwick::DatabaseConnection::Open(LargeDatabaseFolder());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            connection.Db()
                .execAndGet("SELECT count(*) FROM dt_data NOT INDEXED WHERE c907 >= 0")
                .getInt64());
    }
}
BENCHMARK(BM_CountRecordsFullScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
