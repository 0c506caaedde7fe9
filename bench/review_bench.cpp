// The plausibility review on a realistic population: 100,000 records (or the first argument)
// with 200 planted keying slips (×10, ×100, digit swaps, neighbouring boxes in turn). Prints how
// many slips of each kind have their record among the top 1 % of the ranked list, then times the
// review beside its floor, a raw scan of the same rows through SQLite's C interface, alternately
// five times (or the second argument), on every core and on one thread: medians and worst cases.
// The generated folder is kept under the temporary folder and reused by later runs with the same
// count. A third argument names a data folder of any records instead (generating a realistic
// million takes the better part of an hour): only the times are taken there.
#include "bench_measure.h"
#include "locate/locate_catalogue.h"
#include "locate/locate_fields.h"
#include "realistic_population.h"
#include "review/plausibility_review.h"
#include "store/connection.h"
#include "store/database.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace tallwick;
using bench::Median;
using bench::Seconds;

constexpr int kSlips = 200;
constexpr std::uint32_t kSeed = 2018;

// The rows the review reads, each value read once as a number (the names as text).
double RawScan(SQLite::Database& db) {
    std::string sql = "SELECT d.c901, d.c902, d.c904, d.c907";
    for (const locate::LocateField& field : locate::LocateFields()) {
        if (field.name == "c901" || field.name == "c904") continue;
        sql += (field.name[0] == 'y' ? ", d1." : ", d.") + std::string(field.name);
    }
    sql +=
        " FROM dt_data d INNER JOIN dt_data1 d1 ON d1.c901 = d.c901 WHERE d.c901 > 0"
        " ORDER BY d.c901";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.getHandle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.getHandle()));
    double sum = 0;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        sum += sqlite3_column_bytes(statement, 1);
        for (int i = 0; i < columns; ++i)
            if (i != 1) sum += sqlite3_column_double(statement, i);
    }
    sqlite3_finalize(statement);
    return sum;
}

struct Truth {
    double code;
    std::string kind;
};

std::vector<Truth> MakeOrReuse(const fs::path& folder, std::int64_t count) {
    const fs::path truthFile = folder / "planted.tsv";
    if (!fs::exists(truthFile)) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(TALLWICK_DELIVERED_DB, folder / kDatabaseFileName);
        auto db = OpenExistingSqlite(folder / kDatabaseFileName);
        bench::RealisticStats stats;
        const double seconds = Seconds([&] {
            const auto planted = bench::GenerateRealisticRecords(*db, count, kSeed, kSlips, &stats);
            std::ofstream out(folder / "planted.tmp");
            for (const auto& slip : planted)
                out << static_cast<long long>(slip.code) << '\t' << bench::SlipName(slip.kind)
                    << '\n';
        });
        fs::rename(folder / "planted.tmp", truthFile);
        std::printf(
            "generated %lld records in %.0f s: %lld repaired by the localiser, %lld drawn"
            " again\n",
            static_cast<long long>(count), seconds, static_cast<long long>(stats.repaired),
            static_cast<long long>(stats.redrawn));
    }
    std::vector<Truth> truth;
    std::ifstream in(truthFile);
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        truth.push_back({std::stod(line.substr(0, tab)), line.substr(tab + 1)});
    }
    return truth;
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t count = argc > 1 ? std::atoll(argv[1]) : 100'000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const bool given = argc > 3;
    const fs::path folder =
        given ? fs::path(argv[3])
              : fs::temp_directory_path() / ("tallwick-bench-review-" + std::to_string(count));
    const std::vector<Truth> truth = given ? std::vector<Truth>{} : MakeOrReuse(folder, count);
    auto db = OpenExistingSqlite(folder / kDatabaseFileName);
    const auto catalogue = locate::LocateCatalogue::Read(*db);

    const review::ReviewResult result = review::RunReview(*db, catalogue);
    const auto top = static_cast<std::size_t>(count / 100);
    std::set<double> topCodes;
    for (std::size_t i = 0; i < std::min(top, result.ranked.size()); ++i)
        topCodes.insert(result.ranked[i].code);
    std::map<std::string, std::pair<int, int>> found;  // kind: (in the top 1 %, planted)
    for (const Truth& slip : truth) {
        auto& [inTop, planted] = found[slip.kind];
        ++planted;
        if (topCodes.count(slip.code)) ++inTop;
    }
    std::printf("%lld records, %zu ranked, top 1 %% = %zu records\n", static_cast<long long>(count),
                result.ranked.size(), top);
    for (const auto& [kind, pair] : found)
        std::printf("  %-17s %3d of %3d in the top 1 %% (%.1f %%)\n", kind.c_str(), pair.first,
                    pair.second, 100.0 * pair.first / std::max(1, pair.second));

    std::vector<double> scans, reviews, single;
    volatile double sink = 0;
    review::ReviewSettings oneThread;
    oneThread.threads = 1;
    for (int run = 0; run < runs; ++run) {
        scans.push_back(Seconds([&] { sink = sink + RawScan(*db); }));
        reviews.push_back(Seconds([&] {
            sink = sink + static_cast<double>(review::RunReview(*db, catalogue).ranked.size());
        }));
        single.push_back(Seconds([&] {
            sink = sink +
                   static_cast<double>(review::RunReview(*db, catalogue, oneThread).ranked.size());
        }));
    }
    const double scan = Median(scans);
    std::printf("raw scan:              median %.3f s, worst %.3f s\n", scan,
                *std::max_element(scans.begin(), scans.end()));
    for (const auto& [name, times] :
         {std::pair{"review (every core)", &reviews}, std::pair{"review (one thread)", &single}}) {
        std::printf("%-22s median %.3f s, worst %.3f s (%.2f x the scan)\n", name, Median(*times),
                    *std::max_element(times->begin(), times->end()), Median(*times) / scan);
    }
    return 0;
}
