// The annual report: a record with a distinct value in every field is printed and each field is
// read back with openpyxl from the cell that the catalogue names; the delivered template is
// checked against the same catalogue.
#include "common/user_error.h"
#include "print/annual_report.h"
#include "sheet_python_reader.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace tallwick::print {
namespace {

constexpr double kCode = 12345678901;  // 11 digits: more than a spreadsheet's General shows

// Every cell with a value: "sheet!A1" -> (type, value), the type 'n' for numbers and 's' for
// text; plus the active sheet and which sheets are selected.
struct Cells {
    std::map<std::string, std::pair<char, std::string>> values;
    int active = -1;
    std::vector<int> selected;
};

Cells ReadCells(const std::filesystem::path& path) {
    static const std::string script = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print('A\t%d' % wb.worksheets.index(wb.active))
for i, ws in enumerate(wb.worksheets, 1):
    if ws.sheet_view.tabSelected:
        print('T\t%d' % i)
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                v = c.value
                if isinstance(v, float):
                    v = repr(v)
                print('C\t%d!%s\t%s\t%s' % (i, c.coordinate, 'n' if c.data_type == 'n' else 's', v))
)PY";
    Cells cells;
    std::istringstream lines(test::RunPython(script, {path.string()}));
    std::string kind, line;
    while (std::getline(lines, line)) {
        std::istringstream parts(line);
        std::string a, b, c, d;
        std::getline(parts, a, '\t');
        std::getline(parts, b, '\t');
        if (a == "A") cells.active = std::stoi(b);
        if (a == "T") cells.selected.push_back(std::stoi(b));
        if (a != "C") continue;
        std::getline(parts, c, '\t');
        std::getline(parts, d);
        cells.values[b] = {c[0], d};
    }
    return cells;
}

struct CatalogueField {
    std::string name;
    int sheet;
    std::string place;
    std::string type;
};

std::vector<CatalogueField> PrintedFields(SQLite::Database& db) {
    SQLite::Statement query(db,
                            "select FieldName, printPageID, printplace, FieldType from "
                            "dt_fieldlist where PageID>=0 order by sequence");
    std::vector<CatalogueField> fields;
    while (query.executeStep())
        fields.push_back({query.getColumn(0).getString(), query.getColumn(1).getInt(),
                          query.getColumn(2).getString(), query.getColumn(3).getString()});
    return fields;
}

class AnnualReportTest : public ::testing::Test {
  protected:
    // Distinct values everywhere: amounts with a fraction in the Double fields, texts in the
    // text fields; y012 is empty (NULL, not its default 0).
    void AddRecord() {
        std::string names = "c901", values = "12345678901";
        std::string names1 = "c901", values1 = "12345678901";
        int n = 0;
        for (const CatalogueField& field : PrintedFields(db)) {
            ++n;
            if (field.name == "c901") continue;
            std::string value;
            if (field.name == "y012")
                value = "NULL";
            else if (field.type.starts_with("Text"))
                value = "'文本" + field.name + "'";
            else if (field.type == "Double")
                value = std::to_string(n) + ".25";
            else
                value = std::to_string(n);
            if (field.name != "y012")
                expected[field.name] = field.type.starts_with("Text")
                                           ? std::pair('s', "文本" + field.name)
                                           : std::pair('n', value);
            const bool second = field.name[0] == 'y';
            (second ? names1 : names) += "," + field.name;
            (second ? values1 : values) += "," + value;
        }
        expected["c901"] = {'n', "12345678901"};
        db.exec("INSERT INTO dt_data (" + names + ") VALUES (" + values + ")");
        db.exec("INSERT INTO dt_data1 (" + names1 + ") VALUES (" + values1 + ")");
        // A record that must not leak into the report.
        db.exec("INSERT INTO dt_data (c901, z001) VALUES (12345678902, 999)");
        db.exec("INSERT INTO dt_data1 (c901, y012) VALUES (12345678902, 999)");
    }

    Cells Print(FinalSheet finalSheet = FinalSheet::First) {
        WriteAnnualReport(db, templatePath, kCode, output, finalSheet);
        return ReadCells(output);
    }

    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};  // distinct values in every field
    SQLite::Database& db = copy.Db();
    std::filesystem::path templatePath =
        test::DeliveredDatabasePath().parent_path() / kAnnualReportTemplateName;
    std::filesystem::path output = copy.Folder() / "年报.xlsx";
    std::map<std::string, std::pair<char, std::string>> expected;
};

TEST_F(AnnualReportTest, EveryFieldLandsInItsCatalogueCell) {
    AddRecord();
    std::vector<std::pair<int, int>> steps;
    WriteAnnualReport(db, templatePath, kCode, output, FinalSheet::First,
                      [&](int done, int total) { steps.emplace_back(done, total); });
    const Cells cells = ReadCells(output);

    const auto fields = PrintedFields(db);
    ASSERT_EQ(fields.size(), 249u);
    for (const CatalogueField& field : fields) {
        const std::string cell = std::to_string(field.sheet) + "!" + field.place;
        const auto found = cells.values.find(cell);
        if (field.name == "y012") {
            EXPECT_EQ(found, cells.values.end()) << "an empty y-field prints an empty cell";
            continue;
        }
        ASSERT_NE(found, cells.values.end()) << field.name << " at " << cell;
        const auto& [type, text] = expected.at(field.name);
        EXPECT_EQ(found->second.first, type) << field.name;
        if (type == 'n')
            EXPECT_DOUBLE_EQ(std::stod(found->second.second), std::stod(text)) << field.name;
        else
            EXPECT_EQ(found->second.second, text) << field.name;
    }

    std::vector<std::pair<int, int>> oneStepPerSheet{{0, 14}};
    for (int k = 1; k <= 14; ++k) oneStepPerSheet.emplace_back(k, 14);
    EXPECT_EQ(steps, oneStepPerSheet);
    EXPECT_EQ(cells.active, 0);
    EXPECT_EQ(cells.selected, std::vector<int>{1});
}

TEST_F(AnnualReportTest, TheEntryWindowKeepsTheLastFilledSheetInView) {
    AddRecord();
    Cells cells = Print(FinalSheet::LastFilled);
    EXPECT_EQ(cells.active, 13);
    EXPECT_EQ(cells.selected, std::vector<int>{14});

    // The last sheet filled, not the last sheet of the workbook.
    db.exec("UPDATE dt_fieldlist SET printPageID=NULL WHERE printPageID>=12");
    cells = Print(FinalSheet::LastFilled);
    EXPECT_EQ(cells.active, 10);
    EXPECT_EQ(cells.selected, std::vector<int>{11});
}

TEST_F(AnnualReportTest, CatalogueRowsWithoutPrintPlacesFillNothing) {
    AddRecord();
    const Cells blank = ReadCells(templatePath);
    struct Case {
        const char* change;
        std::size_t filled;  // cells written, all on sheet 2 (表1)
    };
    const Case cases[] = {
        {"UPDATE dt_fieldlist SET PageID=-1", 0},
        {"UPDATE dt_fieldlist SET printPageID=NULL, printplace=NULL", 0},
        {"UPDATE dt_fieldlist SET printPageID=NULL WHERE FieldName<>'z001'", 1},
        // A listed sheet takes every row that names it, whatever the row's page.
        {"UPDATE dt_fieldlist SET PageID=-1 WHERE printPageID<>2 OR FieldName<>'z001'", 18},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, int>> steps;
        {
            SQLite::Transaction undone(db);  // rolled back at the end of the block
            db.exec(c.change);
            WriteAnnualReport(db, templatePath, kCode, output, FinalSheet::LastFilled,
                              [&](int done, int total) { steps.emplace_back(done, total); });
        }
        const Cells cells = ReadCells(output);
        std::size_t added = 0;
        for (const auto& [cell, value] : cells.values) {
            if (blank.values.count(cell) != 0) {
                EXPECT_EQ(blank.values.at(cell), value) << c.change << ": " << cell;
                continue;
            }
            ++added;
            EXPECT_TRUE(cell.starts_with("2!D")) << c.change << ": " << cell;
        }
        EXPECT_EQ(added, c.filled) << c.change;
        if (c.filled == 0) {
            EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{{0, 0}})) << c.change;
            EXPECT_EQ(cells.active, 0) << c.change;
        } else {
            EXPECT_EQ(cells.values.at("2!D5").second, expected.at("z001").second);
            EXPECT_EQ(cells.active, 1) << c.change;
        }
    }
}

TEST_F(AnnualReportTest, ReportsWhatKeepsItFromPrinting) {
    AddRecord();
    try {
        WriteAnnualReport(db, copy.Folder() / kAnnualReportTemplateName, kCode, output,
                          FinalSheet::First);
        FAIL() << "there is no template";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(),
                     "打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel");
    }
    std::ofstream(copy.Folder() / "broken.xltx") << "not a workbook";
    EXPECT_THROW(
        WriteAnnualReport(db, copy.Folder() / "broken.xltx", kCode, output, FinalSheet::First),
        UserError);
    try {
        WriteAnnualReport(db, templatePath, 98765432101, output, FinalSheet::First);
        FAIL() << "there is no such record";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), "没有编号为 98765432101 的数据");
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

// The template's sheets and the catalogue agree: every value cell is a bordered cell on the row
// that names the field, on a sheet that prints one page wide on A4.
TEST_F(AnnualReportTest, TheDeliveredTemplateHasACellForEveryField) {
    static const std::string script = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print('K\t%d' % (1 if wb.template else 0))
for i, ws in enumerate(wb.worksheets, 1):
    ps = ws.page_setup
    fit = ws.sheet_properties.pageSetUpPr.fitToPage
    wide = '%s/%s' % (1 if ps.fitToWidth is None else ps.fitToWidth, ps.fitToHeight)
    print('S\t%d\t%s\t%s\t%s\t%s\t%s' % (i, ws.title, ps.paperSize, ps.orientation,
          wide if fit else 'no', ws.print_title_rows))
    for row in ws.iter_rows():
        for c in row:
            if c.border is not None and c.border.bottom is not None and c.border.bottom.style:
                print('B\t%d!%s\t%s' % (i, c.coordinate, '' if c.value is None else c.value))
)PY";
    std::istringstream lines(test::RunPython(script, {templatePath.string()}));
    std::vector<std::string> tabs;
    std::map<std::string, std::string> boxed;
    bool isTemplate = false;
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> parts;
        std::istringstream in(line);
        for (std::string part; std::getline(in, part, '\t');) parts.push_back(part);
        if (parts[0] == "K") isTemplate = parts[1] == "1";
        if (parts[0] == "B") boxed[parts[1]] = parts.size() > 2 ? parts[2] : "";
        if (parts[0] != "S") continue;
        tabs.push_back(parts[2]);
        EXPECT_EQ(parts[3], "9") << parts[2];  // A4
        EXPECT_EQ(parts[4], "portrait") << parts[2];
        EXPECT_EQ(parts[5], "1/0") << parts[2];  // one page wide, as many tall as it takes
        if (parts[1] != "1") {
            EXPECT_EQ(parts[6], "$3:$4") << parts[2];
        }
    }
    EXPECT_TRUE(isTemplate);
    EXPECT_EQ(tabs,
              (std::vector<std::string>{"封面", "表1", "表2", "表3", "表3续", "表4", "表5", "表6",
                                        "表7", "表8", "表9&表10", "附表1", "附表1续", "附表2"}));
    for (const CatalogueField& field : PrintedFields(db)) {
        const std::string sheet = std::to_string(field.sheet) + "!";
        const auto cell = boxed.find(sheet + field.place);
        ASSERT_NE(cell, boxed.end()) << field.name << " at " << sheet << field.place;
        EXPECT_EQ(cell->second, "") << field.name;
        if (field.sheet == 1) continue;
        const std::string row = field.place.substr(1);
        EXPECT_EQ(boxed[sheet + "B" + row], field.name);
        EXPECT_NE(boxed[sheet + "A" + row], "") << field.name;
    }
    // Page n of the entry window is sheet n + 1.
    SQLite::Statement pages(db,
                            "select count(*) from dt_fieldlist where PageID>=0 and "
                            "printPageID<>PageID+1");
    pages.executeStep();
    EXPECT_EQ(pages.getColumn(0).getInt(), 0);
}

TEST_F(AnnualReportTest, LibreOfficePrintsTheFilledWorkbook) {
    if (!test::HasLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    AddRecord();
    Print();
    const std::string folder = copy.Folder().string();
    test::ConvertWithLibreOffice(copy.Folder() / "年报.xlsx", "pdf");
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) return;
    ASSERT_EQ(std::system(("cd '" + folder + "' && pdftotext -layout 年报.pdf 年报.txt").c_str()),
              0);
    std::ifstream in(copy.Folder() / "年报.txt");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The code in plain digits on the cover, a table title, and a value of the last sheet.
    EXPECT_NE(text.find("12345678901"), std::string::npos);
    EXPECT_NE(text.find("表6 工会经济技术工作"), std::string::npos);
    EXPECT_NE(text.find("附表2"), std::string::npos);
    EXPECT_NE(text.find(expected.at("y011").second), std::string::npos);
}

// The build stops rather than deliver a template that disagrees with the catalogue, and a moved
// field moves in the template too.
TEST(AnnualReportTemplateTool, BuildsFromTheCatalogueAndRefusesAddressesItCannotTrust) {
    const std::filesystem::path bin = test::DeliveredDatabasePath().parent_path();
    const std::filesystem::path tool = bin.parent_path() / "tools" / "tallwick-mkprint";
    // Not __FILE__: the compiler cache may hand the compiler a relative path.
    const std::filesystem::path data = TALLWICK_DATA_SOURCES;
    std::vector<std::string> catalogue;
    {
        std::ifstream in(data / "DT_FieldList.tsv");
        for (std::string line; std::getline(in, line);) catalogue.push_back(line);
    }
    ASSERT_FALSE(catalogue.empty()) << data;
    struct Case {
        std::map<std::string, std::pair<std::string, std::string>> moves;  // field -> sheet, cell
        bool builds;
    };
    const Case cases[] = {
        {{{"z001", {"2", "D6"}}, {"z002", {"2", "D5"}}}, true},
        {{{"z002", {"2", "D5"}}}, false},   // two fields in one cell
        {{{"z002", {"2", ""}}}, false},     // no address
        {{{"z002", {"", "D6"}}}, false},    // no sheet
        {{{"z002", {"2", "6D"}}}, false},   // not an address
        {{{"z002", {"2", "C6"}}}, false},   // off the value column
        {{{"z002", {"15", "D6"}}}, false},  // no such sheet
        {{{"z003", {"2", "D7"}},
          {"z004", {"2", "D8"}},
          {"z005", {"2", "D9"}},
          {"z006", {"2", "D10"}}},
         false},  // onto a heading's row
    };
    test::TempFolder folder;
    for (const Case& c : cases) {
        std::ofstream out(folder.Path() / "DT_FieldList.tsv", std::ios::trunc);
        for (const std::string& line : catalogue) {
            std::vector<std::string> cells;
            std::istringstream in(line);
            for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
            if (line.back() == '\t') cells.emplace_back();
            if (const auto move = c.moves.find(cells.at(1)); move != c.moves.end()) {
                cells.at(12) = move->second.first;
                cells.at(13) = move->second.second;
            }
            for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "\t" : "") << cells[i];
            out << '\n';
        }
        out.close();
        const auto result = folder.Path() / "print.xltx";
        std::filesystem::remove(result);
        std::string command = "'" + tool.string() + "' '" + result.string() + "'";
        for (const char* part : {"print/sheets.tsv", "print/items.tsv", "print/headings.tsv",
                                 "print/cover.tsv", "ct_sheetName.tsv"})
            command += " '" + (data / part).string() + "'";
        command += " '" + (folder.Path() / "DT_FieldList.tsv").string() + "' 2>/dev/null";
        const std::string first = c.moves.begin()->first;
        EXPECT_EQ(std::system(command.c_str()) == 0, c.builds) << first;
        EXPECT_EQ(std::filesystem::exists(result), c.builds) << first;
        if (!c.builds) continue;
        const test::ReadBack back = test::ReadWithOpenpyxl(result);
        EXPECT_EQ(back.Cell("表1", "B5"), "z002");
        EXPECT_EQ(back.Cell("表1", "B6"), "z001");
    }
}

}  // namespace
}  // namespace tallwick::print
