#pragma once

// The plausibility review: the records that pass every rule but are probably wrong, ranked by how
// much they would move the summary. Each answer that a record's level asks for is judged against
// the records of the same level: the median and a robust spread of its logarithmic rate of the
// page's size measure (or of its logarithm, where the answer has none). Its deviation counts the
// spreads between the record and that median, the same up as down, so that ×10 and ÷10 weigh
// alike; its share is how far the answer is from the value expected of a union its size, as a
// share of its level's total in the summary. An answer scores 100 × share × the spreads by which
// it lies beyond the expected range (0 inside it); a record scores its highest answer.

#include "locate/locate_catalogue.h"
#include "review/review_rows.h"

#include <SQLiteCpp/Database.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::review {

struct ReviewSettings {
    // A level with fewer records answering above 0 is judged against every level's records.
    std::size_t smallestStratum = 20;
    // With fewer records answering above 0 in all, the answer is not judged at all.
    std::size_t smallestSample = 5;
    // A 0 is judged only where fewer of the answers are 0.
    double rareZeros = 0.05;
    // The expected range is the median ± this many spreads.
    double rangeSpreads = 2;
    // Worker threads; 0 takes the machine's cores.
    unsigned threads = 0;
};

// Which records an answer's expectation comes from.
enum class Basis { Level, AllLevels };

// The median and spread describe the answers above 0: many answers are 0 wherever a union has
// none of a thing, and a 0 is judged only where the level rarely answers 0.
struct Expectation {
    double median = 0;      // of log((value + 1) / (size + 1)), or of log(value + 1)
    double spread = 0;      // never below a floor, so that a level whose answers all agree still
                            // judges a differing one by a finite deviation
    std::size_t count = 0;  // answers above 0
    double zeroShare = 0;   // of the answers that are 0
    Basis basis = Basis::Level;
};

// One answer of one record, judged.
struct Finding {
    int field = -1;  // LocateFieldIndex
    double value = 0;
    double expected = 0;  // the median's value for a union of the record's size
    double low = 0;       // the expected range for the record's size
    double high = 0;
    double deviation = 0;  // spreads from the median, either way
    double share = 0;
    double score = 0;
    Basis basis = Basis::Level;
};

struct RankedRecord {
    std::size_t row = 0;  // in ReviewResult::rows
    double code = 0;
    int level = 0;
    Finding top;  // its highest-scoring answer; top.score is the record's score
};

class ReviewResult {
  public:
    ReviewRows rows;
    // Records with a score above 0, highest first; the lower code first among equal scores.
    std::vector<RankedRecord> ranked;

    // The expectation that judges the answer in a record of `level`; nullopt where too few
    // records answer it or the review does not judge it.
    std::optional<Expectation> ExpectationOf(int field, int level) const;
    // The answer of one record judged (also a confirmed one); nullopt as for ExpectationOf or
    // where the record's level does not ask for it.
    std::optional<Finding> Judge(int field, std::size_t row) const;
    // The rates (value / size, or the value where the answer has no size measure) of the
    // records that the expectation of `level` comes from, in code order, with the position of
    // record `row` among them (-1 when it is not one of them); for the picture beside the list.
    std::vector<double> RatesAmong(int field, int level, std::size_t row, long* position) const;

    static constexpr int kStrata = 13;  // levels 1 to 12, and 0 for any other level
    static int StratumOf(int level) { return level >= 1 && level < kStrata ? level : 0; }

  private:
    friend ReviewResult RunReview(SQLite::Database&, const locate::LocateCatalogue&,
                                  const ReviewSettings&);
    bool Asked(int field, int level) const;

    const locate::LocateCatalogue* catalogue_ = nullptr;
    ReviewSettings settings_;
    // [field][stratum]
    std::vector<std::array<std::optional<Expectation>, kStrata>> expectations_;
    std::vector<std::array<double, kStrata>> totals_;
    std::vector<std::array<bool, kStrata>> asked_;
};

// Reads every record once and judges each answer; answers confirmed with their present value
// (review/confirmations) are left out of the ranking but still inform the expectations. The
// catalogue must outlive the result. Deterministic: the same records give the same list, on any
// number of threads.
ReviewResult RunReview(SQLite::Database& db, const locate::LocateCatalogue& catalogue,
                       const ReviewSettings& settings = {});

}  // namespace tallwick::review
