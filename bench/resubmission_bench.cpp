// Re-submitted data: a package of 100,000 records of which 50,000 replace existing ones, imported
// into a database of 100,000 records, safety copy included; and the safety copy itself.
// Targets: the import under 3 s, the safety copy of 100,000 records under 0.5 s. Baselines in the
// same run: the plain import of the same package into an empty database, the existing backup
// (online backup in steps, with progress), and VACUUM INTO as the other way of copying.
#include "exchange/backup.h"
#include "exchange/conflict_resolution.h"
#include "exchange/data_import.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "record_generator.h"
#include "store/connection.h"
#include "store/safety_copy.h"

#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

constexpr std::int64_t kRecords = 100'000;
constexpr std::int64_t kReplaced = 50'000;
constexpr double kCodeStep = 7;  // the generator's codes: 100000000001 + 7 i

fs::path BenchFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("tallwick-bench-resubmission-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// The receiver holds the generated records 0 … 99,999.
const fs::path& ReceiverTemplate() {
    static const fs::path folder = bench::MakeGeneratedFolder("resubmission-stock", kRecords);
    return folder;
}

// A package of the records 50,000 … 149,999 of another seed: the first half collides.
const fs::path& Package() {
    static const fs::path package = [] {
        const fs::path dir = BenchFolder("sender");
        fs::copy_file(TALLWICK_DELIVERED_DB, dir / kDatabaseFileName);
        exchange::BuildPackageTemplate(dir / kDatabaseFileName,
                                       dir / exchange::kPackageTemplateName);
        auto connection = DatabaseConnection::Open(dir);
        bench::GenerateRecords(connection.Db(), kRecords + kReplaced, 1949);
        SQLite::Statement drop(connection.Db(), "DELETE FROM dt_data WHERE c901 < ?");
        drop.bind(1, 100000000001.0 + kCodeStep * kReplaced);
        drop.exec();
        connection.Db().exec(
            "DELETE FROM dt_data1 WHERE c901 NOT IN (SELECT c901 FROM dt_data);"
            "UPDATE dt_data SET RecordState = 1");
        const fs::path file = dir / "resubmitted.dat";
        exchange::ExportPackage(connection.Db(), dir / exchange::kPackageTemplateName, file,
                                "基准");
        return file;
    }();
    return package;
}

// A fresh working database for each run; the caller pauses the timer.
fs::path FreshReceiver(bool withRecords) {
    static const fs::path folder = BenchFolder("receiver");
    fs::remove_all(SafetyCopyFolder(folder));
    fs::copy_file(
        withRecords ? ReceiverTemplate() / kDatabaseFileName : fs::path(TALLWICK_DELIVERED_DB),
        folder / kDatabaseFileName, fs::copy_options::overwrite_existing);
    return folder;
}

// Confirmation, decisions and the import with its safety copy: everything after the file choice.
void BM_ImportReplacingHalf(benchmark::State& state) {
    const fs::path package = Package();
    const fs::path reports = BenchFolder("reports");
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = FreshReceiver(true);
        auto connection = DatabaseConnection::Open(folder);
        state.ResumeTiming();
        const auto prepared = exchange::PrepareImport(connection.Db(), package, folder);
        const auto decisions = exchange::DecisionsForAll(connection.Db(), prepared,
                                                         exchange::CollisionHandling::Replace);
        const auto result =
            exchange::ImportWithDecisions(connection.Db(), prepared, decisions, reports);
        if (!result.imported || result.replaced != kReplaced) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportReplacingHalf)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

// Baseline: the same package into an empty database, nothing to replace.
void BM_ImportIntoEmpty(benchmark::State& state) {
    const fs::path package = Package();
    const fs::path reports = BenchFolder("reports");
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = FreshReceiver(false);
        auto connection = DatabaseConnection::Open(folder);
        state.ResumeTiming();
        const auto prepared = exchange::PrepareImport(connection.Db(), package, folder);
        const auto result = exchange::TransferImport(connection.Db(), prepared, reports);
        if (!result.imported) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportIntoEmpty)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

// The colliding records with their count of differing fields, as the conflict view lists them.
void BM_ListCollisions(benchmark::State& state) {
    const fs::path package = Package();
    auto connection = DatabaseConnection::Open(ReceiverTemplate());
    const auto prepared = exchange::PrepareImport(connection.Db(), package, ReceiverTemplate());
    for (auto _ : state) {
        const auto collisions = exchange::ListCollisions(connection.Db(), prepared);
        if (collisions.size() != kReplaced) state.SkipWithError("wrong collisions");
    }
}
BENCHMARK(BM_ListCollisions)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void BM_SafetyCopy(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(ReceiverTemplate());
    for (auto _ : state) benchmark::DoNotOptimize(MakeSafetyCopy(connection.Db(), "基准"));
}
BENCHMARK(BM_SafetyCopy)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

// Baseline: the user's backup of the same database.
void BM_Backup(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(ReceiverTemplate());
    const fs::path target = BenchFolder("backup") / "backup.mdb";
    for (auto _ : state)
        benchmark::DoNotOptimize(exchange::BackupDatabase(connection.Db(), target));
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

// The other consistent way of copying an open database.
void BM_VacuumInto(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(ReceiverTemplate());
    const fs::path target = BenchFolder("vacuum") / "copy.mdb";
    for (auto _ : state) {
        fs::remove(target);
        SQLite::Statement vacuum(connection.Db(), "VACUUM INTO ?");
        vacuum.bind(1, target.string());
        vacuum.exec();
    }
}
BENCHMARK(BM_VacuumInto)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
