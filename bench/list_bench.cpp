// The record list on 100,000 generated records (or as many as $TALLWICK_BENCH_RECORDS says):
// opening it (catalogue, the codes; cells are read as rows are shown), re-sorting it by a title
// click, and the desktop program's start-up to the shown list.
#include "bench_measure.h"
#include "list/record_list_model.h"
#include "record_generator.h"
#include "shell/main_window.h"
#include "store/connection.h"
#include "store/database.h"

#include <benchmark/benchmark.h>
#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;

fs::path GeneratedFolder() {
    return tallwick::bench::KeptGeneratedFolder(tallwick::bench::RecordCountFromEnvironment());
}

SQLite::Database& LargeDatabase() {
    static const std::unique_ptr<SQLite::Database> db =
        tallwick::OpenExistingSqlite(GeneratedFolder() / tallwick::kDatabaseFileName);
    return *db;
}

tallwick::ui::RecordListModel& OpenList() {
    static tallwick::ui::RecordListModel model(
        []() -> SQLite::Database& { return LargeDatabase(); });
    if (model.RowCount() == 0) model.Reload();
    return model;
}

int ColumnOf(const tallwick::ui::RecordListModel& model, const std::string& name) {
    const auto& columns = model.Columns();
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].fieldName == name) return static_cast<int>(c);
    }
    return 0;
}

void BM_OpenList(benchmark::State& state) {
    auto& model = OpenList();
    for (auto _ : state) model.Reload();
    state.counters["rows"] = model.RowCount();
}
BENCHMARK(BM_OpenList)->Unit(benchmark::kMillisecond);

void BM_RequeryList(benchmark::State& state) {
    auto& model = OpenList();
    for (auto _ : state) model.Requery();
}
BENCHMARK(BM_RequeryList)->Unit(benchmark::kMillisecond);

// Numbers (the code, descending) and texts (the union's name).
void BM_SortList(benchmark::State& state, const char* column, Qt::SortOrder order) {
    auto& model = OpenList();
    const int index = ColumnOf(model, column);
    for (auto _ : state) model.sort(index, order);
}
BENCHMARK_CAPTURE(BM_SortList, code_desc, "c901", Qt::DescendingOrder)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SortList, name_asc, "c902", Qt::AscendingOrder)->Unit(benchmark::kMillisecond);

// The floor of a sort by the name: the database ordering the codes by it itself.
void BM_SortFloor(benchmark::State& state) {
    auto& db = LargeDatabase();
    for (auto _ : state) {
        SQLite::Statement query(db, "SELECT c901 FROM view_data_all ORDER BY c902, c901");
        double last = 0;
        while (query.executeStep()) last = query.getColumn(0).getDouble();
        benchmark::DoNotOptimize(last);
    }
}
BENCHMARK(BM_SortFloor)->Unit(benchmark::kMillisecond);

// From opening the working database to the main window painted with its list: what the user
// waits for at start-up, the splash aside.
void BM_StartupToShownList(benchmark::State& state) {
    const fs::path folder = GeneratedFolder();
    tallwick::ui::Registry registry(QString::fromStdString((folder / "bench.ini").string()));
    for (auto _ : state) {
        auto startup = tallwick::ui::RunStartup(registry, folder, [](const QString&) {});
        tallwick::ui::MainWindow window(std::move(startup), registry);
        window.resize(1280, 800);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.grab());
    }
}
BENCHMARK(BM_StartupToShownList)->Unit(benchmark::kMillisecond);

}  // namespace
