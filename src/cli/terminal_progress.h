#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>

namespace tallwick::cli {

// A one-line progress bar on a terminal; silent when the stream is not a terminal.
class TerminalProgress {
  public:
    TerminalProgress(std::ostream& out, bool isTerminal) : out_(out), enabled_(isTerminal) {}
    ~TerminalProgress() { Finish(); }

    void Update(std::uint64_t done, std::uint64_t total);
    void Finish();

  private:
    std::ostream& out_;
    bool enabled_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// Whether stderr is a terminal (where progress goes).
bool StderrIsTerminal();

}  // namespace tallwick::cli
