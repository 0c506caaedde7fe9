// tallwick-mkprint OUT.xltx sheets.tsv items.tsv headings.tsv cover.tsv ct_sheetName.tsv
//                  DT_FieldList.tsv
// Build-time tool that writes the annual report template: the cover and one sheet per survey
// page, laid out like the paper form. Every value cell stands where the field catalogue's
// printPageID and printplace say, so the program that fills the cells and the template agree.
#include "sheet/cell_address.h"
#include "sheet/text_width.h"
#include "sheet/workbook.h"
#include "tsv_table.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSheets = 14;
constexpr int kFirstFieldRow = 5;  // title, note and the two heading rows come first
constexpr int kValueColumn = 4;    // D: label, code and unit stand left of it
constexpr double kLabelWidth = 56;
constexpr double kCoverLabelWidth = 44;
constexpr double kCoverValueWidth = 46;

const std::string& Need(const std::map<std::string, std::string>& row, const std::string& column,
                        const std::filesystem::path& path) {
    const auto found = row.find(column);
    if (found == row.end()) throw std::runtime_error(path.string() + ": no column " + column);
    return found->second;
}

int Number(const std::string& text, const std::string& what) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw std::runtime_error(what + ": not a number: " + text);
    return value;
}

struct Field {
    std::string name;
    std::string hint;
    std::string type;  // FieldType: Double, Long, Text(n), Boolean-coded
    int sheet = 0;
    tallwick::sheet::CellAddress cell;
    std::string label;
    std::string unit;
};

struct Heading {
    int row = 0;
    bool section = false;
    std::string text;
};

struct SheetText {
    std::string tab;
    std::string title;
    std::string note;
};

struct CoverText {
    int row = 0;
    int column = 0;
    std::string style;
    std::string text;
};

// The catalogue's printable fields with their cells; every address is checked here because the
// program writes to them blindly.
std::vector<Field> ReadFields(const std::filesystem::path& path) {
    std::vector<Field> fields;
    std::map<std::pair<int, std::string>, std::string> taken;
    for (const auto& row : tallwick::tools::ReadTsvRecords(path)) {
        const std::string& name = Need(row, "FieldName", path);
        if (Number(Need(row, "PageID", path), name + " PageID") < 0) continue;
        const std::string& sheetText = Need(row, "printPageID", path);
        const std::string& place = Need(row, "printplace", path);
        if (sheetText.empty() || place.empty())
            throw std::runtime_error(name + " has no printPageID or printplace");
        Field field;
        field.name = name;
        field.hint = Need(row, "Hint", path);
        field.type = Need(row, "FieldType", path);
        field.sheet = Number(sheetText, name + " printPageID");
        if (field.sheet < 1 || field.sheet > kSheets)
            throw std::runtime_error(name + ": no sheet " + sheetText);
        const auto cell = tallwick::sheet::ParseCellName(place);
        if (!cell || place.front() == '$')
            throw std::runtime_error(name + ": not a cell address: " + place);
        field.cell = *cell;
        const auto [other, added] = taken.emplace(std::pair(field.sheet, place), name);
        if (!added)
            throw std::runtime_error(name + " and " + other->second + " share cell " + place +
                                     " of sheet " + sheetText);
        fields.push_back(std::move(field));
    }
    if (fields.empty()) throw std::runtime_error(path.string() + ": no printable fields");
    return fields;
}

void AddItems(std::vector<Field>& fields, const std::filesystem::path& path) {
    std::map<std::string, std::pair<std::string, std::string>> items;
    for (const auto& row : tallwick::tools::ReadTsvRecords(path))
        items[Need(row, "field", path)] = {Need(row, "label", path), Need(row, "unit", path)};
    for (Field& field : fields) {
        const auto item = items.find(field.name);
        if (item == items.end()) throw std::runtime_error(field.name + " has no label");
        field.label = item->second.first.empty() ? field.hint : item->second.first;
        field.unit = item->second.second;
        items.erase(item);
    }
    if (!items.empty())
        throw std::runtime_error(path.string() + ": " + items.begin()->first +
                                 " is not a printable field");
}

std::vector<SheetText> ReadSheets(const std::filesystem::path& notesPath,
                                  const std::filesystem::path& titlesPath) {
    std::vector<SheetText> sheets(kSheets);
    for (const auto& row : tallwick::tools::ReadTsvRecords(titlesPath)) {
        const int page = Number(Need(row, "CodeID", titlesPath), "page");
        if (page < 0 || page >= kSheets)
            throw std::runtime_error("no sheet for page " + row.at("CodeID"));
        const std::string& title = Need(row, "CodeName", titlesPath);
        sheets[static_cast<std::size_t>(page)].title = title;
        sheets[static_cast<std::size_t>(page)].tab = title.substr(0, title.find(' '));
    }
    for (const auto& row : tallwick::tools::ReadTsvRecords(notesPath)) {
        const int sheet = Number(Need(row, "sheet", notesPath), "sheet");
        if (sheet < 1 || sheet > kSheets) throw std::runtime_error("no sheet " + row.at("sheet"));
        sheets[static_cast<std::size_t>(sheet - 1)].note = Need(row, "note", notesPath);
    }
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].tab.empty())
            throw std::runtime_error("page " + std::to_string(i) + " has no title");
    return sheets;
}

std::map<int, std::vector<Heading>> ReadHeadings(const std::filesystem::path& path) {
    std::map<int, std::vector<Heading>> headings;
    for (const auto& row : tallwick::tools::ReadTsvRecords(path)) {
        const int sheet = Number(Need(row, "sheet", path), "heading sheet");
        const std::string& style = Need(row, "style", path);
        if (style != "group" && style != "section")
            throw std::runtime_error(path.string() + ": unknown style " + style);
        headings[sheet].push_back(
            {Number(Need(row, "row", path), "heading row"), style == "section", row.at("text")});
    }
    return headings;
}

std::vector<CoverText> ReadCover(const std::filesystem::path& path) {
    std::vector<CoverText> lines;
    for (const auto& row : tallwick::tools::ReadTsvRecords(path)) {
        const auto cell = tallwick::sheet::ParseCellName(Need(row, "column", path) + "1");
        if (!cell) throw std::runtime_error(path.string() + ": bad column " + row.at("column"));
        lines.push_back({Number(Need(row, "row", path), "cover row"), cell->column,
                         Need(row, "style", path), Need(row, "text", path)});
    }
    return lines;
}

lxw_format* Font(lxw_workbook* book, double size) {
    lxw_format* format = workbook_add_format(book);
    format_set_font_name(format, "宋体");
    format_set_font_size(format, size);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    return format;
}

lxw_format* Boxed(lxw_workbook* book, double size) {
    lxw_format* format = Font(book, size);
    format_set_border(format, LXW_BORDER_THIN);
    return format;
}

struct Formats {
    lxw_format* title;
    lxw_format* note;
    lxw_format* header;
    lxw_format* label;
    lxw_format* group;
    lxw_format* section;
    lxw_format* code;
    lxw_format* whole;    // whole numbers and coded answers, with thousands separators
    lxw_format* decimal;  // amounts as the number stands
    lxw_format* coverTitle;
    lxw_format* coverSubtitle;
    lxw_format* notice;
    lxw_format* boxFirst;
    lxw_format* boxMiddle;
    lxw_format* boxLast;
    lxw_format* coverLabel;
    lxw_format* coverText;
    lxw_format* coverCode;
    lxw_format* coverRegion;
    lxw_format* coverLine;
    lxw_format* coverNote;
};

lxw_format* BoxLine(lxw_workbook* book, bool first, bool last) {
    lxw_format* format = Font(book, 10);
    format_set_left(format, LXW_BORDER_THIN);
    format_set_right(format, LXW_BORDER_THIN);
    if (first) format_set_top(format, LXW_BORDER_THIN);
    if (last) format_set_bottom(format, LXW_BORDER_THIN);
    format_set_indent(format, 1);
    return format;
}

lxw_format* CoverValue(lxw_workbook* book, const char* numberFormat) {
    lxw_format* format = Font(book, 12);
    format_set_bottom(format, LXW_BORDER_THIN);
    format_set_align(format, LXW_ALIGN_LEFT);
    if (numberFormat) format_set_num_format(format, numberFormat);
    return format;
}

Formats MakeFormats(lxw_workbook* book) {
    Formats f{};
    f.title = Font(book, 14);
    format_set_bold(f.title);
    format_set_align(f.title, LXW_ALIGN_CENTER);
    format_set_text_wrap(f.title);
    f.note = Font(book, 9);
    format_set_align(f.note, LXW_ALIGN_CENTER);
    format_set_text_wrap(f.note);
    f.header = Boxed(book, 10.5);
    format_set_bold(f.header);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    f.label = Boxed(book, 10.5);
    format_set_text_wrap(f.label);
    format_set_indent(f.label, 1);
    f.group = Boxed(book, 10.5);
    format_set_text_wrap(f.group);
    format_set_indent(f.group, 1);
    f.section = Boxed(book, 10.5);
    format_set_bold(f.section);
    format_set_text_wrap(f.section);
    format_set_indent(f.section, 1);
    f.code = Boxed(book, 10.5);
    format_set_align(f.code, LXW_ALIGN_CENTER);
    f.whole = Boxed(book, 10.5);
    format_set_align(f.whole, LXW_ALIGN_RIGHT);
    format_set_num_format(f.whole, "#,##0");
    format_set_indent(f.whole, 1);
    f.decimal = Boxed(book, 10.5);
    format_set_align(f.decimal, LXW_ALIGN_RIGHT);
    format_set_indent(f.decimal, 1);
    f.coverTitle = Font(book, 20);
    format_set_bold(f.coverTitle);
    format_set_align(f.coverTitle, LXW_ALIGN_CENTER);
    f.coverSubtitle = Font(book, 12);
    format_set_align(f.coverSubtitle, LXW_ALIGN_CENTER);
    f.notice = Font(book, 9);
    format_set_text_wrap(f.notice);
    format_set_align(f.notice, LXW_ALIGN_VERTICAL_TOP);
    f.boxFirst = BoxLine(book, true, false);
    f.boxMiddle = BoxLine(book, false, false);
    f.boxLast = BoxLine(book, false, true);
    f.coverLabel = Font(book, 12);
    format_set_align(f.coverLabel, LXW_ALIGN_RIGHT);
    f.coverText = CoverValue(book, nullptr);
    f.coverCode = CoverValue(book, "0");
    f.coverRegion = CoverValue(book, "000000");
    f.coverLine = Font(book, 12);
    f.coverNote = Font(book, 9);
    format_set_text_wrap(f.coverNote);
    return f;
}

void PageSetup(lxw_worksheet* sheet) {
    worksheet_set_portrait(sheet);
    worksheet_set_paper(sheet, 9);  // A4
    worksheet_set_margins(sheet, 0.6, 0.6, 0.7, 0.7);
    worksheet_fit_to_pages(sheet, 1, 0);
    worksheet_center_horizontally(sheet);
    worksheet_set_footer(sheet, "&C第 &P 页，共 &N 页");
}

// Rows do not grow with wrapped text when the workbook opens, so each row is made as high as
// its label needs at the column's width.
double RowHeight(const std::string& text, double columnWidth, double lineHeight) {
    const int usable = std::max(1, static_cast<int>(columnWidth) - 2);
    const int lines = std::max(1, (tallwick::sheet::DisplayWidth(text) + usable - 1) / usable);
    return std::max(20.0, lines * lineHeight + 6);
}

const char* CoverFormatName(const Field& field) {
    if (field.name == "c903") return "region";
    return field.type.starts_with("Text") ? "text" : "code";
}

void WriteCover(lxw_workbook* book, const SheetText& text, const std::vector<CoverText>& lines,
                const std::vector<const Field*>& fields, const Formats& f) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, text.tab.c_str());
    PageSetup(sheet);
    worksheet_set_column(sheet, 0, 0, kCoverLabelWidth, nullptr);
    worksheet_set_column(sheet, 1, 1, kCoverValueWidth, nullptr);
    std::set<int> used;
    for (const Field* field : fields) {
        if (field->cell.column != 2)
            throw std::runtime_error(field->name + ": the cover's values stand in column B");
        const auto row = static_cast<lxw_row_t>(field->cell.row - 1);
        used.insert(field->cell.row);
        worksheet_set_row(sheet, row, 26, nullptr);
        worksheet_write_string(sheet, row, 0, field->label.c_str(), f.coverLabel);
        const std::string kind = CoverFormatName(*field);
        worksheet_write_blank(sheet, row, 1,
                              kind == "region" ? f.coverRegion
                              : kind == "text" ? f.coverText
                                               : f.coverCode);
    }
    int boxFirst = 0, boxLast = 0;
    for (const CoverText& line : lines)
        if (line.style == "box") {
            boxFirst = boxFirst == 0 ? line.row : std::min(boxFirst, line.row);
            boxLast = std::max(boxLast, line.row);
        }
    for (const CoverText& line : lines) {
        if (used.count(line.row))
            throw std::runtime_error("cover row " + std::to_string(line.row) + " holds a field");
        const auto row = static_cast<lxw_row_t>(line.row - 1);
        const auto column = static_cast<lxw_col_t>(line.column - 1);
        if (line.style == "notice") {
            // The notice fills the column beside the box, over all of its lines.
            worksheet_merge_range(sheet, row, column, static_cast<lxw_row_t>(boxLast - 1), column,
                                  line.text.c_str(), f.notice);
        } else if (line.style == "box") {
            lxw_format* format = line.row == boxFirst  ? f.boxFirst
                                 : line.row == boxLast ? f.boxLast
                                                       : f.boxMiddle;
            worksheet_set_row(sheet, row, 18, nullptr);
            worksheet_write_string(sheet, row, column, line.text.c_str(), format);
        } else if (line.style == "title" || line.style == "subtitle") {
            const bool title = line.style == "title";
            worksheet_set_row(sheet, row, title ? 40 : 24, nullptr);
            worksheet_merge_range(sheet, row, 0, row, 1, line.text.c_str(),
                                  title ? f.coverTitle : f.coverSubtitle);
        } else if (line.style == "line") {
            worksheet_set_row(sheet, row, 24, nullptr);
            worksheet_merge_range(sheet, row, 0, row, 1, line.text.c_str(), f.coverLine);
        } else if (line.style == "note") {
            worksheet_set_row(
                sheet, row, RowHeight(line.text, kCoverLabelWidth + kCoverValueWidth, 13), nullptr);
            worksheet_merge_range(sheet, row, 0, row, 1, line.text.c_str(), f.coverNote);
        } else {
            throw std::runtime_error("cover: unknown style " + line.style);
        }
    }
    int last = used.empty() ? 1 : *used.rbegin();
    for (const CoverText& line : lines) last = std::max(last, line.row);
    worksheet_print_area(sheet, 0, 0, static_cast<lxw_row_t>(last - 1), 1);
}

void WritePage(lxw_workbook* book, const SheetText& text, std::vector<const Field*> fields,
               const std::vector<Heading>& headings, const Formats& f) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, text.tab.c_str());
    PageSetup(sheet);
    const double widths[] = {kLabelWidth, 8, 11, 16};
    for (lxw_col_t c = 0; c < 4; ++c) worksheet_set_column(sheet, c, c, widths[c], nullptr);
    const double pageWidth = widths[0] + widths[1] + widths[2] + widths[3];

    worksheet_set_row(sheet, 0, RowHeight(text.title, pageWidth / 1.4, 20), nullptr);
    worksheet_merge_range(sheet, 0, 0, 0, 3, text.title.c_str(), f.title);
    worksheet_set_row(sheet, 1, text.note.empty() ? 8 : RowHeight(text.note, pageWidth * 1.1, 12),
                      nullptr);
    if (!text.note.empty()) worksheet_merge_range(sheet, 1, 0, 1, 3, text.note.c_str(), f.note);
    const char* headers[] = {"指标名称", "代码", "计量单位", "数值"};
    const char* marks[] = {"甲", "乙", "丙", "1"};
    for (lxw_col_t c = 0; c < 4; ++c) {
        worksheet_write_string(sheet, 2, c, headers[c], f.header);
        worksheet_write_string(sheet, 3, c, marks[c], f.header);
    }
    worksheet_set_row(sheet, 2, 22, nullptr);
    worksheet_repeat_rows(sheet, 2, 3);

    std::map<int, std::string> rows;  // what each row holds, to find collisions
    int last = 4;
    for (const Field* field : fields) {
        if (field->cell.column != kValueColumn || field->cell.row < kFirstFieldRow)
            throw std::runtime_error(field->name + ": the values of sheet " + text.tab +
                                     " stand in column D from row " +
                                     std::to_string(kFirstFieldRow));
        rows[field->cell.row] = field->name;
        const auto row = static_cast<lxw_row_t>(field->cell.row - 1);
        worksheet_set_row(sheet, row, RowHeight(field->label, kLabelWidth, 14), nullptr);
        worksheet_write_string(sheet, row, 0, field->label.c_str(), f.label);
        worksheet_write_string(sheet, row, 1, field->name.c_str(), f.code);
        worksheet_write_string(sheet, row, 2, field->unit.c_str(), f.code);
        worksheet_write_blank(sheet, row, 3, field->type == "Double" ? f.decimal : f.whole);
        last = std::max(last, field->cell.row);
    }
    for (const Heading& heading : headings) {
        if (heading.row < kFirstFieldRow)
            throw std::runtime_error(text.tab + ": a heading above the fields");
        if (const auto taken = rows.find(heading.row); taken != rows.end())
            throw std::runtime_error(text.tab + ": row " + std::to_string(heading.row) + " holds " +
                                     taken->second + " and a heading");
        rows[heading.row] = heading.text;
        const auto row = static_cast<lxw_row_t>(heading.row - 1);
        if (heading.section) {
            worksheet_set_row(sheet, row, RowHeight(heading.text, pageWidth, 14), nullptr);
            worksheet_merge_range(sheet, row, 0, row, 3, heading.text.c_str(), f.section);
        } else {
            worksheet_set_row(sheet, row, RowHeight(heading.text, kLabelWidth, 14), nullptr);
            worksheet_write_string(sheet, row, 0, heading.text.c_str(), f.group);
            for (lxw_col_t c = 1; c < 4; ++c) worksheet_write_blank(sheet, row, c, f.code);
        }
        last = std::max(last, heading.row);
    }
    for (int row = kFirstFieldRow; row <= last; ++row)
        if (!rows.count(row))
            throw std::runtime_error(text.tab + ": row " + std::to_string(row) + " is empty");
    worksheet_print_area(sheet, 0, 0, static_cast<lxw_row_t>(last - 1), 3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8) {
        std::cerr << "usage: tallwick-mkprint OUT.xltx sheets.tsv items.tsv headings.tsv "
                     "cover.tsv ct_sheetName.tsv DT_FieldList.tsv\n";
        return 2;
    }
    try {
        const std::filesystem::path out = argv[1];
        const std::vector<SheetText> sheets = ReadSheets(argv[2], argv[6]);
        std::vector<Field> fields = ReadFields(argv[7]);
        AddItems(fields, argv[3]);
        const auto headings = ReadHeadings(argv[4]);
        const std::vector<CoverText> cover = ReadCover(argv[5]);
        for (const auto& [number, list] : headings)
            if (number < 2 || number > kSheets)
                throw std::runtime_error("headings for sheet " + std::to_string(number));

        std::vector<std::vector<const Field*>> bySheet(kSheets);
        for (const Field& field : fields)
            bySheet[static_cast<std::size_t>(field.sheet - 1)].push_back(&field);

        const std::filesystem::path draft = out.string() + ".draft.xlsx";
        lxw_workbook* book = workbook_new(draft.c_str());
        if (!book) throw std::runtime_error("cannot create " + draft.string());
        const Formats formats = MakeFormats(book);
        WriteCover(book, sheets[0], cover, bySheet[0], formats);
        for (int number = 2; number <= kSheets; ++number) {
            const auto& own = bySheet[static_cast<std::size_t>(number - 1)];
            if (own.empty())
                throw std::runtime_error("sheet " + std::to_string(number) + " has no fields");
            const auto found = headings.find(number);
            WritePage(book, sheets[static_cast<std::size_t>(number - 1)], own,
                      found == headings.end() ? std::vector<Heading>{} : found->second, formats);
        }
        if (const lxw_error error = workbook_close(book); error != LXW_NO_ERROR)
            throw std::runtime_error(std::string("cannot write the template: ") +
                                     lxw_strerror(error));
        tallwick::sheet::Workbook::OpenTemplate(draft).SaveAsTemplate(out);
        std::filesystem::remove(draft);
    } catch (const std::exception& error) {
        std::cerr << "tallwick-mkprint: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
