// tallwick-cli backup -o OUT.mdb: a consistent copy of the working database.
#include "command.h"
#include "terminal_progress.h"

#include "exchange/backup.h"
#include "exchange/file_names.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <ostream>

namespace tallwick::cli {

int RunBackup(const CommandContext& context) {
    const auto& args = context.args;
    const std::string output =
        args.size() == 2 && args[0] == "-o" ? exchange::TrimBlanks(args[1]) : std::string();
    if (output.empty()) {
        context.err << "usage: tallwick-cli backup -o OUT.mdb\n";
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    TerminalProgress bar(context.err, context.progressOnTerminal);
    const std::string message = exchange::BackupDatabase(
        connection.Db(), exchange::WithExtension(output, ".mdb"),
        [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
    bar.Finish();
    context.out << message << '\n';
    return 0;
}

}  // namespace tallwick::cli
