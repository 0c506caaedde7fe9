#pragma once

// A command line run in this process, as tallwick-cli's main would run it.
#include "command.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace tallwick::cli {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& argv) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunCommandLine(argv, out, err);
    return {code, out.str(), err.str()};
}

// The same with "--data-dir FOLDER" in front of the arguments.
inline CliRun RunCli(const std::filesystem::path& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", folder.string()});
    return RunCli(args);
}

}  // namespace tallwick::cli
