#pragma once

#include <cstdint>
#include <functional>

namespace tallwick::exchange {

// Called with (done, total) before the first step and after every step of an exchange.
using ExchangeProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

inline void Report(const ExchangeProgress& progress, std::uint64_t done, std::uint64_t total) {
    if (progress) progress(done, total);
}

}  // namespace tallwick::exchange
