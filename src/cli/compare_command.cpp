// tallwick-cli compare FILE [--json]: the working database against another keying of the same
// forms (another data folder's database, a backup or a package). One line per differing answer,
// CODE, FIELD, THIS and OTHER separated by tabs, then ONLY-HERE and ONLY-THERE lines for the
// codes that only one side holds. Exit 0 whenever the comparison ran, whatever it found.
#include "command.h"
#include "json_text.h"

#include "entry/record_io.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "verify/keying_comparison.h"

#include <ostream>

namespace tallwick::cli {
namespace {

constexpr const char* kUsage = "usage: tallwick-cli compare FILE [--json]\n";

// One answer per line, whatever a stored text holds.
std::string OnOneLine(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

void WriteCodes(std::ostream& out, const std::vector<double>& codes) {
    out << '[';
    const char* separator = "";
    for (const double code : codes) {
        out << separator << entry::CodeText(code);
        separator = ", ";
    }
    out << ']';
}

void WriteJson(std::ostream& out, const verify::KeyingComparison& result) {
    out << "{\"recordsCompared\": " << result.recordsCompared << ",\n\"differences\": [";
    const char* separator = "\n";
    for (const auto& difference : result.differences) {
        out << separator << "{\"code\": " << entry::CodeText(difference.code)
            << ", \"field\": " << JsonString(difference.field)
            << ", \"question\": " << JsonString(difference.question)
            << ", \"this\": " << JsonString(verify::ValueText(difference.here))
            << ", \"other\": " << JsonString(verify::ValueText(difference.there)) << '}';
        separator = ",\n";
    }
    out << (result.differences.empty() ? "],\n" : "\n],\n") << "\"onlyHere\": ";
    WriteCodes(out, result.onlyHere);
    out << ",\n\"onlyThere\": ";
    WriteCodes(out, result.onlyThere);
    out << "}\n";
}

}  // namespace

int RunCompare(const CommandContext& context) {
    std::string file;
    bool json = false;
    bool usable = true;
    for (const auto& arg : context.args) {
        if (arg == "--json")
            json = true;
        else if (file.empty() && !arg.starts_with("-"))
            file = arg;
        else
            usable = false;
    }
    if (file.empty() || !usable) {
        context.err << kUsage;
        return 2;
    }
    auto connection = OpenWorkingDatabaseToRead(context.programFolder);
    const auto result = verify::CompareKeyings(connection.Db(), file, context.programFolder);
    if (json) {
        WriteJson(context.out, result);
        return 0;
    }
    for (const auto& difference : result.differences) {
        context.out << entry::CodeText(difference.code) << '\t' << difference.field << '\t'
                    << OnOneLine(verify::ValueText(difference.here)) << '\t'
                    << OnOneLine(verify::ValueText(difference.there)) << '\n';
    }
    for (const double code : result.onlyHere)
        context.out << "ONLY-HERE\t" << entry::CodeText(code) << '\n';
    for (const double code : result.onlyThere)
        context.out << "ONLY-THERE\t" << entry::CodeText(code) << '\n';
    return 0;
}

}  // namespace tallwick::cli
