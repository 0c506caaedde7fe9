// The summary workbook: every workbook is read back with openpyxl and its cells compared with
// sums that SQL computes here on its own, from the records and the groups' definitions.
#include "summary/summary_workbook.h"
#include "common/user_error.h"
#include "sheet/cell_address.h"
#include "sheet/workbook.h"
#include "sheet_python_reader.h"
#include "summary/grouping_statements.h"
#include "summary/summary_queries.h"
#include "summary/table_list.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>

namespace tallwick::summary {
namespace {

using test::ReadBack;

// A field's aggregate columns: 1 plain or weighted, 2 yes/no, 3 or 4 coded options.
std::map<std::string, int> FieldColumns() {
    std::map<std::string, int> columns;
    for (const SummarySheet& sheet : SummarySheets()) {
        for (const std::string& alias : sheet.aliases)
            if (alias != "cnt") ++columns[alias.substr(4, 4)];
    }
    return columns;
}

class SummaryWorkbookTest : public ::testing::Test {
  protected:
    // A record with values that every aggregate kind can tell apart: coded answers within their
    // options (0 included), amounts that differ per record.
    void AddRecord(double code, int level, int state) {
        static const std::map<std::string, int> columns = FieldColumns();
        std::string names = "c901, c904, c907", values = std::to_string(code) + "," +
                                                         std::to_string(level) + "," +
                                                         std::to_string(state);
        std::string names1 = "c901", values1 = std::to_string(code);
        for (const auto& [field, count] : columns) {
            seed_ = seed_ * 1103515245u + 12345u;
            const unsigned r = (seed_ >> 8) % 1000;
            const int value = count == 2   ? static_cast<int>(r % 3)
                              : count >= 3 ? static_cast<int>(r % (count + 1))
                                           : static_cast<int>(r % 60);
            std::string& n = field[0] == 'y' ? names1 : names;
            std::string& v = field[0] == 'y' ? values1 : values;
            n += "," + field;
            v += "," + std::to_string(value);
        }
        db.exec("INSERT INTO dt_data (" + names + ") VALUES (" + values + ")");
        db.exec("INSERT INTO dt_data1 (" + names1 + ") VALUES (" + values1 + ")");
    }

    void AddRecords() {
        // Levels 1 and 3 and states 1 and 2 only; codes 0 and below never count.
        AddRecord(110000000001, 1, 1);
        AddRecord(110000000002, 1, 2);
        AddRecord(110000000003, 3, 1);
        AddRecord(120000000001, 3, 1);
        AddRecord(120000000002, 3, 2);
        AddRecord(130000000001, 1, 1);
        AddRecord(0, 3, 1);
        AddRecord(-5, 1, 2);
    }

    // The expected value of a column over the records that `condition` picks.
    std::optional<double> Expected(const std::string& alias, const std::string& condition,
                                   bool everyRecord = false) {
        static const std::map<std::string, int> columns = FieldColumns();
        std::string expression;
        if (alias == "cnt") {
            expression = "count(*)";
        } else {
            const std::string field = alias.substr(4, 4);
            const int kind = columns.at(field);
            if (field == "d023" || field == "d045") {
                const std::string weight = field == "d023" ? "d012" : "x001";
                expression = "coalesce(sum(case when " + field + ">0 then " + field + "*" + weight +
                             " end)*1.0/nullif(sum(case when " + field + ">0 then " + weight +
                             " end),0),0)";
            } else if (kind == 1) {
                expression = "sum(" + field + ")";
            } else {
                const std::string option = alias.substr(9);
                const std::string test =
                    kind == 2 && option == "2" ? field + " in (0,2)" : field + "=" + option;
                expression = "sum(case when " + test + " then 1 else 0 end)";
            }
        }
        SQLite::Statement query(db, "select count(*), " + expression +
                                        " from dt_data d join dt_data1 e on e.c901=d.c901 "
                                        "where " +
                                        (everyRecord ? std::string("1=1") : "d.c901>0") + " and " +
                                        condition);
        query.executeStep();
        if (query.getColumn(0).getInt() == 0) return std::nullopt;
        return query.getColumn(1).getDouble();
    }

    // Compares row `row` of sheet `number` with the records that `condition` picks.
    void ExpectRow(const ReadBack& back, const std::string& tab, int number, int row,
                   const std::string& name, const std::string& condition,
                   bool emptyWithoutRecords) {
        const SummarySheet& sheet = SheetNumber(number);
        EXPECT_EQ(back.Cell(tab, "A" + std::to_string(row)), name) << tab << " row " << row;
        for (std::size_t k = 0; k < sheet.aliases.size(); ++k) {
            const std::string cell =
                sheet::ColumnName(static_cast<int>(k) + 2) + std::to_string(row);
            auto expected = Expected(sheet.aliases[k], condition);
            if (!expected && !emptyWithoutRecords && sheet.aliases[k] == "cnt") expected = 0;
            const std::string text = back.Cell(tab, cell);
            if (!expected) {
                EXPECT_EQ(text, "") << tab << "!" << cell;
            } else {
                ASSERT_FALSE(text.empty()) << tab << "!" << cell;
                EXPECT_NEAR(std::stod(text), *expected, 1e-9) << tab << "!" << cell;
            }
        }
    }

    ReadBack Run(const SummaryRequest& request) {
        EXPECT_EQ(WriteSummaryWorkbook(db, templatePath, request, output), SummaryOutcome::Written);
        return test::ReadWithOpenpyxl(output);
    }

    static SummaryRequest Request(Grouping grouping, std::initializer_list<int> sheets,
                                  std::int64_t groupId = 0) {
        SummaryRequest request;
        request.grouping = grouping;
        request.groupId = groupId;
        for (int number : sheets) request.sheets[static_cast<std::size_t>(number - 1)] = true;
        return request;
    }

    std::int64_t AddGrouping(const std::string& order) {
        SQLite::Statement insert(db, "INSERT INTO ct_group (Name, orderstr) VALUES ('g', ?)");
        insert.bind(1, order);
        insert.exec();
        return db.getLastInsertRowid();
    }

    void AddItem(std::int64_t group, const std::string& title, double low, const char* lowSymbol,
                 double high, const char* highSymbol) {
        SQLite::Statement insert(db,
                                 "INSERT INTO view_group_item (GroupID, Title, LowBoundary, "
                                 "LowSymbol, HighBoundary, HighSymbol) VALUES (?,?,?,?,?,?)");
        insert.bind(1, group);
        insert.bind(2, title);
        insert.bind(3, low);
        insert.bind(4, lowSymbol);
        insert.bind(5, high);
        insert.bind(6, highSymbol);
        insert.exec();
    }

    test::DeliveredDatabaseCopy copy{test::WithoutLimitGuards{}};  // a code of zero
    SQLite::Database& db = copy.Db();
    std::filesystem::path templatePath =
        test::DeliveredDatabasePath().parent_path() / kSummaryTemplateName;
    std::filesystem::path output = copy.Folder() / "summary.xlsx";
    unsigned seed_ = 20180925;
};

TEST_F(SummaryWorkbookTest, LevelGroupingFillsEverySheetWithOneRowPerLevelInSequenceOrder) {
    AddRecords();
    SummaryRequest request = Request(Grouping::Level, {});
    request.sheets.fill(true);
    const ReadBack back = Run(request);
    ASSERT_EQ(back.sheets.size(), 27u);
    EXPECT_EQ(back.activeSheet, 0);

    SQLite::Statement levels(db, "select id, name, sequence from CT_LevelCode order by sequence");
    std::vector<std::pair<int, std::string>> codes;
    while (levels.executeStep())
        codes.emplace_back(levels.getColumn(0).getInt(), levels.getColumn(1).getString());
    const int lastRow = 9 + static_cast<int>(codes.size());
    for (int number = 2; number <= 27; ++number) {
        const std::string tab = back.sheets[static_cast<std::size_t>(number - 1)];
        EXPECT_EQ(back.Cell(tab, "A2"), "工会层次");
        // Levels without records (all but 1 and 3) keep their name and empty cells.
        for (std::size_t i = 0; i < codes.size(); ++i)
            ExpectRow(back, tab, number, 10 + static_cast<int>(i), codes[i].second,
                      "d.c904=" + std::to_string(codes[i].first), true);
        EXPECT_EQ(back.align.at(tab + "!A" + std::to_string(lastRow)), "left");
        if (number != 24 && number != 26) {
            EXPECT_EQ(back.Cell(tab, "B8"), "=SUM(B9:B" + std::to_string(lastRow) + ")");
        }
    }
    // The total row of the weighted averages holds the whole database's average.
    EXPECT_NEAR(std::stod(back.Cell(back.sheets[23], "B8")), *Expected("sum_d023", "1=1", true),
                1e-9);
    EXPECT_NEAR(std::stod(back.Cell(back.sheets[25], "B8")), *Expected("sum_d045", "1=1", true),
                1e-9);
}

// The sums live in temporary tables of the connection; the next run must sum the records anew.
TEST_F(SummaryWorkbookTest, ASecondRunOnTheSameConnectionSumsTheRecordsAsTheyAreNow) {
    AddRecords();
    Run(Request(Grouping::Level, {2}));
    AddRecord(130000000002, 1, 1);
    db.exec("UPDATE dt_data SET c904 = 1 WHERE c901 = 120000000001");
    const ReadBack back = Run(Request(Grouping::Level, {2}));

    SQLite::Statement levels(db, "select id, name from CT_LevelCode order by sequence");
    int row = 10;
    while (levels.executeStep())
        ExpectRow(back, "表一(1)", 2, row++, levels.getColumn(1).getString(),
                  "d.c904=" + std::to_string(levels.getColumn(0).getInt()), true);
}

TEST_F(SummaryWorkbookTest, CoverAndOneTableByStateKeepOnlyThoseTwoSheets) {
    AddRecords();
    std::vector<SummaryProgressState> steps;
    ASSERT_EQ(WriteSummaryWorkbook(db, templatePath, Request(Grouping::State, {1, 9}), output,
                                   [&](const SummaryProgressState& s) { steps.push_back(s); }),
              SummaryOutcome::Written);
    const ReadBack back = test::ReadWithOpenpyxl(output);
    EXPECT_FALSE(back.isTemplate);
    ASSERT_EQ(back.sheets, (std::vector<std::string>{"封面", "表三(3)"}));
    EXPECT_EQ(back.activeSheet, 0);
    EXPECT_EQ(back.Cell("封面", "A3"), "2018年工会基层以上组织统计汇总表");
    EXPECT_EQ(back.Cell("表三(3)", "A2"), "填报状态");
    // The document properties list the remaining sheets and the names defined on them.
    const std::string properties = test::RunPython(R"PY(
import sys, zipfile, re
app = zipfile.ZipFile(sys.argv[1]).read('docProps/app.xml').decode()
print('|'.join(re.findall(r'<vt:lpstr>([^<]*)</vt:lpstr>', app)))
print('|'.join(re.findall(r'<vt:i4>([^<]*)</vt:i4>', app)))
)PY",
                                                   {output.string()});
    EXPECT_EQ(properties, "Worksheets|Named Ranges|封面|表三(3)|'表三(3)'!Print_Titles\n2|1\n");

    SQLite::Statement states(db, "select id, name from ct_state order by sequence");
    int row = 10;
    while (states.executeStep())
        ExpectRow(back, "表三(3)", 9, row++, states.getColumn(1).getString(),
                  "d.c907=" + std::to_string(states.getColumn(0).getInt()), true);

    // Two ticked sheets; the cells of the one filled sheet: every state times every column.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().sheetsDone, 2);
    EXPECT_EQ(steps.back().sheetsTotal, 2);
    EXPECT_EQ(steps.back().cellsDone, steps.back().cellsTotal);
    EXPECT_EQ(steps.back().cellsTotal, 6u * SheetNumber(9).aliases.size());
}

TEST_F(SummaryWorkbookTest, CustomGroupingShowsItsItemsInStoredOrderAndSumsTheirRanges) {
    AddRecords();
    const std::int64_t added = AddGrouping("id ASC");
    AddItem(added, "A", 110000000001, ">=", 110000000003, "<");   // two records
    AddItem(added, "B", 110000000003, ">=", 120000000002, "<=");  // three, the upper code too
    AddItem(added, "C", 900000000000, ">", 990000000000, "<");    // none
    const ReadBack back = Run(Request(Grouping::Custom, {3, 27}, added));
    ASSERT_EQ(back.sheets, (std::vector<std::string>{"表一(2)", "附表2"}));
    const std::map<std::string, std::string> ranges = {
        {"A", "d.c901>=110000000001 and d.c901<110000000003"},
        {"B", "d.c901>=110000000003 and d.c901<=120000000002"},
        {"C", "d.c901>900000000000 and d.c901<990000000000"}};
    for (const auto& [tab, number] : {std::pair<std::string, int>{"表一(2)", 3}, {"附表2", 27}}) {
        EXPECT_EQ(back.Cell(tab, "A2"), "分    组");
        int row = 10;
        for (const auto& [title, range] : ranges)
            ExpectRow(back, tab, number, row++, title, range, false);
        EXPECT_EQ(back.Cell(tab, "A13"), "");
        EXPECT_EQ(back.Cell(tab, "B8"), "=SUM(B9:B12)");
    }

    // Sorted by the upper code, descending: C, B, A.
    const std::int64_t sorted = AddGrouping("HighBoundary DESC");
    AddItem(sorted, "A", 1, ">=", 110000000003, "<");
    AddItem(sorted, "C", 1, ">=", 990000000000, "<");
    AddItem(sorted, "B", 1, ">=", 120000000002, "<=");
    const ReadBack second = Run(Request(Grouping::Custom, {2}, sorted));
    EXPECT_EQ(second.Cell("表一(1)", "A10"), "C");
    EXPECT_EQ(second.Cell("表一(1)", "A11"), "B");
    EXPECT_EQ(second.Cell("表一(1)", "A12"), "A");
}

// A spreadsheet application recalculates the total row, whose cached values were dropped.
TEST_F(SummaryWorkbookTest, ARecalculatingApplicationShowsTheTotals) {
    if (!test::HasLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    AddRecords();
    Run(Request(Grouping::Level, {2}));
    std::ifstream csv(test::ConvertWithLibreOffice(copy.Folder() / "summary.xlsx",
                                                   "csv:Text - txt - csv (StarCalc):44,34,76"));
    std::string line;
    while (std::getline(csv, line) && line.rfind("合计,", 0) != 0) {
    }
    // Six records with a positive code.
    EXPECT_EQ(line.substr(0, line.find(',', line.find(',') + 1)), "合计,6");
}

TEST_F(SummaryWorkbookTest, TheLabelGoesBelowTheHeadingTextOfColumnA) {
    // A template whose sheet 2 has text in A2 and sheet 3 in A3.
    auto book = sheet::Workbook::OpenTemplate(templatePath);
    book.Sheet(2).WriteText(2, 1, "单位");
    book.Sheet(3).WriteText(3, 1, "单位");
    templatePath = copy.Folder() / "labelled.xltx";
    book.SaveAsTemplate(templatePath);

    const ReadBack back = Run(Request(Grouping::Level, {2, 3, 4}));
    EXPECT_EQ(back.Cell("表一(3)", "A2"), "工会层次");
    // A3 and A4 lie under the template's merged A2:A4, which openpyxl shows empty.
    auto written = sheet::Workbook::OpenTemplate(output);
    EXPECT_EQ(written.Sheet(1).ReadText(3, 1), "工会层次");
    EXPECT_EQ(written.Sheet(2).ReadText(4, 1), "工会层次");
    EXPECT_EQ(written.Sheet(3).ReadText(3, 1), "");
}

TEST_F(SummaryWorkbookTest, RunsThatCannotStartSayWhy) {
    EXPECT_EQ(WriteSummaryWorkbook(db, templatePath, Request(Grouping::Level, {}), output),
              SummaryOutcome::NothingTicked);
    EXPECT_FALSE(std::filesystem::exists(output));
    try {
        WriteSummaryWorkbook(db, templatePath, Request(Grouping::Level, {1}), output);
        FAIL() << "only the cover was ticked";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), kOnlyCoverTicked);
    }
    try {
        WriteSummaryWorkbook(db, copy.Folder() / kSummaryTemplateName,
                             Request(Grouping::Level, {2}), output);
        FAIL() << "the template is missing";
    } catch (const UserError& error) {
        EXPECT_STREQ(error.what(), kTemplateOpenFailed);
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(SummaryGroupingOrder, StoredOrderIsTurnedRound) {
    const std::pair<const char*, const char*> cases[] = {
        {"id ASC", "id desc"},
        {"LowValue DESC", "LowValue asc"},
        {"Title Desc", "Title Desc"},  // no capitals: left as it is
        {"desc DESC", "asc DESC"},     // the first "desc" in any case
        {"", ""},
    };
    for (const auto& [stored, reversed] : cases)
        EXPECT_EQ(ReverseOrder(stored), reversed) << stored;
}

TEST(SummaryTableList, SavedTicksComeBackAndNameTheirSheets) {
    std::vector<TableListLine> lines = DefaultTableList();
    ASSERT_EQ(lines.size(), 40u);
    lines[0].tick = 1;   // 封面
    lines[4].tick = 1;   // 统计表3 of 表一: sheet 4
    lines[39].tick = 2;  // grey counts: sheet 27
    lines[1].tick = 1;   // a ticked group line stands for no sheet
    test::TempFolder folder;
    const auto file = folder.Path() / kTableListFileName;
    WriteTableList(file, lines);
    EXPECT_EQ(ReadTableList(file), lines);
    const std::string content = FormatTableList(lines);
    EXPECT_EQ(content.substr(0, content.find('\n') + 1), "&1 1 封面        \r\n");
    EXPECT_EQ(content.substr(content.find("//表一") - 5, 5), "&0 1 ");

    const auto sheets = TickedSheets(lines);
    for (int n = 1; n <= kWorkbookSheets; ++n)
        EXPECT_EQ(sheets[static_cast<std::size_t>(n - 1)], n == 1 || n == 4 || n == 27) << n;

    // Lines that are not in the saved form become enabled, unticked lines.
    const auto parsed = ParseTableList("plain line\r\n&0 2 //group \n");
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0], (TableListLine{"plain line", true, 0}));
    EXPECT_EQ(parsed[1], (TableListLine{"//group", false, 2}));
    EXPECT_EQ(ReadTableList(folder.Path() / "missing.qd"), DefaultTableList());
}

}  // namespace
}  // namespace tallwick::summary
