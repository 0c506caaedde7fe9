#include "terminal_progress.h"

#include <unistd.h>

#include <ostream>
#include <string>

namespace tallwick::cli {

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

void TerminalProgress::Update(std::uint64_t done, std::uint64_t total) {
    if (!enabled_ || total == 0) return;
    const int percent = static_cast<int>(done * 100 / total);
    const auto now = std::chrono::steady_clock::now();
    // Redraw on a new percent, at most ten times a second: drawing must not cost the run.
    if (percent == lastPercent_ ||
        (done < total && now - lastDraw_ < std::chrono::milliseconds(100)))
        return;
    lastPercent_ = percent;
    lastDraw_ = now;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    out_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << percent << "% "
         << done << '/' << total << std::flush;
    drawn_ = true;
}

void TerminalProgress::Finish() {
    if (drawn_) out_ << '\n' << std::flush;
    drawn_ = false;
}

}  // namespace tallwick::cli
