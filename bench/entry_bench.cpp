// The entry window on 100,000 stored records (or as many as $TALLWICK_BENCH_RECORDS says):
// loading a record into the form (moving to the next record), and saving it with the whole rule
// table checked.
#include "bench_measure.h"
#include "entry/entry_error_list.h"
#include "entry/entry_window.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "locate/error_localiser.h"
#include "locate/stored_record.h"
#include "record_generator.h"
#include "settings/registry.h"
#include "store/connection.h"
#include "store/database.h"
#include "widgets/message_box.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

struct Fixture {
    std::unique_ptr<SQLite::Database> db;
    std::unique_ptr<ui::Registry> registry;
    std::unique_ptr<ui::RecordListModel> model;
    std::unique_ptr<ui::RecordListView> list;
    std::unique_ptr<ui::EntryWindow> window;

    Fixture() {
        const fs::path folder = fs::temp_directory_path() / "tallwick-bench-entry";
        fs::remove_all(folder);
        fs::create_directories(folder);
        const std::int64_t records = bench::RecordCountFromEnvironment();
        fs::copy_file(bench::KeptGeneratedFolder(records) / kDatabaseFileName,
                      folder / kDatabaseFileName);
        db = OpenExistingSqlite(folder / kDatabaseFileName);
        registry =
            std::make_unique<ui::Registry>(QString::fromStdString((folder / "bench.ini").string()));
        model =
            std::make_unique<ui::RecordListModel>([this]() -> SQLite::Database& { return *db; });
        model->Reload();
        list = std::make_unique<ui::RecordListView>(model.get());
        window =
            std::make_unique<ui::EntryWindow>([this]() -> SQLite::Database& { return *db; },
                                              *registry, QString::fromStdString(folder.string()));
        ui::Prompts().message = [](const QString&) {};
        list->GoToRow(static_cast<int>(records / 2));
        window->Begin(false, *list);
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_LoadNextRecord(benchmark::State& state) {
    Fixture& f = Shared();
    int direction = 2;  // next, then previous: stays in the middle of the list
    for (auto _ : state) {
        f.window->Navigate(direction);
        direction = direction == 2 ? 1 : 2;
    }
}
BENCHMARK(BM_LoadNextRecord)->Unit(benchmark::kMillisecond);

void BM_SaveWithWholeRuleTable(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(f.window->Save());
}
BENCHMARK(BM_SaveWithWholeRuleTable)->Unit(benchmark::kMillisecond);

// A record of a county-level or higher union (every answer asked) saved with logic errors: the
// save itself, and the save until the error list names the answers to look at first.
bool GoToRecordWithErrors(Fixture& f) {
    const locate::ErrorLocaliser localiser(locate::LocateCatalogue::Read(*f.db),
                                           locate::LocateRules::Delivered());
    for (int row = 50'000; row < f.model->RowCount(); ++row) {
        const auto stored = locate::ReadStoredValues(*f.db, f.model->CodeAt(row));
        if (!stored || !stored->checked || stored->values.c904 > 3) continue;
        if (localiser.Locate(stored->values).outcome != locate::Localisation::Outcome::Suggested)
            continue;
        f.list->GoToRow(row);
        f.window->Begin(false, *f.list);
        return true;
    }
    return false;
}

void WaitForSuggestion(Fixture& f) {
    QElapsedTimer waited;
    waited.start();
    while (f.window->ErrorList().Suggestion()->isHidden() && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void BM_SaveWithErrors(benchmark::State& state) {
    Fixture& f = Shared();
    if (!GoToRecordWithErrors(f)) state.SkipWithError("no record with errors");
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.window->Save());
        state.PauseTiming();
        WaitForSuggestion(f);  // the suggestion of this save, outside the time measured
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveWithErrors)->Unit(benchmark::kMillisecond);

void BM_SaveWithErrorsUntilSuggestion(benchmark::State& state) {
    Fixture& f = Shared();
    if (!GoToRecordWithErrors(f)) state.SkipWithError("no record with errors");
    int shown = 0;
    for (auto _ : state) {
        f.window->Save();
        WaitForSuggestion(f);
        shown += f.window->ErrorList().Suggestion()->isHidden() ? 0 : 1;
    }
    state.counters["shown"] = shown;
}
BENCHMARK(BM_SaveWithErrorsUntilSuggestion)->Unit(benchmark::kMillisecond);

}  // namespace
