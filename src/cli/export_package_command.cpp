// tallwick-cli export-package --provider NAME -o OUT.dat: the offline-version data package of
// the clean records, labelled with the provider's name.
#include "blocked_records_refusal.h"
#include "command.h"
#include "terminal_progress.h"

#include "common/user_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/file_names.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/program_folder.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli export-package --provider NAME -o OUT.dat\n";

}  // namespace

int RunExportPackage(const CommandContext& context) {
    std::optional<std::string> provider;
    std::string output;
    const auto& args = context.args;
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--provider") {
            provider = args[i + 1];
        } else if (args[i] == "-o") {
            output = exchange::TrimBlanks(args[i + 1]);
        } else {
            context.err << kUsage;
            return 2;
        }
    }
    if (args.size() % 2 != 0 || !provider || output.empty()) {
        context.err << kUsage;
        return 2;
    }

    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    RefuseForBlockedRecords(connection.Db(), exchange::messages::kExportBlocked);
    exchange::CheckExportedLimits(connection.Db());
    if (const auto problem = exchange::ProviderNameProblem(*provider)) throw UserError(*problem);

    TerminalProgress bar(context.err, context.progressOnTerminal);
    const auto result = exchange::ExportPackage(
        connection.Db(), exchange::PackageTemplatePath(context.programFolder),
        exchange::WithPackageExtension(output), *provider,
        [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
    bar.Finish();
    context.out << result.message << '\n';
    return 0;
}

}  // namespace tallwick::cli
