#include "store/statement_stop.h"

#include <atomic>

namespace tallwick {
namespace {

// Lock-free, so that a signal handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void RequestStatementStop() noexcept {
    stopRequested.store(true);
}

void ClearStatementStop() noexcept {
    stopRequested.store(false);
}

bool StatementStopRequested() noexcept {
    return stopRequested.load();
}

}  // namespace tallwick
