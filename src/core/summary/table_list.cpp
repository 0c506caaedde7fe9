#include "summary/table_list.h"

#include "common/file_io.h"

namespace tallwick::summary {

const std::vector<TableListLine>& DefaultTableList() {
    static const std::vector<TableListLine> lines = {
        {"封面       ", true, 0},
        {"//表一 工会组织建设及民主参与状况   ", false, 0},
        {"工会组织建设及民主参与状况统计表1       ", true, 0},
        {"工会组织建设及民主参与状况统计表2       ", true, 0},
        {"工会组织建设及民主参与状况统计表3", true, 0},
        {"//表二 工会干部协管及教育培训工作       ", false, 0},
        {"工会干部协管及教育培训工作统计表1       ", true, 0},
        {"工会干部协管及教育培训工作统计表2       ", true, 0},
        {"//表三 工会权益保障及集体合同工作       ", false, 0},
        {"工会权益保障及集体合同工作统计表1       ", true, 0},
        {"工会权益保障及集体合同工作统计表2       ", true, 0},
        {"工会权益保障及集体合同工作统计表3       ", true, 0},
        {"工会权益保障及集体合同工作统计表4       ", true, 0},
        {"//表四 工会法律工作       ", false, 0},
        {"工会法律工作统计表1       ", true, 0},
        {"工会法律工作统计表2       ", true, 0},
        {"//表五 工会劳动保护工作       ", false, 0},
        {"工会劳动保护工作统计表       ", true, 0},
        {"//表六 工会经济技术工作       ", false, 0},
        {"工会经济技术工作统计表1       ", true, 0},
        {"工会经济技术工作统计表2       ", true, 0},
        {"//表七 工会财务和经费审查工作      ", false, 0},
        {"工会财务和经费审查工作统计表1 ", true, 0},
        {"工会财务和经费审查工作统计表2", true, 0},
        {"工会财务和经费审查工作统计表3 ", true, 0},
        {"//表八 工会宣传教育和职工文化体育工作       ", false, 0},
        {"工会宣传教育和职工文化体育工作统计表       ", true, 0},
        {"//表九 工会网络工作       ", false, 0},
        {"工会网络工作统计表       ", true, 0},
        {"//表十 工会国际交流工作       ", false, 0},
        {"工会国际交流工作统计表       ", true, 0},
        {"//附表1 工会干部队伍情况", false, 0},
        {"工会干部队伍情况统计表1", true, 0},
        {"工会干部队伍情况统计表2", true, 0},
        {"工会干部队伍情况统计表3", true, 0},
        {"//附表1续 工会领导班子情况", false, 0},
        {"工会领导班子情况统计表1", true, 0},
        {"工会领导班子情况统计表2", true, 0},
        {"//附表2 工会经费审查工作情况", false, 0},
        {"工会经费审查工作情况统计表", true, 0},
    };
    return lines;
}

std::vector<TableListLine> ParseTableList(std::string_view content) {
    std::vector<TableListLine> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() >= 4 && line[0] == '&') {
            TableListLine parsed{std::string(line.substr(std::min<std::size_t>(5, line.size()))),
                                 line[1] == '1',
                                 line[3] >= '0' && line[3] <= '2' ? line[3] - '0' : 0};
            if (!parsed.text.empty() && parsed.text.back() == ' ') parsed.text.pop_back();
            lines.push_back(std::move(parsed));
        } else {
            lines.push_back({std::string(line), true, 0});
        }
    }
    return lines;
}

std::string FormatTableList(const std::vector<TableListLine>& lines) {
    std::string content;
    for (const TableListLine& line : lines) {
        content += '&';
        content += line.enabled ? '1' : '0';
        content += ' ';
        content += static_cast<char>('0' + line.tick);
        content += ' ';
        content += line.text;
        content += " \r\n";
    }
    return content;
}

std::vector<TableListLine> ReadTableList(const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) return DefaultTableList();
    const std::vector<unsigned char> bytes = ReadWholeFile(file);
    return ParseTableList(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WriteTableList(const std::filesystem::path& file, const std::vector<TableListLine>& lines) {
    const std::string content = FormatTableList(lines);
    WriteFileAtomically(file, std::vector<unsigned char>(content.begin(), content.end()));
}

std::array<bool, kWorkbookSheets> TickedSheets(const std::vector<TableListLine>& lines) {
    std::array<bool, kWorkbookSheets> sheets{};
    std::size_t sheet = 0;
    for (const TableListLine& line : lines) {
        if (line.IsGroup()) continue;
        if (sheet == sheets.size()) break;
        sheets[sheet++] = line.tick != 0;
    }
    return sheets;
}

}  // namespace tallwick::summary
