#include "review/plausibility_review.h"

#include "locate/locate_fields.h"
#include "review/confirmations.h"
#include "review/robust_spread.h"
#include "review/size_measures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace tallwick::review {
namespace {

// Below this spread (a fifth of a tenfold step, in natural logarithms) a level whose answers
// nearly all agree would make a small difference look enormous.
constexpr double kSmallestSpread = 0.46;

double Log1(double value) {
    return std::log1p(std::max(value, 0.0));
}

// The answer's position on the review's scale: its logarithmic rate of the size measure, or its
// logarithm. The +1 keeps zeros, which small unions answer often, on the scale.
double Scaled(double value, double size, bool sized) {
    return sized ? Log1(value) - Log1(size) : Log1(value);
}

// The value at `scaled` for a union of `size`.
double Unscaled(double scaled, double size, bool sized) {
    return std::max(0.0, std::exp(sized ? scaled + Log1(size) : scaled) - 1);
}

// How far beyond the expected range an answer lies, in spreads; 0 inside it. Where many
// unions answer 0, a small answer is as plausible as 0, so only answers above the median count.
double Excess(double scaled, const Expectation& expectation, const ReviewSettings& settings) {
    if (scaled < expectation.median && expectation.zeroShare >= settings.rareZeros) return 0;
    const double deviation = std::abs(scaled - expectation.median) / expectation.spread;
    return std::max(0.0, deviation - settings.rangeSpreads);
}

struct Best {
    double score = 0;
    int field = -1;
};

// Rows whose answer to a field was confirmed with the value it still has.
using ConfirmedRows = std::vector<std::vector<std::size_t>>;

ConfirmedRows FindConfirmedRows(SQLite::Database& db, const ReviewRows& rows) {
    ConfirmedRows confirmed(rows.values.size());
    for (const Confirmation& confirmation : ReadConfirmations(db)) {
        const int field = locate::LocateFieldIndex(confirmation.field);
        if (field < 0 || locate::IsCoverField(field)) continue;
        const auto at = std::lower_bound(rows.codes.begin(), rows.codes.end(), confirmation.code);
        if (at == rows.codes.end() || *at != confirmation.code) continue;
        const auto row = static_cast<std::size_t>(at - rows.codes.begin());
        if (rows.values[static_cast<std::size_t>(field)][row] == confirmation.value)
            confirmed[static_cast<std::size_t>(field)].push_back(row);
    }
    return confirmed;
}

}  // namespace

bool ReviewResult::Asked(int field, int level) const {
    const int stratum = StratumOf(level);
    if (stratum != 0) return asked_[static_cast<std::size_t>(field)][stratum];
    return catalogue_->Answered(field, level);
}

std::optional<Expectation> ReviewResult::ExpectationOf(int field, int level) const {
    if (field < 0 || static_cast<std::size_t>(field) >= expectations_.size()) return std::nullopt;
    return expectations_[static_cast<std::size_t>(field)][StratumOf(level)];
}

std::optional<Finding> ReviewResult::Judge(int field, std::size_t row) const {
    const int level = rows.levels[row];
    const auto expectation = ExpectationOf(field, level);
    if (!expectation || !Asked(field, level) || !rows.reporting[row]) return std::nullopt;
    const int measure = SizeMeasureOf(field);
    const bool sized = measure >= 0;
    const double size = sized ? rows.values[static_cast<std::size_t>(measure)][row] : 0;
    Finding finding;
    finding.field = field;
    finding.value = rows.values[static_cast<std::size_t>(field)][row];
    finding.basis = expectation->basis;
    finding.expected = Unscaled(expectation->median, size, sized);
    const double reach = settings_.rangeSpreads * expectation->spread;
    finding.low = expectation->zeroShare >= settings_.rareZeros
                      ? 0
                      : Unscaled(expectation->median - reach, size, sized);
    finding.high = Unscaled(expectation->median + reach, size, sized);
    const double scaled = Scaled(finding.value, size, sized);
    finding.deviation = std::abs(scaled - expectation->median) / expectation->spread;
    const double distance = std::abs(finding.value - finding.expected);
    const double total = totals_[static_cast<std::size_t>(field)][StratumOf(level)];
    finding.share = distance > 0 ? distance / std::max(total, distance) : 0;
    finding.score = 100 * finding.share * Excess(scaled, *expectation, settings_);
    return finding;
}

std::vector<double> ReviewResult::RatesAmong(int field, int level, std::size_t row,
                                             long* position) const {
    std::vector<double> rates;
    if (position) *position = -1;
    const auto expectation = ExpectationOf(field, level);
    if (!expectation) return rates;
    const int measure = SizeMeasureOf(field);
    const auto& values = rows.values[static_cast<std::size_t>(field)];
    for (std::size_t r = 0; r < rows.Size(); ++r) {
        const int other = rows.levels[r];
        if (!rows.reporting[r] || !Asked(field, other)) continue;
        if (expectation->basis == Basis::Level && StratumOf(other) != StratumOf(level)) continue;
        if (r == row && position) *position = static_cast<long>(rates.size());
        const double size = measure >= 0 ? rows.values[static_cast<std::size_t>(measure)][r] : 1;
        rates.push_back(size > 0 ? values[r] / size : values[r]);
    }
    return rates;
}

ReviewResult RunReview(SQLite::Database& db, const locate::LocateCatalogue& catalogue,
                       const ReviewSettings& settings) {
    ReviewResult result;
    result.catalogue_ = &catalogue;
    result.settings_ = settings;
    unsigned workers = settings.threads ? settings.threads : std::thread::hardware_concurrency();
    workers = std::clamp(workers, 1u, 8u);
    result.rows = ReadReviewRows(db, workers);
    const ReviewRows& rows = result.rows;
    const std::size_t n = rows.Size();
    const std::size_t fieldCount = rows.values.size();
    result.expectations_.resize(fieldCount);
    result.totals_.assign(fieldCount, {});
    result.asked_.assign(fieldCount, {});
    const ConfirmedRows confirmed = FindConfirmedRows(db, rows);

    std::vector<int> strata(n);
    for (std::size_t r = 0; r < n; ++r) strata[r] = ReviewResult::StratumOf(rows.levels[r]);
    std::vector<int> fields;
    for (std::size_t f = 0; f < fieldCount; ++f) {
        const int field = static_cast<int>(f);
        if (!Reviewed(field, catalogue)) continue;
        fields.push_back(field);
        for (int level = 1; level < ReviewResult::kStrata; ++level)
            result.asked_[f][level] = catalogue.Answered(field, level);
    }

    // Each worker judges every answer of its share of the fields and keeps each record's best;
    // the fields are dealt out in turn and the bests merged in field order, so the outcome does
    // not depend on the number of workers.
    std::vector<std::vector<Best>> bests(workers, std::vector<Best>(n));

    auto work = [&](unsigned worker) {
        std::vector<double> scaled(n);
        std::vector<bool> included(n);
        std::vector<char> skip(n, 0);
        std::array<std::vector<double>, ReviewResult::kStrata> samples;
        std::array<std::size_t, ReviewResult::kStrata> zeros{};
        std::vector<double> whole;
        std::vector<Best>& best = bests[worker];
        for (std::size_t i = worker; i < fields.size(); i += workers) {
            const int field = fields[i];
            const auto f = static_cast<std::size_t>(field);
            const int measure = SizeMeasureOf(field);
            const bool sized = measure >= 0;
            const auto& values = rows.values[f];
            const std::vector<double>* sizes =
                sized ? &rows.values[static_cast<std::size_t>(measure)] : nullptr;

            // One pass over the records: the level totals and the samples.
            for (auto& sample : samples) sample.clear();
            zeros.fill(0);
            whole.clear();
            auto& totals = result.totals_[f];
            for (std::size_t r = 0; r < n; ++r) {
                totals[static_cast<std::size_t>(strata[r])] += values[r];
                included[r] = rows.reporting[r] && result.Asked(field, rows.levels[r]);
                if (!included[r]) continue;
                scaled[r] = Scaled(values[r], sized ? (*sizes)[r] : 0, sized);
                if (values[r] > 0) {
                    samples[static_cast<std::size_t>(strata[r])].push_back(scaled[r]);
                } else {
                    ++zeros[static_cast<std::size_t>(strata[r])];
                }
            }
            // One pass over the strata.
            for (const auto& sample : samples)
                whole.insert(whole.end(), sample.begin(), sample.end());
            std::size_t allZeros = 0;
            for (const std::size_t z : zeros) allZeros += z;
            auto expect = [](std::vector<double>& sample, std::size_t zeroCount, Basis basis) {
                const RobustSpread spread = MedianAndSpread(sample);
                const double answers = static_cast<double>(sample.size() + zeroCount);
                return Expectation{spread.median, std::max(spread.spread, kSmallestSpread),
                                   sample.size(), static_cast<double>(zeroCount) / answers, basis};
            };
            std::optional<Expectation> overall;
            if (whole.size() >= settings.smallestSample)
                overall = expect(whole, allZeros, Basis::AllLevels);
            auto& expectations = result.expectations_[f];
            for (std::size_t s = 0; s < samples.size(); ++s) {
                if (samples[s].size() >= settings.smallestStratum) {
                    expectations[s] = expect(samples[s], zeros[s], Basis::Level);
                } else {
                    expectations[s] = overall;
                }
            }

            // The second pass judges every included answer.
            for (const std::size_t r : confirmed[f]) skip[r] = 1;
            for (std::size_t r = 0; r < n; ++r) {
                if (!included[r] || skip[r]) continue;
                const auto stratum = static_cast<std::size_t>(strata[r]);
                const auto& expectation = expectations[stratum];
                if (!expectation) continue;
                const double excess = Excess(scaled[r], *expectation, settings);
                if (excess == 0) continue;
                const double size = sized ? (*sizes)[r] : 0;
                const double distance =
                    std::abs(values[r] - Unscaled(expectation->median, size, sized));
                const double share = distance / std::max(totals[stratum], distance);
                const double score = 100 * share * excess;
                if (score > best[r].score) best[r] = {score, field};
            }
            for (const std::size_t r : confirmed[f]) skip[r] = 0;
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) threads.emplace_back(work, w);
    work(0);
    for (auto& thread : threads) thread.join();

    for (std::size_t r = 0; r < n; ++r) {
        Best merged;
        for (const auto& best : bests) {
            const Best& b = best[r];
            if (b.score > merged.score ||
                (b.score == merged.score && b.score > 0 && b.field < merged.field))
                merged = b;
        }
        if (merged.field < 0) continue;
        RankedRecord record;
        record.row = r;
        record.code = rows.codes[r];
        record.level = rows.levels[r];
        record.top = *result.Judge(merged.field, r);
        record.top.score = merged.score;
        result.ranked.push_back(record);
    }
    std::stable_sort(
        result.ranked.begin(), result.ranked.end(),
        [](const RankedRecord& a, const RankedRecord& b) { return a.top.score > b.top.score; });
    return result;
}

}  // namespace tallwick::review
