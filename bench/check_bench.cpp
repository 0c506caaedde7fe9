// Check runs over 10,000 and 100,000 generated records: the rules alone, the whole run (read,
// check, state updates, result file), and as baseline a plain read of the same joined rows.
#include "check/check_run.h"
#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "record_generator.h"
#include "store/connection.h"

#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

const fs::path& Folder(std::int64_t records) {
    return bench::GeneratedFolderOnce("check", records);
}

void BM_PlainSelect(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder(state.range(0)));
    for (auto _ : state) {
        SQLite::Statement rows(connection.Db(),
                               std::string(check::kCheckSelectHead) + " where c907<=2");
        double sum = 0;
        while (rows.executeStep()) {
            for (int i = 0; i < rows.getColumnCount(); ++i) sum += rows.getColumn(i).getDouble();
        }
        benchmark::DoNotOptimize(sum);
    }
}

void BM_RulesOnly(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder(state.range(0)));
    const check::CompiledRuleSet rules(check::FieldHints::Load(connection.Db()));
    SQLite::Statement rows(connection.Db(),
                           std::string(check::kCheckSelectHead) + " where c907<=2");
    const check::RecordColumns columns(rows);
    std::vector<check::RecordValues> records;
    while (rows.executeStep()) records.push_back(columns.Read(rows));
    for (auto _ : state) {
        std::uint64_t errors = 0;
        for (const auto& record : records)
            rules.CheckRecord(record, [&](const check::LogicError&) { ++errors; });
        benchmark::DoNotOptimize(errors);
    }
}

void BM_WholeRun(benchmark::State& state) {
    auto connection = DatabaseConnection::Open(Folder(state.range(0)));
    const check::CompiledRuleSet rules(check::FieldHints::Load(connection.Db()));
    check::CheckReport report(check::CheckReportPath(fs::temp_directory_path(), "bench"));
    for (auto _ : state) {
        // Start each iteration from the generated states, so every run writes the same updates.
        state.PauseTiming();
        connection.Db().exec("UPDATE dt_data SET RecordState = c901 % 3");
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            check::CheckDataset(connection.Db(), check::CheckScope::All(), rules, report, {}));
    }
}

BENCHMARK(BM_PlainSelect)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RulesOnly)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRun)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
