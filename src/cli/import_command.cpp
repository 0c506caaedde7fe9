// tallwick-cli import FILE [--yes] [--on-conflict refuse|keep|replace]: adds the records of a
// data package (.dat) or a backup (.mdb). Without --yes it only prints the confirmation question.
// When codes collide, refuse (the default) imports nothing and prints the path of the conflict
// report; keep adds only the new codes; replace adds them and replaces the colliding records.
#include "command.h"
#include "terminal_progress.h"

#include "check/check_report.h"
#include "exchange/conflict_resolution.h"
#include "exchange/data_import.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <optional>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli import FILE [--yes] [--on-conflict refuse|keep|replace]\n";

std::optional<exchange::CollisionHandling> ParseHandling(const std::string& text) {
    if (text == "refuse") return exchange::CollisionHandling::Refuse;
    if (text == "keep") return exchange::CollisionHandling::Keep;
    if (text == "replace") return exchange::CollisionHandling::Replace;
    return std::nullopt;
}

}  // namespace

int RunImport(const CommandContext& context) {
    std::string file;
    bool confirmed = false;
    bool usable = true;
    exchange::CollisionHandling handling = exchange::CollisionHandling::Refuse;
    const auto& args = context.args;
    for (std::size_t i = 0; i < args.size() && usable; ++i) {
        if (args[i] == "--yes") {
            confirmed = true;
        } else if (args[i] == "--on-conflict" && i + 1 < args.size()) {
            const auto parsed = ParseHandling(args[++i]);
            usable = parsed.has_value();
            if (parsed) handling = *parsed;
        } else if (file.empty() && !args[i].starts_with("-")) {
            file = args[i];
        } else {
            usable = false;
        }
    }
    if (file.empty() || !usable) {
        context.err << kUsage;
        return 2;
    }

    // The working database changes: no other program's operation may interleave with this one.
    const auto lock = DataFolderLock::Acquire(context.programFolder);
    auto connection = DatabaseConnection::Open(context.programFolder);
    const auto prepared = exchange::PrepareImport(connection.Db(), file, context.programFolder);
    context.out << prepared.ConfirmationQuestion() << '\n';
    if (!confirmed) return 0;

    TerminalProgress bar(context.err, context.progressOnTerminal);
    const auto progress = [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); };
    const auto result = handling == exchange::CollisionHandling::Refuse
                            ? exchange::TransferImport(connection.Db(), prepared,
                                                       check::TemporaryFolder(), progress)
                            : exchange::ImportWithDecisions(
                                  connection.Db(), prepared,
                                  exchange::DecisionsForAll(connection.Db(), prepared, handling),
                                  check::TemporaryFolder(), progress);
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
