#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>

namespace tallwick::bench {

// Fills dt_data and dt_data1 with `count` plausible records, reproducibly for a given seed, in one
// transaction: codes from 100000000001 up in steps of 7, all levels, real regions, mixed record
// states, 5 % not reporting, and about one record in ten with a few wrong values.
void GenerateRecords(SQLite::Database& db, std::int64_t count, std::uint32_t seed = 2018);

}  // namespace tallwick::bench
