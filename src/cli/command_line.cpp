#include "command.h"

#include "check/check_report.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "store/engine_error.h"
#include "store/program_folder.h"
#include "store/schema_version.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli [--data-dir DIR] COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info [--json]   label, database path and record counts of the working database\n"
    "  check (--all | --range LOW HIGH | --codes C1,C2,...) [--locate]\n"
    "                  check stored records against the logic rules; the result file\n"
    "                  goes to $TEMP (or the system's temporary folder); with --locate it\n"
    "                  also names the answers to look at first for each record with errors\n"
    "  locate CODE     the answers of a stored record that a smallest repair changes:\n"
    "                  field, current value and a value with which every rule holds\n"
    "  rules --analyse what the logic rules allow, level class by level class\n"
    "  export-package --provider NAME -o OUT.dat\n"
    "                  the clean records as a protected package for the offline version\n"
    "  import FILE [--yes]\n"
    "                  import a package or backup (without --yes: show what would happen)\n"
    "  backup -o OUT.mdb\n"
    "                  a consistent copy of the working database\n"
    "  groups export -o FILE | groups import FILE\n"
    "                  transfer the custom groupings\n"
    "  export-network [-o OUT.dat] [--plain PLAIN.txt]\n"
    "                  the encrypted report file for the network version (or its plain text)\n"
    "  summary --by level|state|group:ID [--tables LIST] -o OUT.xlsx\n"
    "                  the summary workbook from the template beside the program\n"
    "  query (FIELD | --codes) OP NUMBER [and|or OP NUMBER] [-o OUT.xlsx] [--db OUT.mdb]\n"
    "  query --where CONDITION [-o OUT.xlsx] [--db OUT.mdb]\n"
    "                  the records of an indicator, code range or own condition, and their\n"
    "                  export\n"
    "  export-list [--range LOW HIGH | --group-item ID] [--tables LIST] -o OUT.xlsx\n"
    "                  the data list of the chosen survey tables\n"
    "  print CODE -o OUT.xlsx\n"
    "                  the annual report of one record from the template beside the program\n"
    "  encrypt SRC DST --key TEXT\n"
    "                  encrypt any file the way the report file is encrypted\n"
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
    const ScopedUpgradeNotice notice([&err](const std::string& text) { err << text << '\n'; });
    // What a killed run left in the clear goes before anything else happens.
    RemoveStaleTempFiles(context.programFolder);
    RemoveStaleTempFiles(check::TemporaryFolder());
    try {
        if (command == "info") return RunInfo(context);
        if (command == "check") return RunCheck(context);
        if (command == "export-package") return RunExportPackage(context);
        if (command == "import") return RunImport(context);
        if (command == "backup") return RunBackup(context);
        if (command == "groups") return RunGroups(context);
        if (command == "export-network") return RunExportNetwork(context);
        if (command == "encrypt") return RunEncrypt(context);
        if (command == "summary") return RunSummary(context);
        if (command == "query") return RunQuery(context);
        if (command == "export-list") return RunExportList(context);
        if (command == "print") return RunPrint(context);
        if (command == "locate") return RunLocate(context);
        if (command == "rules") return RunRules(context);
    } catch (const UserError& error) {
        err << error.what() << '\n';
        return 1;
    } catch (const std::exception& error) {
        // The engine's English texts are said in the system's language, with what to do.
        err << ErrorText(error) << '\n';
        return 1;
    }
    err << "unknown command: " << command << "\n\n" << kUsage;
    return 2;
}

}  // namespace tallwick::cli
