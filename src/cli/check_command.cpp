// tallwick-cli check (--all | --range LOW HIGH | --codes C1,C2,...) [--locate]: a check run over
// stored records with the compiled rules. Records that pass are marked clean. The result file
// goes to the temporary folder; its path and the totals are printed, the file is not opened.
// With --locate each record's errors are followed by the answers to look at first.
#include "arguments.h"
#include "command.h"
#include "terminal_progress.h"

#include "check/check_report.h"
#include "check/check_run.h"
#include "check/compiled_rules.h"
#include "check/field_hints.h"
#include "locate/locate_worker.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli check (--all | --range LOW HIGH | --codes C1,C2,...) [--locate]\n";

std::optional<std::vector<double>> ParseCodes(const std::string& list) {
    auto codes = ParseCommaList<double>(list);
    if (!codes || codes->empty()) return std::nullopt;
    // "nan" and "inf" read as numbers, but no record has them for a code.
    if (!std::all_of(codes->begin(), codes->end(), [](double code) { return std::isfinite(code); }))
        return std::nullopt;
    return codes;
}

std::optional<check::CheckScope> ParseScope(const std::vector<std::string>& args) {
    if (args.size() == 1 && args[0] == "--all") return check::CheckScope::All();
    if (args.size() == 3 && args[0] == "--range")
        return check::ParseRangeEntry(args[1], args[2]).scope;
    if (args.size() == 2 && args[0] == "--codes") {
        if (auto codes = ParseCodes(args[1])) {
            return codes->size() == 1 ? check::CheckScope::One(codes->front())
                                      : check::CheckScope::Selection(std::move(*codes));
        }
    }
    return std::nullopt;
}

}  // namespace

int RunCheck(const CommandContext& context) {
    std::vector<std::string> args = context.args;
    const auto locateFlag = std::find(args.begin(), args.end(), "--locate");
    const bool locate = locateFlag != args.end();
    if (locate) args.erase(locateFlag);
    const auto scope = ParseScope(args);
    if (!scope) {
        context.err << kUsage;
        return 2;
    }
    // The working database changes: no other program's operation may interleave with this one.
    const auto lock = DataFolderLock::Acquire(context.programFolder);
    auto connection = DatabaseConnection::Open(context.programFolder);
    const std::string label = connection.ReadDatabaseLabel();
    const check::FieldHints hints = check::FieldHints::Load(connection.Db());
    const check::CompiledRuleSet rules(hints);
    check::CheckReport report(check::CheckReportPath(check::TemporaryFolder(), label));
    std::optional<locate::LocateWorker> localiser;
    if (locate) {
        localiser.emplace(locate::ErrorLocaliser(locate::LocateCatalogue::Read(connection.Db()),
                                                 locate::LocateRules::Delivered()),
                          hints);
    }

    TerminalProgress bar(context.err, context.progressOnTerminal);
    check::CheckProgress progress;
    if (context.progressOnTerminal) {
        progress = [&](std::uint64_t done, std::uint64_t total) {
            bar.Update(done, total);
            return check::RunControl::Continue;
        };
    }
    const auto result = check::CheckDataset(connection.Db(), *scope, rules, report, progress, true,
                                            localiser ? localiser->Notes() : check::UnitNotes{});
    bar.Finish();

    context.out << report.Path().string() << '\n';
    if (!result.totalsWritten) {
        context.out << check::kNoLogicErrors << '\n';
        return 0;
    }
    context.out << "共有" << result.unitsWithErrors << "个单位的数据存在逻辑错误！\n"
                << "共有" << result.errorItems << "个逻辑错误项！\n";
    return 0;
}

}  // namespace tallwick::cli
