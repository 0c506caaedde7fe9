#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>

namespace tallwick::bench {

// Fills dt_data and dt_data1 with `count` plausible records (codes from 100000000001 up, cover
// fields from the code tables, survey counts mostly small, mixed record states), reproducibly for
// a given seed, in one transaction.
void GenerateRecords(SQLite::Database& db, std::int64_t count, std::uint32_t seed = 2018);

}  // namespace tallwick::bench
