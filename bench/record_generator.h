#pragma once

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace tallwick::bench {

struct GeneratorOptions {
    // As the entry window leaves them: answers a record's level does not ask for stay empty
    // (NULL). false keeps values in them, as records imported from elsewhere may.
    bool emptyUnasked = true;
    // One record in a hundred each: a form barely begun at county level or above, one gross
    // typo in an otherwise clean form, and many wrong values at once.
    bool hardShapes = true;
};

// Fills dt_data and dt_data1 with `count` plausible records, reproducibly for a given seed, in one
// transaction: codes from 100000000001 up in steps of 7, all levels, real regions, mixed record
// states, 5 % not reporting, and about one record in ten with a few wrong values.
void GenerateRecords(SQLite::Database& db, std::int64_t count, std::uint32_t seed = 2018,
                     GeneratorOptions options = {});

// A fresh program folder "<temp>/tallwick-bench-<name>" holding a copy of the delivered database
// with `count` generated records; whatever the folder held before is removed.
std::filesystem::path MakeGeneratedFolder(const std::string& name, std::int64_t count);

// The folder "<prefix>-<count>" made by MakeGeneratedFolder the first time a benchmark of this
// process asks for it: generating takes longer than most of what is measured.
const std::filesystem::path& GeneratedFolderOnce(const std::string& prefix, std::int64_t count);

// "<temp>/tallwick-bench-kept-<count>", made once and kept between runs: a million records take
// minutes to make. Benchmarks that write copy its database first.
std::filesystem::path KeptGeneratedFolder(std::int64_t count);

}  // namespace tallwick::bench
