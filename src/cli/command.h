#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tallwick::cli {

// What every command gets: its own arguments, the data folder and the streams to write to.
struct CommandContext {
    std::vector<std::string> args;
    // The data folder (the working database's); delivered files are found through DeliveredFile.
    std::filesystem::path programFolder;
    std::ostream& out;
    std::ostream& err;
    bool progressOnTerminal = false;  // draw a progress bar on err
};

// Runs the whole command line (without the program name) and returns the exit code:
// 0 success, 1 an error the system reports (its message on err), 2 a usage error.
int RunCommandLine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                   bool progressOnTerminal = false);

// One function per command, each in its own file.
int RunInfo(const CommandContext& context);
int RunCheck(const CommandContext& context);
int RunExportPackage(const CommandContext& context);
int RunImport(const CommandContext& context);
int RunBackup(const CommandContext& context);
int RunGroups(const CommandContext& context);
int RunExportNetwork(const CommandContext& context);
int RunEncrypt(const CommandContext& context);
int RunSummary(const CommandContext& context);
int RunQuery(const CommandContext& context);
int RunExportList(const CommandContext& context);
int RunPrint(const CommandContext& context);
int RunHistory(const CommandContext& context);
int RunBackups(const CommandContext& context);
int RunRestore(const CommandContext& context);
int RunImports(const CommandContext& context);
int RunLocate(const CommandContext& context);
int RunRules(const CommandContext& context);
int RunReview(const CommandContext& context);
int RunCompare(const CommandContext& context);
int RunVerification(const CommandContext& context);

}  // namespace tallwick::cli
