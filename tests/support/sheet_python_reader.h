#pragma once

// Reads workbooks back with openpyxl, a reader independent of the template layer, and makes the
// fixtures of the layer's tests with it.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallwick::test {

struct ReadBack {
    bool isTemplate = false;
    int activeSheet = 0;
    std::vector<std::string> sheets;
    std::map<std::string, std::string> cells;   // "Sheet!B8" -> value, formulas with "="
    std::map<std::string, std::string> bold;    // "Sheet!B8" -> "1" when bold
    std::map<std::string, std::string> align;   // "Sheet!A9" -> "left"
    std::map<std::string, double> widths;       // "Sheet!A" -> width
    std::vector<std::string> merges;            // "Sheet!A1:D1"
    std::vector<std::string> names;             // "name|localSheetId|value"
    std::map<std::string, std::string> cached;  // "Sheet!B8" -> cached value of a formula

    std::string Cell(const std::string& sheet, const std::string& cell) const {
        const auto found = cells.find(sheet + "!" + cell);
        return found == cells.end() ? std::string() : found->second;
    }
};

inline constexpr const char* kPython = "/usr/bin/python3";

inline std::string RunPython(const std::string& script, const std::vector<std::string>& args) {
    const auto scriptPath = std::filesystem::temp_directory_path() /
                            ("tallwick-openpyxl-" + std::to_string(::getpid()) + ".py");
    {
        std::unique_ptr<FILE, decltype(&fclose)> file(fopen(scriptPath.c_str(), "w"), &fclose);
        fputs(script.c_str(), file.get());
    }
    std::string command = std::string(kPython) + " '" + scriptPath.string() + "'";
    for (const auto& arg : args) command += " '" + arg + "'";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    while (std::size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
    const int status = pclose(pipe);
    std::filesystem::remove(scriptPath);
    if (status != 0) throw std::runtime_error("openpyxl failed: " + command);
    return output;
}

inline ReadBack ReadWithOpenpyxl(const std::filesystem::path& path) {
    static const std::string script = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
def esc(v):
    return str(v).replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n')
print('T\t%d\t%d' % (1 if wb.template else 0, wb.active.parent.index(wb.active) if wb.active else 0))
for ws in wb.worksheets:
    print('S\t' + ws.title)
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                v = c.value
                if isinstance(v, float) and v.is_integer():
                    v = int(v)
                print('C\t%s!%s\t%s' % (ws.title, c.coordinate, esc(v)))
            if c.has_style and c.font is not None and c.font.b:
                print('B\t%s!%s\t1' % (ws.title, c.coordinate))
            if c.has_style and c.alignment is not None and c.alignment.horizontal:
                print('A\t%s!%s\t%s' % (ws.title, c.coordinate, c.alignment.horizontal))
    for m in ws.merged_cells.ranges:
        print('M\t%s!%s' % (ws.title, m.coord))
    for letter, dim in ws.column_dimensions.items():
        if dim.width and dim.customWidth:
            print('W\t%s!%s\t%s' % (ws.title, letter, dim.width))
values = openpyxl.load_workbook(sys.argv[1], data_only=True)
for ws in wb.worksheets:
    for row in ws.iter_rows():
        for c in row:
            if isinstance(c.value, str) and c.value.startswith('='):
                v = values[ws.title][c.coordinate].value
                print('V\t%s!%s\t%s' % (ws.title, c.coordinate, '' if v is None else esc(v)))
for dn in wb.defined_names.definedName:
    print('N\t%s|%s|%s' % (dn.name, '' if dn.localSheetId is None else dn.localSheetId, dn.attr_text))
for ws in wb.worksheets:
    for name, dn in getattr(ws, 'defined_names', {}).items():
        print('N\t%s|%d|%s' % (name, wb.worksheets.index(ws), dn.attr_text))
    if ws.print_area:
        print('N\t_xlnm.Print_Area|%d|%s' % (wb.worksheets.index(ws), ws.print_area))
)PY";
    ReadBack back;
    std::istringstream lines(RunPython(script, {path.string()}));
    const auto unescape = [](const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                const char next = text[++i];
                out.push_back(next == 't' ? '\t' : next == 'n' ? '\n' : next);
            } else {
                out.push_back(text[i]);
            }
        }
        return out;
    };
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            parts.push_back(line.substr(start, tab - start));
        parts.push_back(line.substr(start));
        const std::string& kind = parts[0];
        if (kind == "T") {
            back.isTemplate = parts[1] == "1";
            back.activeSheet = std::stoi(parts[2]);
        } else if (kind == "S") {
            back.sheets.push_back(parts[1]);
        } else if (kind == "C") {
            back.cells[parts[1]] = unescape(parts[2]);
        } else if (kind == "B") {
            back.bold[parts[1]] = parts[2];
        } else if (kind == "A") {
            back.align[parts[1]] = parts[2];
        } else if (kind == "W") {
            back.widths[parts[1]] = std::stod(parts[2]);
        } else if (kind == "M") {
            back.merges.push_back(parts[1]);
        } else if (kind == "V") {
            back.cached[parts[1]] = parts[2];
        } else if (kind == "N") {
            back.names.push_back(parts[1]);
        }
    }
    return back;
}

}  // namespace tallwick::test
