#include "command.h"

#include "common/user_error.h"
#include "store/program_folder.h"

#include <SQLiteCpp/Exception.h>

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli [--data-dir DIR] COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info [--json]   label, database path and record counts of the working database\n"
    "  check (--all | --range LOW HIGH | --codes C1,C2,...)\n"
    "                  check stored records against the logic rules; the result file\n"
    "                  goes to $TEMP (or the system's temporary folder)\n"
    "\n"
    "The data folder holds 2018NB_qd_201809251730.mdb; without --data-dir it is\n"
    "$TALLWICK_DATA_DIR, else the folder of this program.\n";

}  // namespace

int RunCommandLine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                   bool progressOnTerminal) {
    std::optional<std::filesystem::path> dataDir;
    size_t next = 0;
    while (next < argv.size() && argv[next].starts_with("--")) {
        if (argv[next] == "--data-dir" && next + 1 < argv.size()) {
            dataDir = argv[next + 1];
            next += 2;
        } else if (argv[next] == "--help") {
            out << kUsage;
            return 0;
        } else {
            err << kUsage;
            return 2;
        }
    }
    if (next == argv.size()) {
        err << kUsage;
        return 2;
    }
    const std::string command = argv[next];
    CommandContext context{{argv.begin() + static_cast<long>(next) + 1, argv.end()},
                           ResolveProgramFolder(dataDir),
                           out,
                           err,
                           progressOnTerminal};
    try {
        if (command == "info") return RunInfo(context);
        if (command == "check") return RunCheck(context);
    } catch (const UserError& error) {
        err << error.what() << '\n';
        return 1;
    } catch (const SQLite::Exception& error) {
        err << error.what() << '\n';
        return 1;
    }
    err << "unknown command: " << command << "\n\n" << kUsage;
    return 2;
}

}  // namespace tallwick::cli
