#pragma once

// What each dependent verification pass of a record found: when, on which machine, over how
// many answers, and how its differences were settled. The rates of both keyings come from here.
#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::verify {

// Creates the table where it is missing: the delivered database is built with it and an older
// working database gets it on its upgrade.
void CreateVerificationTable(SQLite::Database& db);

struct VerificationMark {
    double code = 0;
    std::string firstKeying;  // the processor stamp the record carried before the pass
    std::uint64_t answersKeyed = 0;
    std::uint64_t confirmed = 0;  // differences the third keying confirmed: first keying errors
    std::uint64_t withdrawn = 0;  // differences it withdrew: slips of this pass
};

// Inside the caller's transaction, with this machine's stamp and the history's time.
void AppendVerificationMark(SQLite::Database& db, const VerificationMark& mark);

// The latest pass over a record: when and by whom; nothing for a record never verified.
struct LastVerification {
    std::string time;
    std::string verifier;
};
std::optional<LastVerification> LastVerificationOf(SQLite::Database& db, double code);

// N % of the stored records not yet verified, at least one while there is any, ascending. The
// same seed over the same records draws the same sample, on any machine: each code's place comes
// from a fixed mixing of seed and code, not from the standard library's distributions.
std::vector<double> DrawSample(SQLite::Database& db, double percent, std::uint64_t seed);

// The stored records whose code lies in [low, high], ascending.
std::vector<double> StoredCodesBetween(SQLite::Database& db, double low, double high);

struct VerificationRate {
    std::string processor;  // the first keying's stamp; empty for the overall line
    std::uint64_t records = 0;
    std::uint64_t answersKeyed = 0;
    std::uint64_t differences = 0;
    std::uint64_t confirmed = 0;
    std::uint64_t withdrawn = 0;
    // Per 1,000 answers keyed in verification; 0 without any.
    double DifferencesPerThousand() const;
    double ConfirmedPerThousand() const;
};

// One line per first keying's processor, by stamp, then the overall line.
std::vector<VerificationRate> ReadVerificationRates(SQLite::Database& db);

}  // namespace tallwick::verify
