// The cost of the change history on 100,000 records, each figure beside its baseline without
// history, measured in the same run (run with --benchmark_enable_random_interleaving=true so
// that the machine's load falls on both alike):
// - a save of the entry window's core path, three fields changed: entry::WriteRecord against
//   history::WriteRecordWithHistory. Target: under 0.1 s with history.
// - the transfer of an import of 100,000 records, without and with one history row per record.
//   Target: within 1.2 times the import without history.
// And the entry window's journal: one durable write of a whole record's fields (temporary file,
// fsync, rename), which the window makes when a changed field is left. It must go unnoticed.
#include "entry/edit_journal.h"
#include "entry/processor_stamp.h"
#include "entry/record_io.h"
#include "exchange/backup.h"
#include "exchange/data_import.h"
#include "history/history_table.h"
#include "history/recorded_write.h"
#include "record_generator.h"
#include "store/connection.h"
#include "store/database.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;

constexpr std::int64_t kRecords = 100'000;
// A record in the middle of the generated codes (100000000001 upwards in steps of 7).
constexpr double kMiddleCode = 100000000001.0 + 7.0 * 50'000;

void BM_EntrySave(benchmark::State& state) {
    const bool withHistory = state.range(0) != 0;
    auto db =
        OpenExistingSqlite(bench::GeneratedFolderOnce("history", kRecords) / kDatabaseFileName);
    const auto catalogue = entry::EntryCatalogue::Read(*db);
    const entry::StoredRecord stored = entry::ReadRecord(*db, kMiddleCode);
    // What the window shows: the stored record with three fields typed over.
    entry::RowValues screen;
    for (std::size_t i = 0; i < catalogue.Rows().size(); ++i)
        screen[catalogue.Rows()[i].fieldName] = stored.ValueOf(catalogue, i);
    const entry::FieldSource values =
        [&](const std::string& field) -> std::optional<entry::FieldValue> {
        if (field == "RecordState") return std::nullopt;
        return screen.at(field);
    };
    const entry::RecordWrite write{kMiddleCode, 1, entry::ProcessorStamp()};
    std::int64_t typed = 0;
    for (auto _ : state) {
        ++typed;
        screen["z001"] = typed;
        screen["z002"] = typed % 7;
        screen["b018"] = static_cast<double>(typed) / 4;
        if (withHistory)
            history::WriteRecordWithHistory(*db, catalogue, values, write, history::kEntrySave);
        else
            entry::WriteRecord(*db, catalogue, values, write);
    }
    state.SetLabel(withHistory ? "with history" : "without history");
}
BENCHMARK(BM_EntrySave)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// A backup of the generated records, imported into an empty working database.
const fs::path& SourceBackup() {
    static const fs::path backup = [] {
        const fs::path folder = bench::GeneratedFolderOnce("history", kRecords);
        auto db = OpenExistingSqlite(folder / kDatabaseFileName);
        const fs::path file = folder / "all.mdb";
        exchange::BackupDatabase(*db, file);
        return file;
    }();
    return backup;
}

void BM_ImportTransfer(benchmark::State& state) {
    const fs::path receiver = fs::temp_directory_path() / "tallwick-bench-history-receiver";
    fs::remove_all(receiver);
    fs::create_directories(receiver);
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(TALLWICK_DELIVERED_DB, receiver / kDatabaseFileName,
                      fs::copy_options::overwrite_existing);
        auto connection = DatabaseConnection::Open(receiver);
        const auto prepared = exchange::PrepareImport(connection.Db(), SourceBackup(), receiver);
        state.ResumeTiming();
        const auto result = exchange::TransferImport(connection.Db(), prepared, receiver);
        if (!result.imported) state.SkipWithError(result.message.c_str());
    }
}
// The import always writes its history now (with its import record and safety copy); the
// comparison without it was measured before they were joined.
BENCHMARK(BM_ImportTransfer)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

void BM_JournalWrite(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "tallwick-bench-history-journal";
    fs::remove_all(folder);
    fs::create_directories(folder);
    entry::EditJournal journal;
    journal.newRecord = false;
    journal.code = kMiddleCode;
    journal.name = "某某市总工会";
    journal.time = "2018-10-01 09:30:00";
    for (int i = 0; i < 250; ++i)
        journal.fields.emplace_back("z" + std::to_string(i), std::to_string(i * 37));
    for (auto _ : state) entry::WriteEditJournal(folder, journal);
}
BENCHMARK(BM_JournalWrite)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
