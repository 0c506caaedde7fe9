// tallwick-cli print CODE -o OUT.xlsx
// The annual report of one record, filled into the template beside the program. The workbook's
// path is printed, the file is not opened.
#include "arguments.h"
#include "command.h"
#include "terminal_progress.h"

#include "print/annual_report.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/program_folder.h"

#include <cmath>
#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli print CODE -o OUT.xlsx\n";

// Codes are whole numbers of up to 14 digits, exactly representable as a double.
std::optional<double> ParseCode(const std::string& text) {
    const auto value = ParseExactly<std::int64_t>(text);
    if (!value || *value < 1 || *value > 99999999999999) return std::nullopt;
    return static_cast<double>(*value);
}

}  // namespace

int RunPrint(const CommandContext& context) {
    const auto& args = context.args;
    std::optional<double> code;
    std::filesystem::path output;
    if (args.size() == 3 && args[1] == "-o") {
        code = ParseCode(args[0]);
        output = args[2];
    } else if (args.size() == 3 && args[0] == "-o") {
        code = ParseCode(args[2]);
        output = args[1];
    }
    if (!code || output.empty()) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    TerminalProgress bar(context.err, context.progressOnTerminal);
    print::WriteAnnualReport(
        connection.Db(), DeliveredFile(context.programFolder, print::kAnnualReportTemplateName),
        *code, output, print::FinalSheet::First, [&](int done, int total) {
            bar.Update(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
        });
    bar.Finish();
    context.out << std::filesystem::absolute(output).string() << '\n';
    return 0;
}

}  // namespace tallwick::cli
