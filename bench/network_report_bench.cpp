// The network-version report of 100,000 generated records: the plain GBK text alone, and the
// whole export (text, encryption, rename).
#include "exchange/network_report.h"
#include "record_generator.h"
#include "store/connection.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

constexpr std::int64_t kRecords = 100'000;

// One generated database, made once per process, every record clean so the gate passes.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path path = bench::MakeGeneratedFolder("network-report", kRecords);
        auto connection = DatabaseConnection::Open(path);
        connection.Db().exec("UPDATE dt_data SET RecordState = 1");
        return path;
    }();
    return folder;
}

void BM_PlainText(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder());
    const fs::path out = Folder() / "plain.txt";
    for (auto _ : state) {
        benchmark::DoNotOptimize(exchange::WriteNetworkReportText(connection.Db(), out, {}));
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void BM_WholeExport(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder());
    const auto paths = exchange::NetworkReportPathsFor(Folder() / "report");
    for (auto _ : state) {
        benchmark::DoNotOptimize(exchange::ExportNetworkReport(connection.Db(), paths, {}));
    }
}

BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeExport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
