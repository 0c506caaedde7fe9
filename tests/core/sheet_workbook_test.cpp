// The template layer: every operation read back with openpyxl.
#include "sheet/workbook.h"
#include "sheet_python_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tallwick::sheet {
namespace {

using test::ReadBack;
using test::ReadWithOpenpyxl;

// Three sheets, a title merged over the header, a total row over the group rows from row 10,
// shared strings, styles, cross-sheet formulas, a local print area and a global name.
constexpr const char* kFixture = R"PY(
import sys, openpyxl
from openpyxl.styles import Font, Alignment
wb = openpyxl.Workbook()
one = wb.active
one.title = '表1'
two = wb.create_sheet('Two')
three = wb.create_sheet('Three')
one['A1'] = '标题'
one.merge_cells('A1:D1')
one.merge_cells('A2:A4')
one['A8'] = '合计'
one['B8'] = '=SUM(B9:B10)'
one['C8'] = '=LOG10(C10)&"B10"'
one['A10'] = 'first'
one['B10'] = 5
one['B10'].font = Font(bold=True)
one['A12'] = 'note'
one.merge_cells('A12:B12')
one.column_dimensions['C'].width = 30
two['B10'] = "='表1'!B10*2"
two['A1'] = 'two'
three['A1'] = 'three'
three.print_area = 'A1:C20'
wb.create_named_range('Total', one, '$B$10')
wb.active = 2
wb.template = True
wb.save(sys.argv[1])
)PY";

class SheetWorkbookTest : public ::testing::Test {
  protected:
    void SetUp() override { test::RunPython(kFixture, {templatePath.string()}); }

    ReadBack SaveAndRead(Workbook& book) {
        book.Save(output);
        return ReadWithOpenpyxl(output);
    }

    test::TempFolder folder;
    std::filesystem::path templatePath = folder.Path() / "fixture.xltx";
    std::filesystem::path output = folder.Path() / "out.xlsx";
};

TEST_F(SheetWorkbookTest, OpensATemplateAndSavesAWorkbookThatKeepsItsContent) {
    ASSERT_TRUE(ReadWithOpenpyxl(templatePath).isTemplate);
    Workbook book = Workbook::OpenTemplate(templatePath);
    EXPECT_EQ(book.SheetCount(), 3);
    EXPECT_EQ(book.SheetNames(), (std::vector<std::string>{"表1", "Two", "Three"}));
    Worksheet sheet = book.Sheet(1);
    EXPECT_EQ(sheet.ReadText(1, 1), "标题");  // a shared string
    EXPECT_EQ(sheet.ReadText(10, 2), "5");
    EXPECT_EQ(sheet.ReadText(2, 1), "");
    EXPECT_EQ(sheet.ReadText(99, 99), "");

    const ReadBack back = SaveAndRead(book);
    EXPECT_FALSE(back.isTemplate);
    EXPECT_EQ(back.Cell("表1", "A1"), "标题");
    EXPECT_EQ(back.Cell("表1", "B8"), "=SUM(B9:B10)");
    EXPECT_EQ(back.bold.count("表1!B10"), 1u);
    EXPECT_DOUBLE_EQ(back.widths.at("表1!C"), 30);
    EXPECT_NE(std::find(back.merges.begin(), back.merges.end(), "表1!A1:D1"), back.merges.end());
}

TEST_F(SheetWorkbookTest, WritesTextAndNumbersWhereverTheyGo) {
    Workbook book = Workbook::OpenTemplate(templatePath);
    Worksheet sheet = book.Sheet(1);
    sheet.WriteText(10, 1, "省级地方工会");  // replaces a shared string
    sheet.WriteText(11, 3, " spaced ");      // a new row
    sheet.WriteNumber(10, 4, 47.5);          // a new cell after the last
    sheet.WriteNumber(10, 2, 12);            // replaces a number and keeps its style
    sheet.WriteText(12, 1, "");              // clears
    sheet.WriteText(2, 1, "A&B<C>");
    EXPECT_EQ(sheet.ReadText(10, 1), "省级地方工会");
    EXPECT_EQ(sheet.ReadText(11, 3), " spaced ");

    const ReadBack back = SaveAndRead(book);
    EXPECT_EQ(back.Cell("表1", "A10"), "省级地方工会");
    EXPECT_EQ(back.Cell("表1", "C11"), " spaced ");
    EXPECT_EQ(back.Cell("表1", "D10"), "47.5");
    EXPECT_EQ(back.Cell("表1", "B10"), "12");
    EXPECT_EQ(back.bold.count("表1!B10"), 1u);
    EXPECT_EQ(back.Cell("表1", "A12"), "");
    EXPECT_EQ(back.Cell("表1", "A2"), "A&B<C>");
    // The total over B10 changed: no stale cached figure stays behind.
    EXPECT_EQ(back.Cell("表1", "B8"), "=SUM(B9:B10)");
    EXPECT_EQ(back.cached.at("表1!B8"), "");
}

TEST_F(SheetWorkbookTest, InsertedRowsMoveCellsMergesFormulasAndNames) {
    Workbook book = Workbook::OpenTemplate(templatePath);
    Worksheet sheet = book.Sheet(1);
    sheet.InsertRowAbove(10);
    sheet.WriteText(10, 1, "second");
    sheet.InsertRowAbove(10);
    sheet.WriteText(10, 1, "third");

    const ReadBack back = SaveAndRead(book);
    EXPECT_EQ(back.Cell("表1", "A10"), "third");
    EXPECT_EQ(back.Cell("表1", "A11"), "second");
    EXPECT_EQ(back.Cell("表1", "A12"), "first");
    EXPECT_EQ(back.Cell("表1", "B12"), "5");
    EXPECT_EQ(back.Cell("表1", "A14"), "note");
    // The new rows take the formats of the row above, not of the moved row.
    EXPECT_EQ(back.bold.count("表1!B10"), 0u);
    EXPECT_EQ(back.bold.count("表1!B12"), 1u);
    EXPECT_EQ(back.Cell("表1", "B8"), "=SUM(B9:B12)");
    EXPECT_EQ(back.Cell("表1", "C8"), "=LOG10(C12)&\"B10\"");
    EXPECT_EQ(back.Cell("Two", "B10"), "='表1'!B12*2");
    const auto has = [](const std::vector<std::string>& list, const std::string& item) {
        return std::find(list.begin(), list.end(), item) != list.end();
    };
    EXPECT_TRUE(has(back.merges, "表1!A14:B14"));
    EXPECT_TRUE(has(back.merges, "表1!A2:A4"));
    EXPECT_TRUE(has(back.names, "Total||'表1'!$B$12")) << testing::PrintToString(back.names);
}

TEST_F(SheetWorkbookTest, AutoFitCountsWideCharactersTwiceAndIgnoresMergedTitles) {
    Workbook book = Workbook::OpenTemplate(templatePath);
    Worksheet sheet = book.Sheet(1);
    sheet.WriteText(10, 1, "县以下行业工会联合会");  // 10 characters, 20 cells
    sheet.WriteText(11, 1, "abc");
    sheet.AutoFitColumn(1);
    sheet.WriteText(10, 3, "x");
    sheet.AutoFitColumn(3);  // inside an existing width setting
    sheet.AlignLeft(9, 1, 11, 1);

    const ReadBack back = SaveAndRead(book);
    EXPECT_DOUBLE_EQ(back.widths.at("表1!A"), 22);
    EXPECT_DOUBLE_EQ(back.widths.at("表1!C"), 3);
    for (const char* cell : {"表1!A9", "表1!A10", "表1!A11"})
        EXPECT_EQ(back.align.count(cell) ? back.align.at(cell) : "", "left") << cell;
    EXPECT_EQ(back.align.count("表1!A8"), 0u);
    EXPECT_EQ(back.align.count("表1!B10"), 0u);
    EXPECT_EQ(back.bold.count("表1!B10"), 1u);
}

TEST_F(SheetWorkbookTest, DeletedSheetsLeaveAConsistentWorkbook) {
    Workbook book = Workbook::OpenTemplate(templatePath);
    book.DeleteSheet(2);
    EXPECT_EQ(book.SheetNames(), (std::vector<std::string>{"表1", "Three"}));
    EXPECT_EQ(book.Sheet(2).ReadText(1, 1), "three");
    const ReadBack afterOne = SaveAndRead(book);
    EXPECT_EQ(afterOne.sheets, (std::vector<std::string>{"表1", "Three"}));
    EXPECT_EQ(afterOne.activeSheet, 1);  // the active third sheet is now the second
    // The print area of "Three" moved with its sheet to position 1.
    EXPECT_TRUE(std::any_of(afterOne.names.begin(), afterOne.names.end(),
                            [](const std::string& name) {
                                return name.rfind("_xlnm.Print_Area|1|", 0) == 0 &&
                                       name.find("$A$1:$C$20") != std::string::npos;
                            }))
        << testing::PrintToString(afterOne.names);

    book.DeleteSheet(1);
    book.ActivateFirstSheet();
    const ReadBack afterTwo = SaveAndRead(book);
    EXPECT_EQ(afterTwo.sheets, std::vector<std::string>{"Three"});
    EXPECT_EQ(afterTwo.activeSheet, 0);
    EXPECT_EQ(afterTwo.Cell("Three", "A1"), "three");
    // The global name pointed into a deleted sheet.
    for (const auto& name : afterTwo.names) EXPECT_EQ(name.find("Total"), std::string::npos);
    EXPECT_THROW(book.DeleteSheet(1), std::logic_error);
}

TEST_F(SheetWorkbookTest, AFileThatIsNoWorkbookCannotBeOpened) {
    EXPECT_THROW(Workbook::OpenTemplate(folder.Path() / "missing.xltx"), std::runtime_error);
    std::filesystem::copy_file(test::DeliveredDatabasePath(), folder.Path() / "db.xltx");
    EXPECT_THROW(Workbook::OpenTemplate(folder.Path() / "db.xltx"), std::runtime_error);
}

}  // namespace
}  // namespace tallwick::sheet
