#include "exchange/incoming_limit_scan.h"

#include "store/database.h"
#include "store/field_limits.h"
#include "store/limit_scan.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace tallwick::exchange {
namespace {

constexpr std::array<const char*, 2> kTables = {"dt_data", "dt_data1"};

// Column names (lower case) with their declared types, in name order.
std::vector<std::pair<std::string, std::string>> Declared(SQLite::Database& db,
                                                          const std::string& schema,
                                                          const std::string& table) {
    SQLite::Statement query(db, "SELECT lower(name), upper(type) FROM pragma_table_info(?, ?)");
    query.bind(1, table);
    query.bind(2, schema);
    std::vector<std::pair<std::string, std::string>> columns;
    while (query.executeStep())
        columns.emplace_back(query.getColumn(0).getString(), query.getColumn(1).getString());
    std::sort(columns.begin(), columns.end());
    return columns;
}

bool SameLayout(SQLite::Database& working, const std::string& source) {
    return std::all_of(kTables.begin(), kTables.end(), [&](const char* table) {
        const auto declared = Declared(working, "main", table);
        return !declared.empty() && declared == Declared(working, source, table);
    });
}

}  // namespace

IncomingLimitScan::IncomingLimitScan(SQLite::Database& working, const std::string& source,
                                     const std::filesystem::path& file, std::set<double> kept) {
    std::vector<LimitJudge> judges;
    try {
        if (!SameLayout(working, source)) return;
        for (const char* table : kTables)
            judges.emplace_back(working, ReadFieldLimits(working, table));
    } catch (const SQLite::Exception&) {
        return;  // judged afterwards in the working tables
    }
    breach_ =
        std::async(std::launch::async, [file, judges = std::move(judges), kept = std::move(kept)] {
            SQLite::Database rows(file.string(), SQLite::OPEN_READONLY);
            for (std::size_t i = 0; i < kTables.size(); ++i) {
                if (judges[i].FirstBreakingRow(rows, "main", kTables[i], 0, kept)) return true;
            }
            return false;
        });
}

IncomingLimitScan::~IncomingLimitScan() {
    // The thread reads the file; it must be done before the file may go.
    if (breach_.valid()) breach_.wait();
}

std::optional<bool> IncomingLimitScan::FoundBreach() {
    if (!breach_.valid()) return std::nullopt;
    try {
        return breach_.get();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace tallwick::exchange
