// tallwick-cli imports [--json]: the history of imports and restores, newest first. The text
// form is one line per entry: TIME, OPERATION, FILE, LABEL, RECORDS, ADDED, REPLACED, KEPT and
// OUTCOME, separated by tabs.
#include "command.h"
#include "json_text.h"

#include "exchange/import_history.h"
#include "store/data_folder_lock.h"

#include <ostream>

namespace tallwick::cli {
namespace {

// Messages may span lines; a line of the list must not.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return text;
}

}  // namespace

int RunImports(const CommandContext& context) {
    bool json = false;
    for (const auto& arg : context.args) {
        if (arg != "--json") {
            context.err << "usage: tallwick-cli imports [--json]\n";
            return 2;
        }
        json = true;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const auto history = exchange::ReadHistory(connection.Db());
    if (!json) {
        for (const auto& entry : history) {
            context.out << entry.time << '\t' << entry.operation << '\t' << OneLine(entry.fileName)
                        << '\t' << OneLine(entry.label) << '\t' << entry.records << '\t'
                        << entry.added << '\t' << entry.replaced << '\t' << entry.kept << '\t'
                        << OneLine(entry.outcome) << '\n';
        }
        return 0;
    }
    context.out << '[';
    const char* separator = "";
    for (const auto& entry : history) {
        context.out << separator << "{\"time\": " << JsonString(entry.time)
                    << ", \"operation\": " << JsonString(entry.operation)
                    << ", \"file\": " << JsonString(entry.fileName)
                    << ", \"label\": " << JsonString(entry.label)
                    << ", \"records\": " << entry.records << ", \"added\": " << entry.added
                    << ", \"replaced\": " << entry.replaced << ", \"kept\": " << entry.kept
                    << ", \"succeeded\": " << (entry.succeeded ? "true" : "false")
                    << ", \"outcome\": " << JsonString(entry.outcome) << '}';
        separator = ", ";
    }
    context.out << "]\n";
    return 0;
}

}  // namespace tallwick::cli
