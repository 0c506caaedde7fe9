#include "command.h"
#include "terminal_progress.h"

#include <iostream>

int main(int argc, char** argv) {
    return tallwick::cli::RunCommandLine({argv + 1, argv + argc}, std::cout, std::cerr,
                                         tallwick::cli::StderrIsTerminal());
}
