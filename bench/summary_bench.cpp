// The summary workbook over 10,000 and 100,000 generated records: every sheet by union level
// and by a custom grouping of 20 items (each summed in one pass over the records into a temporary
// table), written into the template and saved.
#include "record_generator.h"
#include "store/connection.h"
#include "summary/summary_workbook.h"

#include <SQLiteCpp/Statement.h>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

// One generated database per size, made once per process, with a grouping of 20 code ranges.
const fs::path& Folder(std::int64_t records) {
    static std::map<std::int64_t, fs::path> folders;
    auto& folder = folders[records];
    if (folder.empty()) {
        folder = bench::MakeGeneratedFolder("summary-" + std::to_string(records), records);
        auto connection = DatabaseConnection::Open(folder);
        connection.Db().exec("INSERT INTO ct_group (id, Name, orderstr) VALUES (1, 'b', 'id ASC')");
        const std::int64_t width = records * 7 / 20 + 1;
        for (int i = 0; i < 20; ++i) {
            SQLite::Statement item(
                connection.Db(),
                "INSERT INTO DT_GroupItem (GroupID, Title, LowBoundary, "
                "LowSymbol, HighBoundary, HighSymbol) VALUES (1,?,?,'>=',?,'<')");
            item.bind(1, "第" + std::to_string(i + 1) + "段");
            item.bind(2, static_cast<double>(100000000001 + i * width));
            item.bind(3, static_cast<double>(100000000001 + (i + 1) * width));
            item.exec();
        }
    }
    return folder;
}

void RunSummary(benchmark::State& state, summary::Grouping grouping) {
    const fs::path& folder = Folder(state.range(0));
    auto connection = DatabaseConnection::Open(folder);
    summary::SummaryRequest request;
    request.grouping = grouping;
    request.groupId = 1;
    request.sheets.fill(true);
    const fs::path templatePath =
        fs::path(TALLWICK_DELIVERED_DB).parent_path() / summary::kSummaryTemplateName;
    for (auto _ : state) {
        summary::WriteSummaryWorkbook(connection.Db(), templatePath, request,
                                      folder / "summary.xlsx");
    }
}

void BM_SummaryByLevel(benchmark::State& state) {
    RunSummary(state, summary::Grouping::Level);
}
void BM_SummaryByGrouping(benchmark::State& state) {
    RunSummary(state, summary::Grouping::Custom);
}

BENCHMARK(BM_SummaryByLevel)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryByGrouping)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
