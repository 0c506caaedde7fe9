// tallwick-cli import FILE [--yes]: adds the records of a data package (.dat) or a backup (.mdb).
// Without --yes it only prints the confirmation question. When codes collide nothing is
// imported and the path of the conflict report is printed.
#include "command.h"
#include "terminal_progress.h"

#include "check/check_report.h"
#include "exchange/data_import.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <ostream>

namespace tallwick::cli {

int RunImport(const CommandContext& context) {
    std::string file;
    bool confirmed = false;
    for (const auto& arg : context.args) {
        if (arg == "--yes") {
            confirmed = true;
        } else if (file.empty() && !arg.starts_with("-")) {
            file = arg;
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty()) {
        context.err << "usage: tallwick-cli import FILE [--yes]\n";
        return 2;
    }

    // The working database changes: no other program's operation may interleave with this one.
    const auto lock = DataFolderLock::Acquire(context.programFolder);
    auto connection = DatabaseConnection::Open(context.programFolder);
    const auto prepared = exchange::PrepareImport(connection.Db(), file, context.programFolder);
    context.out << prepared.ConfirmationQuestion() << '\n';
    if (!confirmed) return 0;

    TerminalProgress bar(context.err, context.progressOnTerminal);
    const auto result = exchange::TransferImport(
        connection.Db(), prepared, check::TemporaryFolder(),
        [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
    bar.Finish();
    if (result.conflictReport) context.out << result.conflictReport->string() << '\n';
    if (!result.imported) {
        context.err << result.message << '\n';
        return 1;
    }
    context.out << result.message << '\n';
    return 0;
}

}  // namespace tallwick::cli
