#include "verify/verification_marks.h"

#include "history/history_table.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tallwick::verify {
namespace {

// splitmix64: a fixed, well-spread mixing of 64 bits.
std::uint64_t Mixed(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

double PerThousand(std::uint64_t count, std::uint64_t answers) {
    return answers == 0 ? 0.0 : 1000.0 * static_cast<double>(count) / static_cast<double>(answers);
}

VerificationRate RateOf(SQLite::Statement& query, std::string processor) {
    VerificationRate rate;
    rate.processor = std::move(processor);
    rate.records = static_cast<std::uint64_t>(query.getColumn(1).getInt64());
    rate.answersKeyed = static_cast<std::uint64_t>(query.getColumn(2).getInt64());
    rate.confirmed = static_cast<std::uint64_t>(query.getColumn(3).getInt64());
    rate.withdrawn = static_cast<std::uint64_t>(query.getColumn(4).getInt64());
    rate.differences = rate.confirmed + rate.withdrawn;
    return rate;
}

}  // namespace

void CreateVerificationTable(SQLite::Database& db) {
    db.exec(
        "CREATE TABLE IF NOT EXISTS dt_verification (\n"
        "  id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
        "  c901 REAL NOT NULL,\n"
        "  VerifiedAt TEXT NOT NULL,\n"
        "  Verifier TEXT,\n"
        "  FirstKeying TEXT,\n"
        "  AnswersKeyed INTEGER NOT NULL DEFAULT 0,\n"
        "  Confirmed INTEGER NOT NULL DEFAULT 0,\n"
        "  Withdrawn INTEGER NOT NULL DEFAULT 0\n"
        ");\n"
        "CREATE INDEX IF NOT EXISTS dt_verification_c901 ON dt_verification (c901)");
}

void AppendVerificationMark(SQLite::Database& db, const VerificationMark& mark) {
    SQLite::Statement insert(
        db,
        "INSERT INTO dt_verification (c901, VerifiedAt, Verifier, FirstKeying, "
        "AnswersKeyed, Confirmed, Withdrawn) VALUES (?, ?, ?, ?, ?, ?, ?)");
    insert.bind(1, mark.code);
    insert.bind(2, history::HistoryTime());
    if (const auto stamp = history::ThisMachine())
        insert.bind(3, *stamp);
    else
        insert.bind(3);
    insert.bind(4, mark.firstKeying);
    insert.bind(5, static_cast<std::int64_t>(mark.answersKeyed));
    insert.bind(6, static_cast<std::int64_t>(mark.confirmed));
    insert.bind(7, static_cast<std::int64_t>(mark.withdrawn));
    insert.exec();
}

std::optional<LastVerification> LastVerificationOf(SQLite::Database& db, double code) {
    SQLite::Statement query(db,
                            "SELECT VerifiedAt, ifnull(Verifier, '') FROM dt_verification "
                            "WHERE c901 = ? ORDER BY id DESC LIMIT 1");
    query.bind(1, code);
    if (!query.executeStep()) return std::nullopt;
    return LastVerification{query.getColumn(0).getString(), query.getColumn(1).getString()};
}

std::vector<double> DrawSample(SQLite::Database& db, double percent, std::uint64_t seed) {
    SQLite::Statement query(db,
                            "SELECT c901 FROM dt_data WHERE c901 NOT IN "
                            "(SELECT c901 FROM dt_verification) ORDER BY c901");
    std::vector<std::pair<std::uint64_t, double>> keyed;
    while (query.executeStep()) {
        const double code = query.getColumn(0).getDouble();
        keyed.emplace_back(Mixed(seed ^ Mixed(static_cast<std::uint64_t>(std::llround(code)))),
                           code);
    }
    if (keyed.empty() || percent <= 0) return {};
    const auto wanted = std::min<std::size_t>(
        keyed.size(), static_cast<std::size_t>(std::ceil(static_cast<double>(keyed.size()) *
                                                         std::min(percent, 100.0) / 100.0)));
    std::partial_sort(keyed.begin(), keyed.begin() + static_cast<long>(wanted), keyed.end());
    std::vector<double> sample;
    for (std::size_t i = 0; i < wanted; ++i) sample.push_back(keyed[i].second);
    std::sort(sample.begin(), sample.end());
    return sample;
}

std::vector<double> StoredCodesBetween(SQLite::Database& db, double low, double high) {
    SQLite::Statement query(db,
                            "SELECT c901 FROM dt_data WHERE c901 BETWEEN ? AND ? ORDER BY c901");
    query.bind(1, low);
    query.bind(2, high);
    std::vector<double> codes;
    while (query.executeStep()) codes.push_back(query.getColumn(0).getDouble());
    return codes;
}

double VerificationRate::DifferencesPerThousand() const {
    return PerThousand(differences, answersKeyed);
}

double VerificationRate::ConfirmedPerThousand() const {
    return PerThousand(confirmed, answersKeyed);
}

std::vector<VerificationRate> ReadVerificationRates(SQLite::Database& db) {
    const std::string sums =
        "count(DISTINCT c901), ifnull(sum(AnswersKeyed), 0), ifnull(sum(Confirmed), 0), "
        "ifnull(sum(Withdrawn), 0) FROM dt_verification";
    std::vector<VerificationRate> rates;
    SQLite::Statement each(db, "SELECT ifnull(FirstKeying, ''), " + sums +
                                   " GROUP BY ifnull(FirstKeying, '') ORDER BY 1");
    while (each.executeStep()) rates.push_back(RateOf(each, each.getColumn(0).getString()));
    SQLite::Statement all(db, "SELECT '', " + sums);
    all.executeStep();
    rates.push_back(RateOf(all, {}));
    return rates;
}

}  // namespace tallwick::verify
