// tallwick-cli export-network [-o OUT.dat] [--plain PLAIN.txt]: the network-version report of
// the whole working database. -o writes the encrypted report (".dat" appended unless the name
// ends in it); --plain writes the plain GBK text instead, for inspection. Both may be given.
#include "blocked_records_refusal.h"
#include "command.h"
#include "terminal_progress.h"

#include "exchange/network_report.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <ostream>
#include <system_error>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli export-network [-o OUT.dat] [--plain PLAIN.txt]\n";

}  // namespace

int RunExportNetwork(const CommandContext& context) {
    std::optional<std::filesystem::path> encrypted;
    std::optional<std::filesystem::path> plain;
    const auto& args = context.args;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        auto& slot = args[i] == "-o" ? encrypted : plain;
        if ((args[i] != "-o" && args[i] != "--plain") || i + 1 == args.size() || slot ||
            args[i + 1].empty()) {
            context.err << kUsage;
            return 2;
        }
        slot = args[i + 1];
    }
    if (!encrypted && !plain) {
        context.err << kUsage;
        return 2;
    }

    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    RefuseForBlockedRecords(connection.Db(), exchange::kIncompleteDataMessage);
    // One bar per file written, so each starts drawing from 0 %.
    const auto run = [&](const auto& write) {
        TerminalProgress bar(context.err, context.progressOnTerminal);
        write([&](std::uint64_t done, std::uint64_t total) {
            bar.Update(done, total);
            return check::RunControl::Continue;
        });
    };
    try {
        if (encrypted) {
            const auto paths = exchange::NetworkReportPathsFor(*encrypted);
            run([&](const auto& progress) {
                exchange::ExportNetworkReport(connection.Db(), paths, progress);
            });
            context.out << paths.target.string() << '\n';
        }
        if (plain) {
            run([&](const auto& progress) {
                exchange::ExportNetworkReportPlain(connection.Db(), *plain, progress);
            });
            context.out << plain->string() << '\n';
        }
    } catch (const std::system_error& error) {
        context.err << error.what() << '\n';
        return 1;
    }
    context.out << exchange::kNetworkReportDone << '\n';
    return 0;
}

}  // namespace tallwick::cli
