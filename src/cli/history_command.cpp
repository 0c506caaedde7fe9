// tallwick-cli history CODE [--json]: the change history of one record, newest first, one line
// per change: TIME, OPERATION, FIELD, OLD and NEW separated by tabs (FIELD, OLD and NEW empty for
// a change of the whole record).
#include "arguments.h"
#include "command.h"
#include "json_text.h"

#include "entry/record_io.h"
#include "history/history_reading.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli history CODE [--json]\n";

std::optional<double> ParseCode(const std::string& text) {
    const auto value = ParseExactly<std::int64_t>(text);
    if (!value || *value < 0 || *value > 99999999999999) return std::nullopt;
    return static_cast<double>(*value);
}

// One change per line, whatever a stored text holds.
std::string OnOneLine(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

void WriteJson(std::ostream& out, const std::vector<history::HistoryEntry>& entries) {
    out << '[';
    const char* separator = "\n";
    for (const history::HistoryEntry& entry : entries) {
        out << separator << "{\"time\": " << JsonString(entry.time)
            << ", \"operation\": " << JsonString(entry.operation)
            << ", \"field\": " << JsonString(entry.field)
            << ", \"question\": " << JsonString(entry.question)
            << ", \"old\": " << JsonString(entry.oldValue)
            << ", \"new\": " << JsonString(entry.newValue)
            << ", \"processor\": " << JsonString(entry.processor) << '}';
        separator = ",\n";
    }
    out << (entries.empty() ? "]\n" : "\n]\n");
}

}  // namespace

int RunHistory(const CommandContext& context) {
    std::optional<double> code;
    bool json = false;
    bool usage = false;
    for (const auto& arg : context.args) {
        if (arg == "--json") {
            json = true;
        } else if (!code) {
            code = ParseCode(arg);
            usage = usage || !code;
        } else {
            usage = true;
        }
    }
    if (!code || usage) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const std::string codeText = entry::CodeText(*code);
    if (!history::IsKnownCode(connection.Db(), *code)) {
        context.err << "没有编号为" << codeText << "的记录，也没有它的修改记录。\n";
        return 1;
    }
    const auto entries = history::ReadRecordHistory(connection.Db(), *code);
    if (json) {
        WriteJson(context.out, entries);
        return 0;
    }
    if (entries.empty()) context.err << "编号为" << codeText << "的记录还没有修改记录。\n";
    for (const history::HistoryEntry& entry : entries) {
        context.out << entry.time << '\t' << entry.operation << '\t' << entry.field << '\t'
                    << OnOneLine(entry.oldValue) << '\t' << OnOneLine(entry.newValue) << '\n';
    }
    return 0;
}

}  // namespace tallwick::cli
