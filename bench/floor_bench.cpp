// Each heavy operation beside its floor, on one generated folder of 100,000 records (or as many as
// $TALLWICK_BENCH_RECORDS says): the floor is what no implementation can beat, SQLite's own
// reading of the same rows (or, for the data list, writing them as plain CSV text). Runs every
// pair alternately, five times unless told otherwise (first argument), and prints the medians and
// their ratio; a second argument picks the operations whose name contains it, and a third names a
// data folder to time instead of generated records (it is copied first: the runs change states).
// The check run is timed twice: as a re-check, where the states are already stored, and as the
// first check after an import, which writes most states; that one's floor also writes the same
// states in one statement.
#include "bench_measure.h"
#include "check/check_report.h"
#include "check/check_run.h"
#include "check/check_scope.h"
#include "check/compiled_rules.h"
#include "exchange/network_report.h"
#include "query/data_list.h"
#include "query/data_list_export.h"
#include "record_generator.h"
#include "store/connection.h"
#include "summary/summary_queries.h"
#include "summary/summary_workbook.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;
using bench::Median;
using bench::Seconds;

// Steps a statement reading every column through the C interface; with `csv` the values are
// also written as CSV text, as the sqlite3 shell's .mode csv would.
std::uint64_t ReadEveryColumn(SQLite::Database& db, const std::string& sql,
                              std::FILE* csv = nullptr) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.getHandle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.getHandle()));
    std::uint64_t bytes = 0;
    const int columns = sqlite3_column_count(statement);
    std::string line;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        if (!csv) {  // each value as what it is stored as
            for (int i = 0; i < columns; ++i) {
                switch (sqlite3_column_type(statement, i)) {
                    case SQLITE_INTEGER:
                        bytes += static_cast<std::uint64_t>(sqlite3_column_int64(statement, i));
                        break;
                    case SQLITE_FLOAT:
                        bytes += static_cast<std::uint64_t>(sqlite3_column_double(statement, i));
                        break;
                    case SQLITE_TEXT:
                        bytes += sqlite3_column_text(statement, i)[0];
                        bytes += static_cast<std::uint64_t>(sqlite3_column_bytes(statement, i));
                        break;
                    default:
                        break;
                }
            }
            continue;
        }
        line.clear();
        for (int i = 0; i < columns; ++i) {
            const unsigned char* text = sqlite3_column_text(statement, i);
            const int length = sqlite3_column_bytes(statement, i);
            bytes += static_cast<std::uint64_t>(length);
            if (i) line += ',';
            if (text) line.append(reinterpret_cast<const char*>(text), length);
        }
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), csv);
    }
    sqlite3_finalize(statement);
    return bytes;
}

std::string NetworkReportSelect(SQLite::Database& db) {
    SQLite::Statement list(db,
                           "select fieldName from dt_fieldlist where sequence>0 and "
                           "sequence<1000 and QueryType between 0 and 3 and "
                           "lower(fieldName)<>'recordstate' order by sequence");
    std::string columns;
    while (list.executeStep()) {
        const std::string name = list.getColumn(0).getString();
        if (!columns.empty()) columns += ',';
        columns += (name.find('y') != std::string::npos ? "d1." : "d.") + name;
    }
    return "select " + columns +
           " from dt_data d left join dt_data1 d1 on d1.c901 = d.c901 order by d.c901 asc";
}

std::string LevelSumsSelect() {
    std::string aggregates;
    for (int number = 2; number <= 27; ++number)
        aggregates += "," + summary::SheetNumber(number).aggregates;
    return "select dt_data.c904" + aggregates +
           " from dt_data left join dt_data1 on dt_data1.c901=dt_data.c901"
           " where dt_data.c901>0 group by dt_data.c904";
}

struct Pair {
    const char* name;
    const char* floorName;
    double goal;
    std::function<void()> operation;
    std::function<void()> floor;
    std::function<void()> prepare = [] {};       // before each run of the operation, not timed
    std::function<void()> prepareFloor = [] {};  // before each run of the floor, not timed
};

// Two records in three get a new state, as after an import of unchecked records.
void ForgetStates(SQLite::Database& db) {
    db.exec("UPDATE dt_data SET RecordState = c901 % 3");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string only = argc > 2 ? argv[2] : "";
    const fs::path folder =
        argc > 3 ? fs::temp_directory_path() / "tallwick-bench-floors-given"
                 : bench::MakeGeneratedFolder("floors", bench::RecordCountFromEnvironment());
    if (argc > 3) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(fs::path(argv[3]) / kDatabaseFileName, folder / kDatabaseFileName);
    }
    auto connection = DatabaseConnection::Open(folder);
    SQLite::Database& db = connection.Db();
    const auto records = db.execAndGet("SELECT count(*) FROM dt_data").getInt64();
    const fs::path templates = fs::path(TALLWICK_DELIVERED_DB).parent_path();

    const check::CompiledRuleSet rules(check::FieldHints::Load(db));
    const std::string checkSelect = std::string(check::kCheckSelectHead) + " where c907<=2";

    std::array<bool, 13> ticked;
    ticked.fill(true);
    const query::DataListQueries dataList =
        query::AllRecordsQueries(query::BuildDataListColumns(db, ticked));
    const query::WorkbookRequest dataListRequest{connection.ReadDatabaseLabel() + "数据列表",
                                                 "2018/12/31", folder / "datalist.xlsx"};

    summary::SummaryRequest summaryRequest;
    summaryRequest.grouping = summary::Grouping::Level;
    summaryRequest.sheets.fill(true);
    const std::string levelSums = LevelSumsSelect();
    const std::string networkSelect = NetworkReportSelect(db);

    const auto checkAll = [&] {
        check::CheckReport report(check::CheckReportPath(folder, "floor"));
        check::CheckDataset(db, check::CheckScope::All(), rules, report, {});
    };
    // The states a check run writes, kept once from a run for the first check's floor.
    checkAll();
    db.exec(
        "CREATE TEMP TABLE checked_states (c901 PRIMARY KEY, RecordState) WITHOUT ROWID;"
        "INSERT INTO checked_states SELECT c901, RecordState FROM dt_data");

    const std::vector<Pair> pairs{
        {"check run, all records", "read the joined rows", 1.1, checkAll,
         [&] { ReadEveryColumn(db, checkSelect); }},
        {"check run, first after an import", "read them, write the states in one statement", 1.3,
         checkAll,
         [&] {
             ReadEveryColumn(db, checkSelect);
             db.exec(
                 "UPDATE dt_data SET RecordState = s.RecordState FROM temp.checked_states s "
                 "WHERE s.c901 = dt_data.c901 AND dt_data.RecordState IS NOT s.RecordState");
         },
         [&] { ForgetStates(db); }, [&] { ForgetStates(db); }},
        {"data list, all 13 tables", "the rows as CSV", 1.7,
         [&] {
             query::ExportDataList(db, dataList, query::DescribeDataList(db, dataList),
                                   dataListRequest, nullptr);
         },
         [&] {
             std::FILE* csv = std::fopen((folder / "datalist.csv").c_str(), "wb");
             ReadEveryColumn(db, dataList.main, csv);
             if (!dataList.second.empty()) ReadEveryColumn(db, dataList.second, csv);
             std::fclose(csv);
         }},
        {"summary by level, all sheets", "one grouped statement", 1.2,
         [&] {
             summary::WriteSummaryWorkbook(db, templates / summary::kSummaryTemplateName,
                                           summaryRequest, folder / "summary.xlsx");
         },
         [&] { ReadEveryColumn(db, levelSums); }},
        {"network report", "read the joined rows", 1.3,
         [&] {
             exchange::ExportNetworkReport(db, exchange::NetworkReportPathsFor(folder / "report"),
                                           {});
         },
         [&] { ReadEveryColumn(db, networkSelect); },
         [&] { db.exec("UPDATE dt_data SET RecordState = 1"); }},
    };

    std::printf("%lld records, medians of %d runs\n\n", static_cast<long long>(records), runs);
    std::printf(
        "| operation | s, median (worst) | floor | s, median (worst) | ratio | goal |\n"
        "|---|---|---|---|---|---|\n");
    for (const Pair& pair : pairs) {
        if (std::string(pair.name).find(only) == std::string::npos) continue;
        std::vector<double> operation, floor;
        for (int run = 0; run < runs; ++run) {
            pair.prepareFloor();
            floor.push_back(Seconds(pair.floor));
            pair.prepare();
            operation.push_back(Seconds(pair.operation));
        }
        const double ratio = Median(operation) / Median(floor);
        std::printf("| %s | %.3f (%.3f) | %s | %.3f (%.3f) | %.2f× | ≤ %.1f× |\n", pair.name,
                    Median(operation), *std::max_element(operation.begin(), operation.end()),
                    pair.floorName, Median(floor), *std::max_element(floor.begin(), floor.end()),
                    ratio, pair.goal);
        std::fflush(stdout);
    }
    const auto size = [&](const char* name) {
        std::error_code error;
        const auto bytes = fs::file_size(folder / name, error);
        return error ? 0.0 : static_cast<double>(bytes) / 1e6;
    };
    std::printf("\ndata list workbook %.1f MB, its CSV %.1f MB\n", size("datalist.xlsx"),
                size("datalist.csv"));
    return 0;
}
