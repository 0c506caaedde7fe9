#pragma once

// A population whose answers relate as real ones do, for judging the plausibility review: each
// union's size (its full-time officials) is log-normal around a centre that depends on its
// level, and each count a rate of its page's size measure with noise, so small unions answer 0
// where they have none. The localiser then repairs every record until all 139 rules hold.
// Keying slips are planted on demand and reported, so a benchmark knows the truth.

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <vector>

namespace tallwick::bench {

enum class SlipKind { Times10, Times100, DigitSwap, NeighbourBox };

struct PlantedSlip {
    double code = 0;
    int field = -1;  // LocateFieldIndex of the answer keyed wrong
    SlipKind kind = SlipKind::Times10;
    double meant = 0;
    double keyed = 0;
    int neighbour = -1;  // NeighbourBox: the box that took the value (field keeps 0)
};

struct RealisticStats {
    std::int64_t repaired = 0;  // records the localiser changed
    std::int64_t redrawn = 0;   // records drawn again because no repair was found
};

// Adds `count` records with codes from 100000000001 up in steps of 7 and plants `slips` keying
// slips, kinds in turn (×10, ×100, digit swap, neighbouring box), each in a record of its own
// and only where every rule still holds afterwards: the review's work is what the rules miss.
// Answers a record's level does not ask for stay empty. Reproducible for a seed; repairs run on
// `threads` threads (0: every core).
std::vector<PlantedSlip> GenerateRealisticRecords(SQLite::Database& db, std::int64_t count,
                                                  std::uint32_t seed, int slips,
                                                  RealisticStats* stats = nullptr,
                                                  unsigned threads = 0);

const char* SlipName(SlipKind kind);

}  // namespace tallwick::bench
