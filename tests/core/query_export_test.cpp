// The query result exports: workbooks read back with openpyxl, database files with SQLite.
#include "common/user_error.h"
#include "query/column_kind.h"
#include "query/data_list.h"
#include "query/data_list_export.h"
#include "query/export_messages.h"
#include "query/result_columns.h"
#include "query/result_database.h"
#include "query/result_workbook.h"
#include "sheet_python_reader.h"
#include "store/database.h"
#include "test_support.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tallwick::FieldDataArray;
using tallwick::query::DescribeColumns;
using tallwick::query::WorkbookRequest;

// "Sheet!B5" -> "type|value|number format|bold|size" for every cell with a value.
struct Cells {
    std::vector<std::string> sheets;
    std::map<std::string, std::string> cells;

    std::string At(const std::string& address) const {
        const auto found = cells.find(address);
        return found == cells.end() ? std::string("<none>") : found->second;
    }
};

Cells ReadCells(const std::filesystem::path& path) {
    static const std::string script = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
for ws in wb.worksheets:
    print('S\t' + ws.title)
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                v = c.value
                if isinstance(v, float) and v.is_integer():
                    v = int(v)
                print('C\t%s!%s\t%s|%s|%s|%d|%s' % (ws.title, c.coordinate, type(c.value).__name__,
                      v, c.number_format, 1 if c.font.b else 0, int(c.font.sz or 0)))
)PY";
    Cells back;
    std::istringstream lines(tallwick::test::RunPython(script, {path.string()}));
    std::string line;
    while (std::getline(lines, line)) {
        const auto tab = line.find('\t');
        if (line.rfind("S\t", 0) == 0) {
            back.sheets.push_back(line.substr(2));
        } else {
            const auto second = line.find('\t', tab + 1);
            back.cells[line.substr(tab + 1, second - tab - 1)] = line.substr(second + 1);
        }
    }
    return back;
}

class QueryExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.exec(
            "CREATE TABLE sample (c901 REAL, name TEXT, cid INTEGER, ok BOOLEAN, at DATETIME, "
            "n INTEGER, money REAL);"
            "INSERT INTO sample VALUES (110000000001, 'O''Brien', 42, 1, '2018-09-25 17:30:00', "
            "1234, 12.5);"
            "INSERT INTO sample VALUES (110000000002, NULL, 43, 0, 0, NULL, NULL);");
        for (const char* code : {"110000000001", "110000000002"}) {
            db.exec(std::string("INSERT INTO dt_data (c901, c902, c903, z001) VALUES (") + code +
                    ", '工会" + code + "', 110000, 1500)");
            db.exec(std::string("INSERT INTO dt_data1 (c901, y005) VALUES (") + code + ", 7.25)");
        }
    }

    FieldDataArray Describe(const std::string& sql) {
        SQLite::Statement statement(db, sql);
        return DescribeColumns(statement);
    }

    tallwick::test::DeliveredDatabaseCopy copy;
    SQLite::Database& db = copy.Db();
    tallwick::test::TempFolder out;
    std::vector<std::uint64_t> progress;
    tallwick::exchange::ExchangeProgress report = [this](std::uint64_t done, std::uint64_t) {
        progress.push_back(done);
    };
};

TEST_F(QueryExportTest, OneSetWorkbookLaysOutDateTitlesAndFormattedRecords) {
    const std::string sql = "SELECT * FROM sample ORDER BY c901";
    FieldDataArray columns = Describe(sql);
    columns[0].title = "单位编码";
    columns[6].selected = false;  // money is left out, so n moves up to column F
    const auto path = tallwick::query::ExportResultWorkbook(
        db, sql, columns, {"Tallwick查询结果", "2026/12/10", out.Path() / "list"}, report);
    EXPECT_EQ(path, out.Path() / "list.xlsx");
    EXPECT_EQ(progress, (std::vector<std::uint64_t>{0, 1, 2}));

    const Cells cells = ReadCells(path);
    ASSERT_EQ(cells.sheets, std::vector<std::string>{"Tallwick查询结果"});
    const std::string s = "Tallwick查询结果!";
    EXPECT_EQ(cells.At(s + "A2"), "str|导出日期:|General|1|12");
    EXPECT_EQ(cells.At(s + "B2"), "str|2026/12/10|@|0|11");
    EXPECT_EQ(cells.At(s + "A3"), "str|单位编码|￥#,##0.00;￥-#,##0.00|0|11");
    EXPECT_EQ(cells.At(s + "F3"), "str|n|#,##0_ |0|11");
    EXPECT_EQ(cells.At(s + "G3"), "<none>");
    EXPECT_EQ(cells.At(s + "A4"), "<none>");
    const std::map<std::string, std::string> expected{
        {"A5", "int|110000000001|￥#,##0.00;￥-#,##0.00|0|11"},
        {"B5", "str|O'Brien|@|0|11"},
        {"C5", "str|42|#,##0_ |0|11"},  // cid stays text
        {"D5", "str|是|@|0|11"},
        {"E5", "str|2018-09|yyyy-mm|0|11"},
        {"F5", "int|1234|#,##0_ |0|11"},
        {"B6", "<none>"},
        {"D6", "str|不是|@|0|11"},
        {"E6", "<none>"},  // a stored 0 is no date
        {"F6", "<none>"},
    };
    for (const auto& [cell, value] : expected) EXPECT_EQ(cells.At(s + cell), value) << cell;
}

// Records in the clear never sit in a file others may read, not even while the export runs.
TEST_F(QueryExportTest, TheTemporariesOfAnExportArePrivateFromTheFirstRecord) {
    std::vector<std::string> seen;
    const tallwick::exchange::ExchangeProgress watch = [&](std::uint64_t, std::uint64_t) {
        for (const auto& entry : std::filesystem::directory_iterator(out.Path())) {
            const auto mode = entry.status().permissions() & std::filesystem::perms::all;
            seen.push_back(entry.path().filename().string().substr(0, 10) + " " +
                           (mode == std::filesystem::perms::owner_read ||
                                    mode == (std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write)
                                ? "private"
                                : "open"));
        }
    };
    const std::string sql = "SELECT * FROM sample ORDER BY c901";
    tallwick::query::ExportResultWorkbook(
        db, sql, Describe(sql), {"Tallwick查询结果", "2026/12/10", out.Path() / "list"}, watch);
    tallwick::query::ExportResultDatabase(db, "SELECT c901, name FROM sample", "", "结果",
                                          out.Path() / "result", watch);
    ASSERT_FALSE(seen.empty());
    for (const std::string& file : seen) EXPECT_TRUE(file.ends_with(" private")) << file;
}

TEST_F(QueryExportTest, PairedWorkbookPutsTheData1ColumnsBesideTheRecords) {
    const std::string sql = "SELECT dt_data.c901, c902, z001 FROM dt_data ORDER BY c901";
    const std::string sql1 =
        "SELECT c901, y005, at FROM dt_data1 JOIN (SELECT c901 AS k, at "
        "FROM sample) ON k = c901 ORDER BY c901";
    FieldDataArray columns = Describe(sql);
    const auto firstCount = columns.size();
    for (auto& column : Describe(sql1)) columns.push_back(column);
    const auto path = tallwick::query::ExportPairedResultWorkbook(
        db, sql, sql1, firstCount, columns,
        {"Tallwick数据列表", "2026/12/10", out.Path() / "list.xlsx"}, nullptr);
    EXPECT_EQ(path, out.Path() / "list.xlsx");

    const Cells cells = ReadCells(path);
    ASSERT_EQ(cells.sheets, std::vector<std::string>{"Tallwick数据列表1"});
    const std::string s = "Tallwick数据列表1!";
    const std::map<std::string, std::string> expected{
        {"C3", "str|z001|#,##0_ |0|11"},
        {"D3", "str|y005|General|0|11"},  // the second set's code column is not written
        {"E3", "str|at|General|0|11"},
        {"A5", "int|110000000001|General|0|11"},
        {"C5", "int|1500|#,##0_ |0|11"},
        {"D5", "float|7.25|General|0|11"},
        {"E5", "str|2018-09-25|General|0|11"},
        {"B6", "str|工会110000000002|@|0|11"},
        {"D6", "float|7.25|General|0|11"},
    };
    for (const auto& [cell, value] : expected) EXPECT_EQ(cells.At(s + cell), value) << cell;
}

// The record rows are written past libxlsxwriter and spliced into its sheet: texts must keep
// their markup characters and outer spaces, and rows beyond the first flushes must all arrive.
TEST_F(QueryExportTest, ManyRecordsKeepTheirTextsAndTheirLastRow) {
    db.exec(
        "CREATE TABLE texts (c901 REAL, name TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
        "INSERT INTO texts SELECT 110000000000 + i, '单位' || i FROM n;"
        "UPDATE texts SET name = ' a&b<c> ' WHERE c901 = 110000000001;"
        "UPDATE texts SET name = 'x' || char(9) || 'y' WHERE c901 = 110000000002;");
    const std::string sql = "SELECT * FROM texts ORDER BY c901";
    const auto path = tallwick::query::ExportResultWorkbook(
        db, sql, Describe(sql), {"t", "2026/12/10", out.Path() / "many"}, nullptr);

    static const std::string script = R"PY(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1], read_only=True).active
print(ws.calculate_dimension())
for row in ws.iter_rows(min_row=5, values_only=True):
    if row[0] in (110000000001, 110000000002, 110000030000):
        print(repr(row))
)PY";
    EXPECT_EQ(tallwick::test::RunPython(script, {path.string()}),
              "A2:B30004\n"
              "(110000000001, ' a&b<c> ')\n"
              "(110000000002, 'x\\ty')\n"
              "(110000030000, '单位30000')\n");
}

TEST_F(QueryExportTest, ATextLongerThanACellCanHoldFailsTheExportInsteadOfVanishing) {
    db.exec(
        "CREATE TABLE long (c901 REAL, name TEXT);"
        "INSERT INTO long VALUES (110000000001, printf('%.32767c', '名'));"
        "INSERT INTO long VALUES (110000000002, printf('%.32768c', 'a'));");
    const std::string fits = "SELECT * FROM long WHERE c901 = 110000000001";
    const auto path = tallwick::query::ExportResultWorkbook(
        db, fits, Describe(fits), {"t", "2026/12/10", out.Path() / "fits"}, nullptr);
    EXPECT_EQ(tallwick::test::RunPython(
                  "import sys, openpyxl\n"
                  "print(len(openpyxl.load_workbook(sys.argv[1]).active['B5'].value))\n",
                  {path.string()}),
              "32767\n");

    const std::string all = "SELECT * FROM long ORDER BY c901";
    try {
        tallwick::query::ExportResultWorkbook(db, all, Describe(all),
                                              {"t", "2026/12/10", out.Path() / "all"}, nullptr);
        ADD_FAILURE() << "exported";
    } catch (const tallwick::UserError& error) {
        EXPECT_EQ(error.what(), std::string(tallwick::query::kCellTextTooLong) + "B6");
    }
    EXPECT_FALSE(std::filesystem::exists(out.Path() / "all.xlsx"));
}

// Cells name their reference only where one is left out before them (an empty text without a
// format writes no cell): a reader must place every later cell in its own column.
TEST_F(QueryExportTest, ACellAfterAnOmittedOneKeepsItsColumn) {
    const std::string sql =
        "SELECT 110000000001 AS c901, '' AS gap, 'after' AS next, 7 AS last UNION ALL "
        "SELECT 110000000002, 'g', 'n', 8";
    const auto path = tallwick::query::ExportResultWorkbook(
        db, sql, Describe(sql), {"t", "2026/12/10", out.Path() / "gap"}, nullptr);
    EXPECT_EQ(tallwick::test::RunPython(
                  "import sys, openpyxl\n"
                  "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                  "print([[c.value for c in row] for row in ws.iter_rows(min_row=5)])\n",
                  {path.string()}),
              "[[110000000001, None, 'after', 7], [110000000002, 'g', 'n', 8]]\n");
}

// A data list of every table, as the dialog exports it, opens in another spreadsheet application
// with its values under their titles.
TEST_F(QueryExportTest, ADataListOfEveryTableOpensInLibreOffice) {
    if (!tallwick::test::HasLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    std::array<bool, 13> all;
    all.fill(true);
    const auto queries =
        tallwick::query::AllRecordsQueries(tallwick::query::BuildDataListColumns(db, all));
    const auto path = tallwick::query::ExportDataList(
        db, queries, tallwick::query::DescribeDataList(db, queries),
        {"Tallwick数据列表", "2026/12/10", out.Path() / "list.xlsx"}, nullptr);

    std::ifstream csv(tallwick::test::ConvertWithLibreOffice(
        path, "csv:Text - txt - csv (StarCalc):59,34,76"));  // ";" between cells
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(csv, line);) {
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ';');) cells.push_back(cell);
        rows.push_back(cells);
    }
    ASSERT_EQ(rows.size(), 6u);  // date, titles, empty, two records
    const auto& titles = rows[2];
    const auto& first = rows[4];
    ASSERT_EQ(titles.size(), first.size());
    const auto at = [&](const std::string& title) {
        const auto found = std::find(titles.begin(), titles.end(), title);
        return found == titles.end() ? std::string("?") : first[found - titles.begin()];
    };
    EXPECT_EQ(at("c902"), "工会110000000001");
    EXPECT_EQ(at("z001"), "1,500 ");
    EXPECT_EQ(at("y005"), "7.25");
}

TEST_F(QueryExportTest, EmptyResultsWriteNothing) {
    const std::string sql = "SELECT * FROM sample WHERE 0";
    try {
        tallwick::query::ExportResultWorkbook(db, sql, Describe(sql), {"t", "d", out.Path() / "x"},
                                              nullptr);
        ADD_FAILURE() << "exported an empty result";
    } catch (const tallwick::UserError& error) {
        EXPECT_STREQ(error.what(), "SaveQueryAsExcel出错:数据表为空，不能导出！");
    }
    try {
        tallwick::query::ExportResultDatabase(db, sql, "", "t", out.Path() / "x", nullptr);
        ADD_FAILURE() << "exported an empty result";
    } catch (const tallwick::UserError& error) {
        EXPECT_STREQ(error.what(), "SaveQueryAsAccess:：出错:数据表为空，不能导出！");
    }
    EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

TEST(QueryExportNames, ExtensionIsAppendedOnlyWhenMissing) {
    using tallwick::query::WithExtension;
    EXPECT_EQ(WithExtension("list", ".xlsx"), "list.xlsx");
    EXPECT_EQ(WithExtension("list.xlsx", ".xlsx"), "list.xlsx");
    EXPECT_EQ(WithExtension("list.xls", ".xlsx"), "list.xls.xlsx");
    EXPECT_EQ(WithExtension("list.XLSX", ".xlsx"), "list.XLSX.xlsx");
    EXPECT_EQ(WithExtension("a.mdb", ".mdb"), "a.mdb");
    EXPECT_EQ(tallwick::query::SuggestedExportName("Tallwick查询结果", "2026-12-10"),
              "Tallwick查询结果-2026-12-10");
    EXPECT_EQ(tallwick::query::TitleWithoutSortMark("单位编码▲"), "单位编码");
    EXPECT_EQ(tallwick::query::TitleWithoutSortMark("单位名称▼"), "单位名称");
    EXPECT_EQ(tallwick::query::TitleWithoutSortMark("单位名称"), "单位名称");
}

TEST(QueryExportNames, ColumnTypeTextsByDeclaredType) {
    const std::pair<const char*, const char*> cases[] = {
        {"TEXT", "VARCHAR(255)"},
        {"varchar(50)", "VARCHAR(50)"},
        {"INTEGER", "INTEGER"},
        {"REAL", "DOUBLE"},
        {"DATETIME", "DATE"},
        {"DATE", "DATE"},
        {"BOOLEAN", "BIT"},
        {"BLOB", "BLOB"},
        {"", ""},
    };
    for (const auto& [declared, text] : cases)
        EXPECT_EQ(tallwick::query::SqlTypeText(declared), text) << declared;
}

class QueryDatabaseExportTest : public QueryExportTest {
  protected:
    std::vector<std::string> Rows(SQLite::Database& file, const std::string& sql) {
        SQLite::Statement query(file, sql);
        std::vector<std::string> rows;
        while (query.executeStep()) {
            std::string row;
            for (int i = 0; i < query.getColumnCount(); ++i)
                row += (i ? "|" : "") + std::string(query.getColumn(i).isNull()
                                                        ? "NULL"
                                                        : query.getColumn(i).getString());
            rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(QueryDatabaseExportTest, WritesBothTablesWithBoundValues) {
    const auto path = tallwick::query::ExportResultDatabase(
        db, "SELECT c901, name, n, at FROM sample ORDER BY c901",
        "SELECT * FROM dt_data1 ORDER BY c901", "Tallwick查询结果", out.Path() / "result", report);
    EXPECT_EQ(path, out.Path() / "result.mdb");
    EXPECT_EQ(progress, (std::vector<std::uint64_t>{0, 1, 2}));
    const auto file = tallwick::OpenExistingSqlite(path);
    EXPECT_EQ(Rows(*file, "SELECT * FROM \"Tallwick查询结果\""),
              (std::vector<std::string>{"110000000001.0|O'Brien|1234|2018-09-25 17:30:00",
                                        "110000000002.0||0|0"}));
    EXPECT_EQ(Rows(*file, "SELECT c901, y005 FROM \"Tallwick查询结果1\""),
              (std::vector<std::string>{"110000000001.0|7.25", "110000000002.0|7.25"}));
    EXPECT_EQ(Rows(*file, "SELECT type FROM pragma_table_info('Tallwick查询结果')"),
              (std::vector<std::string>{"DOUBLE", "VARCHAR(255)", "INTEGER", "DATE"}));
}

TEST_F(QueryDatabaseExportTest, ReplacesItsTablesKeepsOthersAndRollsBackOnFailure) {
    const auto target = out.Path() / "result.mdb";
    {
        const auto file =
            tallwick::OpenSqlite(target, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        file->exec(
            "CREATE TABLE keep (x); INSERT INTO keep VALUES (1);"
            "CREATE TABLE t (old); INSERT INTO t VALUES ('old');");
    }
    tallwick::query::ExportResultDatabase(db, "SELECT c901 FROM sample", "", "t", target, nullptr);
    {
        const auto file = tallwick::OpenExistingSqlite(target);
        EXPECT_EQ(Rows(*file, "SELECT * FROM t"),
                  (std::vector<std::string>{"110000000001.0", "110000000002.0"}));
        EXPECT_EQ(Rows(*file, "SELECT * FROM keep"), std::vector<std::string>{"1"});
        EXPECT_EQ(Rows(*file, "SELECT count(*) FROM sqlite_master WHERE name = 't1'"),
                  std::vector<std::string>{"0"});
    }
    // The second set fails while it is being copied: the first table stays as it was.
    EXPECT_THROW(
        tallwick::query::ExportResultDatabase(
            db, "SELECT name FROM sample",
            "SELECT c901, abs(-9223372036854775807 - 1) FROM dt_data1", "t", target, nullptr),
        tallwick::UserError);
    const auto file = tallwick::OpenExistingSqlite(target);
    EXPECT_EQ(Rows(*file, "SELECT * FROM t"),
              (std::vector<std::string>{"110000000001.0", "110000000002.0"}));
    // A new file that fails is not left behind, half-written or empty.
    EXPECT_THROW(tallwick::query::ExportResultDatabase(
                     db, "SELECT name FROM sample",
                     "SELECT c901, abs(-9223372036854775807 - 1) FROM dt_data1", "t",
                     out.Path() / "fresh", nullptr),
                 tallwick::UserError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
