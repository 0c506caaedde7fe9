// Package export and import of 100,000 generated records, and a backup of the same database.
// Target: export and import each under 5 s.
#include "exchange/backup.h"
#include "exchange/data_import.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "record_generator.h"
#include "store/connection.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

constexpr std::int64_t kRecords = 100'000;

fs::path BenchFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("tallwick-bench-exchange-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// The sending installation, made once per process: every record clean, so the export may run.
const fs::path& SenderFolder() {
    static const fs::path folder = [] {
        fs::path dir = BenchFolder("sender");
        fs::copy_file(TALLWICK_DELIVERED_DB, dir / kDatabaseFileName);
        exchange::BuildPackageTemplate(dir / kDatabaseFileName,
                                       dir / exchange::kPackageTemplateName);
        auto connection = DatabaseConnection::Open(dir);
        bench::GenerateRecords(connection.Db(), kRecords);
        connection.Db().exec("UPDATE dt_data SET RecordState = 1");
        return dir;
    }();
    return folder;
}

fs::path PackageOfAllRecords() {
    static const fs::path package = [] {
        auto connection = DatabaseConnection::Open(SenderFolder());
        const fs::path file = SenderFolder() / "all.dat";
        exchange::ExportPackage(connection.Db(), SenderFolder() / exchange::kPackageTemplateName,
                                file, "基准");
        return file;
    }();
    return package;
}

void BM_ExportPackage(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(SenderFolder());
    const fs::path target = SenderFolder() / "bench.dat";
    for (auto _ : state) {
        const auto result = exchange::ExportPackage(
            connection.Db(), SenderFolder() / exchange::kPackageTemplateName, target, "基准");
        benchmark::DoNotOptimize(result.records);
    }
}
BENCHMARK(BM_ExportPackage)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

// Each import goes into a fresh, empty working database.
void BM_ImportPackage(benchmark::State& state) {
    const fs::path package = PackageOfAllRecords();
    const fs::path receiver = BenchFolder("receiver");
    const fs::path temporary = BenchFolder("reports");
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(TALLWICK_DELIVERED_DB, receiver / kDatabaseFileName,
                      fs::copy_options::overwrite_existing);
        auto connection = DatabaseConnection::Open(receiver);
        state.ResumeTiming();
        const auto result = exchange::ImportDataFile(connection.Db(), package, receiver, temporary,
                                                     [](const std::string&) { return true; });
        if (!result || !result->imported) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportPackage)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void BM_Backup(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(SenderFolder());
    const fs::path target = SenderFolder() / "bench-backup.mdb";
    for (auto _ : state)
        benchmark::DoNotOptimize(exchange::BackupDatabase(connection.Db(), target));
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
