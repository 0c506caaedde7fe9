#include "command.h"
#include "settings_file.h"
#include "terminal_progress.h"

#include "store/safety_copy.h"
#include "store/statement_stop.h"

#include <signal.h>

#include <iostream>

namespace {

constexpr const char* kInterrupted = "操作已被中断。";

// The first Ctrl+C stops the running statement, so the command ends through its own error path
// and leaves no temporary file behind; a second one ends the program at once.
void OnInterrupt(int) {
    if (tallwick::StatementStopRequested()) {
        signal(SIGINT, SIG_DFL);
        raise(SIGINT);
        return;
    }
    tallwick::RequestStatementStop();
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    tallwick::SafetyCopyPolicy policy;
    policy.kept = tallwick::cli::SafetyCopiesKept();
    tallwick::SetSafetyCopyPolicy(std::move(policy));

    const int code = tallwick::cli::RunCommandLine({argv + 1, argv + argc}, std::cout, std::cerr,
                                                   tallwick::cli::StderrIsTerminal());
    // A command that ended well finished before the stop reached any statement of its own.
    if (code != 0 && tallwick::StatementStopRequested()) {
        std::cerr << kInterrupted << '\n';
        return 128 + SIGINT;
    }
    return code;
}
