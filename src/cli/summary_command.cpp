// tallwick-cli summary --by level|state|group:ID [--tables LIST] -o OUT.xlsx
// The summary workbook from the template beside the program: one row per union level, reporting
// state or item of a custom grouping on each chosen sheet (LIST: sheet numbers 1 to 27, comma
// separated; all of them by default). The workbook's path is printed, the file is not opened.
#include "arguments.h"
#include "command.h"
#include "terminal_progress.h"

#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/program_folder.h"
#include "summary/summary_workbook.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage =
    "usage: tallwick-cli summary --by level|state|group:ID [--tables LIST] -o OUT.xlsx\n"
    "       LIST: sheet numbers 1 (the cover) to 27, comma separated; all by default\n";

constexpr const char* kNoSheetChosen = "请至少选择一个表格进行汇总。";

struct SummaryArguments {
    summary::SummaryRequest request;
    std::filesystem::path output;
};

bool ParseGrouping(const std::string& text, summary::SummaryRequest& request) {
    if (text == "level") {
        request.grouping = summary::Grouping::Level;
    } else if (text == "state") {
        request.grouping = summary::Grouping::State;
    } else if (text.starts_with("group:")) {
        const auto id = ParseExactly<std::int64_t>(std::string_view(text).substr(6));
        if (!id || *id < 0) return false;
        request.grouping = summary::Grouping::Custom;
        request.groupId = *id;
    } else {
        return false;
    }
    return true;
}

std::optional<SummaryArguments> ParseArguments(const std::vector<std::string>& args) {
    SummaryArguments parsed;
    parsed.request.sheets.fill(true);
    bool grouping = false;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        if (option == "--by") {
            if (!ParseGrouping(value, parsed.request)) return std::nullopt;
            grouping = true;
        } else if (option == "--tables") {
            const auto sheets = ParseTicks<summary::kWorkbookSheets>(value);
            if (!sheets) return std::nullopt;
            parsed.request.sheets = *sheets;
        } else if (option == "-o") {
            parsed.output = value;
        } else {
            return std::nullopt;
        }
    }
    if (args.size() % 2 != 0 || !grouping || parsed.output.empty()) return std::nullopt;
    return parsed;
}

}  // namespace

int RunSummary(const CommandContext& context) {
    const auto arguments = ParseArguments(context.args);
    if (!arguments) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    TerminalProgress bar(context.err, context.progressOnTerminal);
    const auto outcome = summary::WriteSummaryWorkbook(
        connection.Db(), DeliveredFile(context.programFolder, summary::kSummaryTemplateName),
        arguments->request, arguments->output, [&](const summary::SummaryProgressState& state) {
            bar.Update(static_cast<std::uint64_t>(state.sheetsDone),
                       static_cast<std::uint64_t>(state.sheetsTotal));
        });
    bar.Finish();
    if (outcome == summary::SummaryOutcome::NothingTicked) {
        context.err << kNoSheetChosen << '\n';
        return 1;
    }
    context.out << std::filesystem::absolute(arguments->output).string() << '\n';
    return 0;
}

}  // namespace tallwick::cli
