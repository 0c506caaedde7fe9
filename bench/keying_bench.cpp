// Two keyings of 100,000 records compared, the second with 1,000 answers keyed differently.
// Goal: the comparison within 1.5 times the floor of reading both sets of rows (every column
// of both record tables in both files). Also the whole comparison of the chosen file, its
// integrity check included.
#include "record_generator.h"
#include "store/connection.h"
#include "verify/keying_comparison.h"

#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

constexpr std::int64_t kRecords = 100'000;
constexpr std::size_t kDiffering = 1'000;

const fs::path& Here() {
    return bench::GeneratedFolderOnce("keying-here", kRecords);
}

// The same records keyed again, one answer in every hundredth record keyed differently.
const fs::path& There() {
    static const fs::path file = [] {
        const fs::path folder = fs::temp_directory_path() / "tallwick-bench-keying-there";
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(Here() / kDatabaseFileName, folder / kDatabaseFileName);
        auto connection = DatabaseConnection::Open(folder);
        connection.Db().exec("UPDATE dt_data SET z001 = ifnull(z001, 0) + 1 WHERE rowid % 100 = 0");
        return folder / kDatabaseFileName;
    }();
    return file;
}

std::int64_t ReadAll(SQLite::Database& db, const std::string& table) {
    SQLite::Statement query(db, "SELECT * FROM " + table);
    std::int64_t seen = 0;
    const int columns = query.getColumnCount();
    while (query.executeStep()) {
        for (int i = 0; i < columns; ++i) seen += query.getColumn(i).getType();
    }
    return seen;
}

// The floor: every row and column of both record tables of both files, nothing compared.
void BM_ReadBothSetsOfRows(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Here());
    SQLite::Database& db = connection.Db();
    const std::string other = There().string();
    db.exec("ATTACH DATABASE '" + other + "' AS other");
    for (auto _ : state) {
        std::int64_t seen = 0;
        for (const char* table :
             {"main.dt_data", "main.dt_data1", "other.dt_data", "other.dt_data1"})
            seen += ReadAll(db, table);
        benchmark::DoNotOptimize(seen);
    }
    db.exec("DETACH DATABASE other");
}

void BM_CompareKeyings(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Here());
    for (auto _ : state) {
        const auto result = verify::CompareWithPlainFile(connection.Db(), There());
        if (result.differences.size() != kDiffering || result.recordsCompared != kRecords)
            state.SkipWithError("wrong differences");
    }
}

// What the command runs: the file checked as an import checks it, then compared.
void BM_CompareChosenFile(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Here());
    for (auto _ : state) {
        const auto result = verify::CompareKeyings(connection.Db(), There(), Here());
        if (result.differences.size() != kDiffering) state.SkipWithError("wrong differences");
    }
}

double Worst(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

}  // namespace

BENCHMARK(BM_ReadBothSetsOfRows)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ComputeStatistics("worst", Worst)
    ->ReportAggregatesOnly();
BENCHMARK(BM_CompareKeyings)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ComputeStatistics("worst", Worst)
    ->ReportAggregatesOnly();
BENCHMARK(BM_CompareChosenFile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("worst", Worst)
    ->ReportAggregatesOnly();
BENCHMARK_MAIN();
