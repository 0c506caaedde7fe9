// tallwick-mksummary OUT.xltx sheets.tsv columns.tsv cover.tsv DT_FieldList.tsv
// tallwick-mksummary --table-list OUT.qd
// Build-time tool that writes the summary template from its text description: the cover, then
// one sheet per summary table whose columns follow the program's aggregate columns in order;
// or the summary dialog's saved table list with nothing ticked.
#include "sheet/cell_address.h"
#include "sheet/workbook.h"
#include "summary/summary_queries.h"
#include "summary/table_list.h"

#include "tsv_table.h"

#include <xlsxwriter.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Table = std::vector<std::vector<std::string>>;

// A tab-separated file without its header line.
Table ReadTable(const std::filesystem::path& path, std::vector<std::string>* header = nullptr) {
    tallwick::tools::TsvTable table = tallwick::tools::ReadTsv(path);
    if (header) *header = std::move(table.header);
    return std::move(table.rows);
}

std::map<std::string, std::string> ReadHints(const std::filesystem::path& path) {
    std::vector<std::string> header;
    const Table rows = ReadTable(path, &header);
    std::size_t name = header.size(), hint = header.size();
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == "FieldName") name = i;
        if (header[i] == "Hint") hint = i;
    }
    if (name == header.size() || hint == header.size())
        throw std::runtime_error(path.string() + ": no FieldName and Hint columns");
    std::map<std::string, std::string> hints;
    for (const auto& row : rows) {
        if (row.size() > std::max(name, hint)) hints[row[name]] = row[hint];
    }
    return hints;
}

struct ColumnGroup {
    std::string heading;              // rows 2 to 4, or 2 to 3 above the labels
    std::vector<std::string> labels;  // row 4, one per column; empty for a single plain column
    std::vector<std::string> codes;   // row 6
    bool total = true;                // a SUM in the total row
};

struct Headings {
    std::string count;
    std::vector<std::string> yesNo;
    std::map<std::string, std::vector<std::string>> options;
    std::map<std::string, std::string> averages;
};

Headings ReadHeadings(const std::filesystem::path& path) {
    Headings headings;
    for (const auto& row : ReadTable(path)) {
        if (row.size() < 3) throw std::runtime_error(path.string() + ": short line");
        const std::vector<std::string> labels = tallwick::tools::Split(row[2], '|');
        if (row[1] == "count")
            headings.count = row[2];
        else if (row[1] == "yesno")
            headings.yesNo = labels;
        else if (row[1] == "options")
            headings.options[row[0]] = labels;
        else if (row[1] == "average")
            headings.averages[row[0]] = row[2];
        else
            throw std::runtime_error(path.string() + ": unknown kind " + row[1]);
    }
    return headings;
}

std::vector<ColumnGroup> Columns(const tallwick::summary::SummarySheet& sheet,
                                 const std::map<std::string, std::string>& hints,
                                 const Headings& headings) {
    std::vector<ColumnGroup> groups;
    std::size_t i = 0;
    while (i < sheet.aliases.size()) {
        const std::string& alias = sheet.aliases[i];
        if (alias == "cnt") {
            groups.push_back({headings.count, {}, {"cnt"}, true});
            ++i;
            continue;
        }
        const std::string field = alias.substr(4, 4);
        std::vector<std::string> codes;
        while (i < sheet.aliases.size() && sheet.aliases[i].compare(4, 4, field) == 0)
            codes.push_back(sheet.aliases[i++].substr(4));
        const auto hint = hints.find(field);
        if (hint == hints.end()) throw std::runtime_error("no hint for " + field);
        ColumnGroup group{hint->second, {}, codes, true};
        if (codes.size() == 1 && headings.averages.count(field)) {
            group.labels = {headings.averages.at(field)};
            group.total = false;
        } else if (codes.size() == 2) {
            group.labels = headings.yesNo;
        } else if (codes.size() > 2) {
            const auto options = headings.options.find(field);
            if (options == headings.options.end() || options->second.size() != codes.size())
                throw std::runtime_error("the options of " + field + " do not match its columns");
            group.labels = options->second;
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

struct Formats {
    lxw_format* title;
    lxw_format* header;
    lxw_format* number;
    lxw_format* label;
    lxw_format* total;
    lxw_format* cell;
    lxw_format* coverTitle;
    lxw_format* coverLine;
    lxw_format* coverNote;
};

lxw_format* Bordered(lxw_workbook* book) {
    lxw_format* format = workbook_add_format(book);
    format_set_font_name(format, "宋体");
    format_set_font_size(format, 10);
    format_set_border(format, LXW_BORDER_THIN);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    return format;
}

Formats MakeFormats(lxw_workbook* book) {
    Formats f{};
    f.title = workbook_add_format(book);
    format_set_font_name(f.title, "黑体");
    format_set_font_size(f.title, 16);
    format_set_align(f.title, LXW_ALIGN_CENTER);
    format_set_align(f.title, LXW_ALIGN_VERTICAL_CENTER);
    f.header = Bordered(book);
    format_set_bold(f.header);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    format_set_text_wrap(f.header);
    f.number = Bordered(book);
    format_set_align(f.number, LXW_ALIGN_CENTER);
    f.label = Bordered(book);
    f.total = Bordered(book);
    format_set_bold(f.total);
    f.cell = Bordered(book);
    format_set_num_format(f.cell, "General");
    f.coverTitle = workbook_add_format(book);
    format_set_font_name(f.coverTitle, "黑体");
    format_set_font_size(f.coverTitle, 22);
    format_set_align(f.coverTitle, LXW_ALIGN_CENTER);
    f.coverLine = workbook_add_format(book);
    format_set_font_name(f.coverLine, "宋体");
    format_set_font_size(f.coverLine, 12);
    f.coverNote = workbook_add_format(book);
    format_set_font_name(f.coverNote, "宋体");
    format_set_font_size(f.coverNote, 10);
    format_set_italic(f.coverNote);
    return f;
}

void PageSetup(lxw_worksheet* sheet) {
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9);  // A4
    worksheet_set_margins(sheet, 0.4, 0.4, 0.6, 0.6);
    worksheet_fit_to_pages(sheet, 1, 0);
    worksheet_center_horizontally(sheet);
}

void WriteCover(lxw_workbook* book, const std::string& tab, const Table& lines, const Formats& f) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, tab.c_str());
    PageSetup(sheet);
    worksheet_set_column(sheet, 0, 0, 110, nullptr);
    for (const auto& line : lines) {
        if (line.size() < 3) throw std::runtime_error("cover: short line");
        const auto row = static_cast<lxw_row_t>(std::stoi(line[0]) - 1);
        lxw_format* format = line[1] == "title"  ? f.coverTitle
                             : line[1] == "note" ? f.coverNote
                                                 : f.coverLine;
        if (line[1] == "title") worksheet_set_row(sheet, row, 36, nullptr);
        worksheet_write_string(sheet, row, 0, line[2].c_str(), format);
    }
}

void WriteTable(lxw_workbook* book, const std::string& tab, const std::string& title,
                const std::vector<ColumnGroup>& groups, const Formats& f) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, tab.c_str());
    PageSetup(sheet);
    worksheet_repeat_rows(sheet, 0, 5);
    worksheet_freeze_panes(sheet, 7, 1);
    std::size_t columns = 0;
    for (const auto& group : groups) columns += group.codes.size();
    const auto last = static_cast<lxw_col_t>(columns);

    worksheet_set_row(sheet, 0, 30, nullptr);
    worksheet_merge_range(sheet, 0, 0, 0, last, title.c_str(), f.title);
    worksheet_merge_range(sheet, 1, 0, 3, 0, "", f.header);
    worksheet_set_column(sheet, 0, 0, 24, nullptr);
    worksheet_set_column(sheet, 1, last, 11, nullptr);
    for (lxw_row_t row = 1; row <= 3; ++row) worksheet_set_row(sheet, row, 30, nullptr);
    worksheet_set_row(sheet, 6, 4, nullptr);
    worksheet_write_string(sheet, 4, 0, "甲", f.number);
    worksheet_write_string(sheet, 5, 0, "代码", f.number);
    worksheet_write_string(sheet, 7, 0, "合计", f.total);
    worksheet_write_string(sheet, 8, 0, "其中：", f.label);
    worksheet_write_blank(sheet, 9, 0, f.label);

    lxw_col_t column = 1;
    for (const auto& group : groups) {
        const auto first = column;
        const auto width = static_cast<lxw_col_t>(group.codes.size());
        if (group.labels.empty()) {
            worksheet_merge_range(sheet, 1, first, 3, first, group.heading.c_str(), f.header);
        } else {
            if (width > 1)
                worksheet_merge_range(sheet, 1, first, 2, static_cast<lxw_col_t>(first + width - 1),
                                      group.heading.c_str(), f.header);
            else
                worksheet_merge_range(sheet, 1, first, 2, first, group.heading.c_str(), f.header);
            for (lxw_col_t k = 0; k < width; ++k)
                worksheet_write_string(sheet, 3, static_cast<lxw_col_t>(first + k),
                                       group.labels[k].c_str(), f.header);
        }
        for (lxw_col_t k = 0; k < width; ++k) {
            const auto c = static_cast<lxw_col_t>(first + k);
            worksheet_write_number(sheet, 4, c, static_cast<double>(c), f.number);
            worksheet_write_string(sheet, 5, c, group.codes[k].c_str(), f.number);
            const std::string name = tallwick::sheet::ColumnName(static_cast<int>(c) + 1);
            if (group.total) {
                const std::string formula = "=SUM(" + name + "9:" + name + "10)";
                // The group rows are empty in the template, so 0 is the true cached value.
                worksheet_write_formula_num(sheet, 7, c, formula.c_str(), f.total, 0);
            } else {
                worksheet_write_blank(sheet, 7, c, f.total);
            }
            worksheet_write_blank(sheet, 8, c, f.cell);
            worksheet_write_blank(sheet, 9, c, f.cell);
        }
        column = static_cast<lxw_col_t>(column + width);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--table-list") {
        tallwick::summary::WriteTableList(argv[2], tallwick::summary::DefaultTableList());
        return 0;
    }
    if (argc != 6) {
        std::cerr << "usage: tallwick-mksummary OUT.xltx sheets.tsv columns.tsv cover.tsv "
                     "DT_FieldList.tsv\n";
        return 2;
    }
    try {
        const std::filesystem::path out = argv[1];
        const Table sheets = ReadTable(argv[2]);
        const Headings headings = ReadHeadings(argv[3]);
        const Table cover = ReadTable(argv[4]);
        const auto hints = ReadHints(argv[5]);
        if (sheets.size() != 27) throw std::runtime_error("the template has 27 sheets");

        const std::filesystem::path draft = out.string() + ".draft.xlsx";
        lxw_workbook* book = workbook_new(draft.c_str());
        if (!book) throw std::runtime_error("cannot create " + draft.string());
        const Formats formats = MakeFormats(book);
        WriteCover(book, sheets[0].at(1), cover, formats);
        for (std::size_t i = 1; i < sheets.size(); ++i) {
            const int number = std::stoi(sheets[i].at(0));
            const auto& summary = tallwick::summary::SheetNumber(number);
            if (number != static_cast<int>(i) + 1 || sheets[i].at(2) != summary.title)
                throw std::runtime_error("sheet " + sheets[i].at(0) + " does not match its title");
            WriteTable(book, sheets[i].at(1), summary.title, Columns(summary, hints, headings),
                       formats);
        }
        if (const lxw_error error = workbook_close(book); error != LXW_NO_ERROR)
            throw std::runtime_error(std::string("cannot write the template: ") +
                                     lxw_strerror(error));
        tallwick::sheet::Workbook::OpenTemplate(draft).SaveAsTemplate(out);
        std::filesystem::remove(draft);
    } catch (const std::exception& error) {
        std::cerr << "tallwick-mksummary: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
