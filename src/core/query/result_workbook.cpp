#include "query/result_workbook.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "query/column_kind.h"
#include "query/export_messages.h"
#include "query/result_columns.h"
#include "sheet/text_width.h"

#include <SQLiteCpp/Statement.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace tallwick::query {
namespace {

constexpr lxw_row_t kFirstRecordRow = 4;  // row 5

struct PlannedColumn {
    int source = 0;  // 0: first result set, 1: second
    int index = 0;
    ColumnKind kind = ColumnKind::Other;
    bool cid = false;
    std::string title;
    lxw_format* format = nullptr;
    const char* numberFormat = nullptr;
    int width = 0;
};

const char* NumberFormat(ColumnKind kind, bool paired) {
    switch (kind) {
        case ColumnKind::Date:
        case ColumnKind::DateTime:
            return paired ? nullptr : "yyyy-mm";
        case ColumnKind::Text:
        case ColumnKind::Boolean:
        case ColumnKind::Time:
        case ColumnKind::Bytes:
            return "@";
        case ColumnKind::Floating:
            return paired ? nullptr : "￥#,##0.00;￥-#,##0.00";
        case ColumnKind::Integer:
            return "#,##0_ ";
        case ColumnKind::Other:
            break;
    }
    return nullptr;
}

// Excel refuses sheet names over 31 characters or with []:*?/\ in them.
std::string SheetName(const std::string& title) {
    std::string name;
    int characters = 0;
    for (std::size_t i = 0; i < title.size() && characters < 31; ++characters) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(title[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        std::string character = title.substr(i, length);
        if (character.find_first_of("[]:*?/\\") != std::string::npos) character = "_";
        name += character;
        i += length;
    }
    return name.empty() ? "Sheet1" : name;
}

std::string Grouped(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return value < 0 ? "-" + digits : digits;
}

std::string ShortestNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The text a number shows in its column's format, for fitting the column's width.
std::string ShownNumber(double value, const char* format) {
    if (!format) return ShortestNumber(value);
    const auto whole = static_cast<long long>(std::llround(value));
    if (format[0] == '#') return Grouped(whole) + " ";
    return "￥" + Grouped(static_cast<long long>(value)) + ".00";
}

class WorkbookFile {
  public:
    explicit WorkbookFile(std::filesystem::path temp) : temp_(std::move(temp)) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        book_ = workbook_new_opt(temp_.c_str(), &options);
        if (!book_) throw std::runtime_error("cannot create " + temp_.string());
    }
    ~WorkbookFile() {
        if (book_) workbook_close(book_);
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
    }
    WorkbookFile(const WorkbookFile&) = delete;
    WorkbookFile& operator=(const WorkbookFile&) = delete;

    lxw_workbook* Book() { return book_; }

    // Closes the workbook and moves it over the target; the message on failure is the caller's.
    bool SaveAs(const std::filesystem::path& target, std::string& error) {
        const lxw_error result = workbook_close(book_);
        book_ = nullptr;
        if (result != LXW_NO_ERROR) {
            error = lxw_strerror(result);
            return false;
        }
        std::error_code renamed;
        std::filesystem::rename(temp_, target, renamed);
        if (renamed) error = renamed.message();
        return !renamed;
    }

  private:
    std::filesystem::path temp_;
    lxw_workbook* book_ = nullptr;
};

class SheetWriter {
  public:
    SheetWriter(lxw_workbook* book, lxw_worksheet* sheet) : book_(book), sheet_(sheet) {}

    lxw_format* Format(const char* numberFormat) {
        if (!numberFormat) return nullptr;
        lxw_format* format = workbook_add_format(book_);
        format_set_num_format(format, numberFormat);
        return format;
    }

    void Text(lxw_row_t row, lxw_col_t col, const std::string& text, lxw_format* format,
              int* width) {
        worksheet_write_string(sheet_, row, col, text.c_str(), format);
        if (width) *width = std::max(*width, sheet::DisplayWidth(text));
    }

    void Number(lxw_row_t row, lxw_col_t col, double value, const PlannedColumn& column,
                int* width) {
        worksheet_write_number(sheet_, row, col, value, column.format);
        *width = std::max(*width, sheet::DisplayWidth(ShownNumber(value, column.numberFormat)));
    }

    lxw_worksheet* Sheet() { return sheet_; }

  private:
    lxw_workbook* book_;
    lxw_worksheet* sheet_;
};

void WriteValue(SheetWriter& writer, lxw_row_t row, lxw_col_t col, const SQLite::Column& value,
                PlannedColumn& column, bool paired) {
    if (value.isNull()) return;
    switch (column.kind) {
        case ColumnKind::Boolean:
            writer.Text(row, col, value.getInt64() != 0 ? "是" : "不是", column.format,
                        &column.width);
            return;
        case ColumnKind::DateTime: {
            const std::string text = value.getString();
            if (text.empty() || ((value.isInteger() || value.isFloat()) && value.getDouble() == 0))
                return;
            writer.Text(row, col, text.substr(0, paired ? 10 : 7), column.format, &column.width);
            return;
        }
        case ColumnKind::Text:
        case ColumnKind::Time:
        case ColumnKind::Bytes:
        case ColumnKind::Date:
            writer.Text(row, col, value.getString(), column.format, &column.width);
            return;
        case ColumnKind::Floating:
        case ColumnKind::Integer:
        case ColumnKind::Other:
            break;
    }
    // A code column named cid stays text, as the spreadsheet would keep a quoted entry.
    if (!column.cid && (value.isInteger() || value.isFloat()))
        writer.Number(row, col, value.getDouble(), column, &column.width);
    else
        writer.Text(row, col, value.getString(), column.format, &column.width);
}

std::int64_t CountRows(SQLite::Database& db, const std::string& sql) {
    SQLite::Statement count(db, "SELECT count(*) FROM (" + sql + ")");
    count.executeStep();
    return count.getColumn(0).getInt64();
}

std::filesystem::path WriteWorkbook(SQLite::Database& db, const std::string& sql,
                                    const std::string* sql1, std::size_t firstCount,
                                    const FieldDataArray& columns, const WorkbookRequest& request,
                                    const exchange::ExchangeProgress& progress) {
    const bool paired = sql1 != nullptr;
    const std::int64_t total = CountRows(db, sql);
    if (total == 0) throw UserError(kEmptyWorkbookExport);
    const std::filesystem::path target = WithExtension(request.chosenName, ".xlsx");

    SQLite::Statement first(db, sql);
    std::optional<SQLite::Statement> second;
    if (paired) second.emplace(db, *sql1);

    std::vector<PlannedColumn> plan;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].selected || (paired && i == firstCount)) continue;
        PlannedColumn column;
        column.source = paired && i > firstCount ? 1 : 0;
        SQLite::Statement& statement = column.source == 0 ? first : *second;
        column.index = statement.getColumnIndex(columns[i].fieldName.c_str());
        column.kind = KindOfDeclaredType(DeclaredType(statement, column.index));
        column.cid = !paired && columns[i].fieldName == "cid";
        column.title = columns[i].title;
        column.numberFormat = NumberFormat(column.kind, paired);
        plan.push_back(std::move(column));
    }

    WorkbookFile file(SiblingTempPath(target));
    const std::string sheetName = SheetName(paired ? request.title + "1" : request.title);
    lxw_worksheet* sheet = workbook_add_worksheet(file.Book(), sheetName.c_str());
    if (!sheet) throw std::runtime_error("cannot add the worksheet " + sheetName);
    SheetWriter writer(file.Book(), sheet);

    // Rows go out in ascending order: the workbook is written in constant memory.
    lxw_format* label = workbook_add_format(file.Book());
    format_set_bold(label);
    format_set_font_size(label, 12);
    int widthA = 0;
    int widthB = 0;
    writer.Text(1, 0, "导出日期:", label, &widthA);
    writer.Text(1, 1, request.exportDate, writer.Format("@"), &widthB);
    for (std::size_t k = 0; k < plan.size(); ++k) {
        plan[k].format = writer.Format(plan[k].numberFormat);
        writer.Text(2, static_cast<lxw_col_t>(k), plan[k].title, plan[k].format, &plan[k].width);
    }
    if (!plan.empty()) plan[0].width = std::max(plan[0].width, widthA);
    if (plan.size() > 1) plan[1].width = std::max(plan[1].width, widthB);

    exchange::Report(progress, 0, static_cast<std::uint64_t>(total));
    bool more[2] = {first.executeStep(), paired && second->executeStep()};
    std::uint64_t done = 0;
    for (lxw_row_t row = kFirstRecordRow; more[0] || more[1]; ++row) {
        for (std::size_t k = 0; k < plan.size(); ++k) {
            if (!more[plan[k].source]) continue;
            SQLite::Statement& statement = plan[k].source == 0 ? first : *second;
            WriteValue(writer, row, static_cast<lxw_col_t>(k), statement.getColumn(plan[k].index),
                       plan[k], paired);
        }
        exchange::Report(progress, std::min(++done, static_cast<std::uint64_t>(total)),
                         static_cast<std::uint64_t>(total));
        if (more[0]) more[0] = first.executeStep();
        if (more[1]) more[1] = second->executeStep();
    }
    for (std::size_t k = 0; k < plan.size(); ++k) {
        const double width =
            plan[k].width > 0 ? std::min(255, plan[k].width + 2) : LXW_DEF_COL_WIDTH;
        worksheet_set_column(sheet, static_cast<lxw_col_t>(k), static_cast<lxw_col_t>(k), width,
                             plan[k].format);
    }

    std::string error;
    if (!file.SaveAs(target, error))
        throw UserError(paired ? std::string(kPairedWorkbookSaveFailed) : RunErrorMessage(error));
    return target;
}

std::filesystem::path Guarded(const std::function<std::filesystem::path()>& work) {
    try {
        return work();
    } catch (const UserError&) {
        throw;
    } catch (const std::exception& error) {
        throw UserError(RunErrorMessage(error.what()));
    }
}

}  // namespace

std::filesystem::path ExportResultWorkbook(SQLite::Database& db, const std::string& sql,
                                           const FieldDataArray& columns,
                                           const WorkbookRequest& request,
                                           const exchange::ExchangeProgress& progress) {
    return Guarded([&] { return WriteWorkbook(db, sql, nullptr, 0, columns, request, progress); });
}

std::filesystem::path ExportPairedResultWorkbook(SQLite::Database& db, const std::string& sql,
                                                 const std::string& sql1, std::size_t firstCount,
                                                 const FieldDataArray& columns,
                                                 const WorkbookRequest& request,
                                                 const exchange::ExchangeProgress& progress) {
    return Guarded(
        [&] { return WriteWorkbook(db, sql, &sql1, firstCount, columns, request, progress); });
}

}  // namespace tallwick::query
