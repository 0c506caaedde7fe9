#pragma once

// What every bench program measures with: the record count asked for, wall-clock seconds and
// medians.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace tallwick::bench {

// $TALLWICK_BENCH_RECORDS, else `fallback`.
inline std::int64_t RecordCountFromEnvironment(std::int64_t fallback = 100'000) {
    const char* count = std::getenv("TALLWICK_BENCH_RECORDS");
    return count ? std::max<std::int64_t>(1, std::atoll(count)) : fallback;
}

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace tallwick::bench
