// Opening the working database and counting its records, on 100,000 generated records.
#include "record_generator.h"
#include "store/connection.h"
#include "store/record_counts.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {
namespace fs = std::filesystem;

// One prepared folder per process: building 100,000 records takes longer than what we measure.
const fs::path& LargeDatabaseFolder() {
    static const fs::path folder = tallwick::bench::MakeGeneratedFolder("store", 100'000);
    return folder;
}

void BM_OpenDatabase(benchmark::State& state) {
    const fs::path& folder = LargeDatabaseFolder();
    for (auto _ : state) {
        auto connection = tallwick::DatabaseConnection::Open(folder);
        benchmark::DoNotOptimize(connection.ReadDatabaseLabel());
    }
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMillisecond);

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
