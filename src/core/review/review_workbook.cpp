#include "review/review_workbook.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "entry/code_tables.h"
#include "entry/record_io.h"
#include "locate/locate_fields.h"
#include "query/export_messages.h"
#include "review/review_text.h"

#include <xlsxwriter.h>

#include <string>

namespace tallwick::review {
namespace {

constexpr const char* kTitles[] = {"序号", "编号", "名称",     "层次",     "得分",
                                   "指标", "数值", "一般下限", "一般上限", "说明"};

void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) throw std::runtime_error(lxw_strerror(error));
}

void Write(lxw_workbook* book, SQLite::Database& db, const ReviewResult& result) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, "可疑数据审核");
    if (!sheet) throw std::runtime_error("worksheet");
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* score = workbook_add_format(book);
    format_set_num_format(score, "0.00");
    lxw_format* grouped = workbook_add_format(book);
    format_set_num_format(grouped, "#,##0.##");
    Check(worksheet_write_string(sheet, 0, 0, "可疑数据审核", bold));
    for (lxw_col_t col = 0; col < std::size(kTitles); ++col)
        Check(worksheet_write_string(sheet, 2, col, kTitles[col], bold));
    const entry::CodeList levels = entry::LoadCodeList(db, "CT_LevelCode");
    lxw_row_t row = 3;
    for (const RankedRecord& record : result.ranked) {
        const Finding& top = record.top;
        Check(worksheet_write_number(sheet, row, 0, row - 2, nullptr));
        Check(worksheet_write_string(sheet, row, 1, entry::CodeText(record.code).c_str(), nullptr));
        Check(
            worksheet_write_string(sheet, row, 2, result.rows.names[record.row].c_str(), nullptr));
        Check(worksheet_write_string(sheet, row, 3, entry::CodeName(levels, record.level).c_str(),
                                     nullptr));
        Check(worksheet_write_number(sheet, row, 4, top.score, score));
        const std::string field(locate::LocateFields()[static_cast<std::size_t>(top.field)].name);
        Check(worksheet_write_string(sheet, row, 5, field.c_str(), nullptr));
        Check(worksheet_write_number(sheet, row, 6, top.value, grouped));
        Check(worksheet_write_number(sheet, row, 7, ShownLow(top.low), grouped));
        Check(worksheet_write_number(sheet, row, 8, ShownHigh(top.high), grouped));
        Check(worksheet_write_string(sheet, row, 9, FindingText(top).c_str(), nullptr));
        ++row;
    }
    worksheet_set_column(sheet, 1, 1, 16, nullptr);
    worksheet_set_column(sheet, 2, 3, 24, nullptr);
    worksheet_set_column(sheet, 9, 9, 40, nullptr);
}

}  // namespace

void ExportReviewWorkbook(SQLite::Database& db, const ReviewResult& result,
                          const std::filesystem::path& target) {
    const std::filesystem::path temp = SiblingTempPath(target);
    try {
        lxw_workbook* book = workbook_new(temp.c_str());
        if (!book) throw std::runtime_error("cannot create " + temp.string());
        try {
            Write(book, db, result);
        } catch (...) {
            workbook_close(book);
            throw;
        }
        Check(workbook_close(book));
        std::filesystem::rename(temp, target);
    } catch (const std::exception& error) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw UserError(query::RunErrorMessage(error.what()));
    }
}

}  // namespace tallwick::review
