#include "command.h"

#include "check/check_report.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/user_error.h"
#include "store/connection.h"
#include "store/program_folder.h"
#include "store/safety_copy.h"
#include "store/schema_version.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string_view>
#include <utility>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli [--data-dir DIR] COMMAND [ARGS]\n"
    "       tallwick-cli --version\n"
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
    "  review [--top N] [--json]\n"
    "                  the records that pass the rules but are probably wrong, highest score\n"
    "                  first: code, score, field, value and the range usually reported\n"
    "  export-package --provider NAME -o OUT.dat\n"
    "                  the clean records as a protected package for the offline version\n"
    "  import FILE [--yes] [--on-conflict refuse|keep|replace]\n"
    "                  import a package or backup (without --yes: show what would happen);\n"
    "                  codes already present refuse the import (default), keep the existing\n"
    "                  records or are replaced by the incoming ones\n"
    "  imports [--json]\n"
    "                  the history of imports and restores, newest first\n"
    "  backup -o OUT.mdb\n"
    "                  a consistent copy of the working database\n"
    "  backups         the safety copies made before bulk changes, newest first\n"
    "  restore FILE [--yes]\n"
    "                  replace the working database with a backup or safety copy\n"
    "                  (without --yes: show what would happen)\n"
    "  groups export -o FILE | groups import FILE\n"
    "                  transfer the custom groupings\n"
    "  export-network [-o OUT.dat] [--plain PLAIN.txt]\n"
    "                  the encrypted report file for the network version (or its plain text)\n"
    "  summary --by level|state|group:ID [--tables LIST] -o OUT.xlsx\n"
    "                  the summary workbook from the delivered template\n"
    "  query (FIELD | --codes) OP NUMBER [and|or OP NUMBER] [-o OUT.xlsx] [--db OUT.mdb]\n"
    "  query --where CONDITION [-o OUT.xlsx] [--db OUT.mdb]\n"
    "                  the records of an indicator, code range or own condition, and their\n"
    "                  export\n"
    "  export-list [--range LOW HIGH | --group-item ID] [--tables LIST] -o OUT.xlsx\n"
    "                  the data list of the chosen survey tables\n"
    "  print CODE -o OUT.xlsx\n"
    "                  the annual report of one record from the delivered template\n"
    "  history CODE [--json]\n"
    "                  the changes of one record, newest first: time, operation, field, old and\n"
    "                  new value, separated by tabs\n"
    "  compare FILE [--json]\n"
    "                  compare the records with a second keying of the same forms (another\n"
    "                  data folder's database, a backup or a package): code, field, this\n"
    "                  value and the other, then ONLY-HERE and ONLY-THERE codes\n"
    "  verification [--json]\n"
    "                  the rates of the verification keying per first keying's processor\n"
    "                  and overall (*): records, answers keyed, differences, confirmed,\n"
    "                  withdrawn, differences and confirmed errors per 1,000 answers\n"
    "  encrypt SRC DST --key TEXT\n"
    "                  encrypt any file the way the report file is encrypted\n"
    "\n"
    "The data folder holds 2018NB_qd_201809251730.mdb; without --data-dir it is\n"
    "$TALLWICK_DATA_DIR, else the folder of this program when it holds a database that\n"
    "may be written, else $XDG_DATA_HOME/Tallwick (~/.local/share/Tallwick), which gets a\n"
    "copy of the delivered database on first use. `info` names the file in use.\n";

using CommandFunction = int (*)(const CommandContext&);
constexpr std::pair<std::string_view, CommandFunction> kCommands[] = {
    {"info", RunInfo},
    {"check", RunCheck},
    {"export-package", RunExportPackage},
    {"import", RunImport},
    {"backup", RunBackup},
    {"groups", RunGroups},
    {"export-network", RunExportNetwork},
    {"encrypt", RunEncrypt},
    {"summary", RunSummary},
    {"query", RunQuery},
    {"export-list", RunExportList},
    {"print", RunPrint},
    {"history", RunHistory},
    {"backups", RunBackups},
    {"restore", RunRestore},
    {"imports", RunImports},
    {"locate", RunLocate},
    {"rules", RunRules},
    {"review", RunReview},
    {"compare", RunCompare},
    {"verification", RunVerification},
};

}  // namespace

int RunCommandLine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                   bool progressOnTerminal) {
    std::optional<std::filesystem::path> dataDir;
    size_t next = 0;
    while (next < argv.size() && argv[next].starts_with("--")) {
        if (argv[next] == "--data-dir" && next + 1 < argv.size()) {
            dataDir = argv[next + 1];
            next += 2;
        } else if (argv[next] == "--version") {
            out << "tallwick-cli " << TALLWICK_VERSION << '\n';
            return 0;
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
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const auto& entry) { return command == entry.first; });
    // Before the data folder is chosen: a mistyped command must not make the user's folder.
    if (found == std::end(kCommands)) {
        err << "unknown command: " << command << "\n\n" << kUsage;
        return 2;
    }
    const ScopedUpgradeNotice notice([&err](const std::string& text) { err << text << '\n'; });
    std::filesystem::path workingDatabase;
    try {
        // Inside the try: the user's data folder may have to be made first, which can fail.
        const CommandContext context{{argv.begin() + static_cast<long>(next) + 1, argv.end()},
                                     ResolveProgramFolder(dataDir),
                                     out,
                                     err,
                                     progressOnTerminal};
        workingDatabase = context.programFolder / kDatabaseFileName;
        // What a killed run left in the clear goes before anything else happens.
        RemoveStaleTempFiles(context.programFolder);
        RemoveStaleTempFiles(SafetyCopyFolder(context.programFolder));
        RemoveStaleTempFiles(check::TemporaryFolder());
        RemoveStaleTempFilesOfListedFolders(context.programFolder);
        ListTempFoldersIn(context.programFolder);
        return found->second(context);
    } catch (const UserError& error) {
        err << error.what() << '\n';
        return 1;
    } catch (const std::exception& error) {
        // The engine's and the file system's English texts are said in the system's language,
        // naming the file and what to do.
        err << "运行中发生错误：" << FailureText(error, workingDatabase, workingDatabase) << '\n';
        return 1;
    }
}

}  // namespace tallwick::cli
