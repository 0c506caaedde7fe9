#include "query/result_workbook.h"

#include "common/file_io.h"
#include "common/user_error.h"
#include "query/column_kind.h"
#include "query/export_messages.h"
#include "query/result_columns.h"
#include "sheet/cell_address.h"
#include "sheet/deflated_file.h"
#include "sheet/text_width.h"
#include "store/engine_error.h"

#include <SQLiteCpp/Statement.h>
#include <xlsxwriter.h>
#include <xlsxwriter/xmlwriter.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace tallwick::query {
namespace {

constexpr lxw_row_t kFirstRecordRow = 4;     // row 5
constexpr std::size_t kMaxCellText = 32767;  // characters; libxlsxwriter refuses longer texts

struct PlannedColumn {
    int source = 0;  // 0: first result set, 1: second
    int index = 0;
    ColumnKind kind = ColumnKind::Other;
    bool cid = false;
    std::string title;
    lxw_format* format = nullptr;
    int style = -1;  // the style index of `format`, -1 without one
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

// The width of a whole number written with thousands separators.
int GroupedWidth(long long value) {
    unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
    int digits = 1;
    while (magnitude >= 10) {
        magnitude /= 10;
        ++digits;
    }
    return digits + (digits - 1) / 3 + (value < 0 ? 1 : 0);
}

// The width of the text a number shows in its column's format, for fitting the column's width;
// every character but the yuan sign is one cell wide. Runs for every number written, so it
// builds no text.
int ShownNumberWidth(double value, const char* format) {
    if (!format) {
        char buffer[32];
        return static_cast<int>(std::to_chars(buffer, buffer + sizeof buffer, value).ptr - buffer);
    }
    if (format[0] == '#') return GroupedWidth(std::llround(value)) + 1;
    static const int yuan = sheet::DisplayWidth("￥");
    return yuan + GroupedWidth(static_cast<long long>(value)) + 3;
}

// The record rows' cells as the sheet's XML, deflated on the second core into a file of their
// own while the rows are read. libxlsxwriter would format every number through printf into a
// temporary file and deflate the whole sheet at its default level; these rows are spliced into
// its sheet afterwards instead, with the same cells, styles and escaping, at the fastest level.
class RecordRows {
  public:
    RecordRows(std::filesystem::path path, std::size_t columns) : deflated_(std::move(path)) {
        names_.reserve(columns);
        for (std::size_t col = 0; col < columns; ++col) {
            char name[LXW_MAX_COL_NAME_LENGTH];
            lxw_col_to_name(name, static_cast<lxw_col_t>(col), LXW_FALSE);
            names_.emplace_back(name);
        }
        buffer_.reserve(kFlushAt + 64 * 1024);
    }
    RecordRows(const RecordRows&) = delete;
    RecordRows& operator=(const RecordRows&) = delete;

    // `style` is the cell's style index, or -1 without a format.
    void Number(lxw_row_t row, lxw_col_t col, int style, double value) {
        OpenCell(row, col, style);
        buffer_ += "><v>";
        AppendNumber(value);
        buffer_ += "</v></c>";
    }

    // As worksheet_write_string in constant memory: an empty text is a blank cell when formatted
    // and nothing otherwise; a text over the cell limit fails the export rather than vanish.
    // The text ends at its first NUL, as the C string libxlsxwriter would be handed.
    void Text(lxw_row_t row, lxw_col_t col, int style, const std::string& whole) {
        const std::string_view text(whole.c_str());
        if (text.empty()) {
            if (style < 0) return;
            OpenCell(row, col, style);
            buffer_ += "/>";
            return;
        }
        if (text.size() > kMaxCellText && lxw_utf8_strlen(whole.c_str()) > kMaxCellText)
            throw UserError(kCellTextTooLong +
                            sheet::CellName(static_cast<int>(row) + 1, static_cast<int>(col) + 1));
        OpenCell(row, col, style);
        const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == '&' || c == '<' || c == '>';
        });
        if (plain) {
            AppendInline(text);
            return;
        }
        using Owned = std::unique_ptr<char, decltype(&std::free)>;
        const Owned controls(lxw_has_control_characters(whole.c_str())
                                 ? lxw_escape_control_characters(whole.c_str())
                                 : nullptr,
                             &std::free);
        const Owned escaped(lxw_escape_data(controls ? controls.get() : whole.c_str()), &std::free);
        if (!escaped) throw std::bad_alloc();
        AppendInline(escaped.get());
    }

    void EndRow() {
        if (!rowOpen_) return;
        buffer_ += "</row>";
        rowOpen_ = false;
        if (buffer_.size() >= kFlushAt) Flush();
    }

    void Finish() {
        EndRow();
        Flush();
        deflated_.Finish();
    }

    const sheet::DeflatedFile& Deflated() const { return deflated_; }
    bool Any() const { return any_; }
    lxw_row_t LastRow() const { return lastRow_; }
    lxw_col_t LastCol() const { return lastCol_; }

  private:
    static constexpr std::size_t kFlushAt = 1 << 20;

    template <typename Integer>
    void AppendInteger(Integer value) {
        char digits[24];
        buffer_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }

    // "%.16G" prints a whole number below 1e16 as its digits, which to_chars does much faster.
    void AppendNumber(double value) {
        if (value == std::trunc(value) && std::fabs(value) < 1e15 &&
            !(value == 0 && std::signbit(value))) {
            AppendInteger(static_cast<long long>(value));
            return;
        }
        char text[LXW_ATTR_32];
        const int length = std::snprintf(text, sizeof text, "%.16G", value);
        buffer_.append(text, static_cast<std::size_t>(std::clamp(length, 0, LXW_ATTR_32 - 1)));
    }

    void OpenCell(lxw_row_t row, lxw_col_t col, int style) {
        if (!rowOpen_) {
            buffer_ += "<row r=\"";
            AppendInteger(row + 1);
            buffer_ += "\">";
            rowOpen_ = true;
            nextCol_ = 0;
        }
        // A cell's reference may be left out when it follows the previous cell of its row, which
        // is nearly always: a tenth of the sheet's text and of its compression time.
        buffer_ += "<c";
        if (col != nextCol_) {
            buffer_ += " r=\"";
            buffer_ += names_[col];
            AppendInteger(row + 1);
            buffer_ += '"';
        }
        nextCol_ = col + 1;
        if (style > 0) {
            buffer_ += " s=\"";
            AppendInteger(style);
            buffer_ += '"';
        }
        any_ = true;
        lastRow_ = std::max(lastRow_, row);
        lastCol_ = std::max(lastCol_, col);
    }

    void AppendInline(std::string_view escaped) {
        const bool preserve = std::isspace(static_cast<unsigned char>(escaped.front())) ||
                              std::isspace(static_cast<unsigned char>(escaped.back()));
        buffer_ += preserve ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                            : " t=\"inlineStr\"><is><t>";
        buffer_ += escaped;
        buffer_ += "</t></is></c>";
    }

    void Flush() {
        if (buffer_.empty()) return;
        deflated_.Append(buffer_);
        buffer_.reserve(kFlushAt + 64 * 1024);
    }

    sheet::DeflatedFile deflated_;
    std::vector<std::string> names_;
    std::string buffer_;
    bool rowOpen_ = false;
    lxw_col_t nextCol_ = 0;  // the column a cell without a reference stands in
    bool any_ = false;
    lxw_row_t lastRow_ = 0;
    lxw_col_t lastCol_ = 0;
};

constexpr const char* kSheetEntry = "xl/worksheets/sheet1.xml";

// libzip copies the deflated sheet as its start, the rows file and its end, three parts of one
// deflate stream, without joining them on disk or compressing anything again.
struct SplicedSheet {
    std::string head;  // deflated, as the parts below
    std::string tail;
    const sheet::DeflatedFile* rows = nullptr;
    std::uint64_t textSize = 0;  // of the whole sheet before deflating
    std::uint32_t crc = 0;
    std::FILE* file = nullptr;
    std::uint64_t offset = 0;
    time_t mtime = 0;
    zip_error_t error{};

    std::uint64_t Size() const { return head.size() + rows->CompressedSize() + tail.size(); }
    ~SplicedSheet() {
        if (file) std::fclose(file);
        zip_error_fini(&error);
    }
};

zip_int64_t ReadSplicedSheet(void* state, void* data, zip_uint64_t length,
                             zip_source_cmd_t command) {
    auto& sheet = *static_cast<SplicedSheet*>(state);
    switch (command) {
        case ZIP_SOURCE_OPEN:
            sheet.file = std::fopen(sheet.rows->Path().c_str(), "rb");
            if (!sheet.file) {
                zip_error_set(&sheet.error, ZIP_ER_OPEN, errno);
                return -1;
            }
            sheet.offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            auto* out = static_cast<char*>(data);
            const std::uint64_t rowsEnd = sheet.head.size() + sheet.rows->CompressedSize();
            zip_uint64_t done = 0;
            while (done < length && sheet.offset < sheet.Size()) {
                std::size_t count = 0;
                if (sheet.offset < sheet.head.size()) {
                    count =
                        std::min<std::uint64_t>(length - done, sheet.head.size() - sheet.offset);
                    std::memcpy(out + done, sheet.head.data() + sheet.offset, count);
                } else if (sheet.offset < rowsEnd) {
                    count = std::fread(
                        out + done, 1,
                        std::min<std::uint64_t>(length - done, rowsEnd - sheet.offset), sheet.file);
                    if (count == 0) {
                        zip_error_set(&sheet.error, ZIP_ER_READ, errno);
                        return -1;
                    }
                } else {
                    const std::uint64_t at = sheet.offset - rowsEnd;
                    count = std::min<std::uint64_t>(length - done, sheet.tail.size() - at);
                    std::memcpy(out + done, sheet.tail.data() + at, count);
                }
                done += count;
                sheet.offset += count;
            }
            return static_cast<zip_int64_t>(done);
        }
        case ZIP_SOURCE_CLOSE:
            if (sheet.file) std::fclose(sheet.file);
            sheet.file = nullptr;
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &sheet.error);
            if (!stat) return -1;
            zip_stat_init(stat);
            stat->size = sheet.textSize;
            stat->comp_size = sheet.Size();
            stat->comp_method = ZIP_CM_DEFLATE;
            stat->crc = sheet.crc;
            stat->mtime = sheet.mtime;
            stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                           ZIP_STAT_CRC | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&sheet.error, data, length);
        case ZIP_SOURCE_FREE:
            return 0;  // the state belongs to the caller
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&sheet.error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

// The sheet's dimension widened to take in the record rows.
void WidenDimension(std::string& xml, const RecordRows& rows) {
    if (!rows.Any()) return;
    constexpr std::string_view kRef = "<dimension ref=\"";
    const auto start = xml.find(kRef);
    if (start == std::string::npos) throw std::runtime_error("no dimension in the sheet");
    const auto begin = start + kRef.size();
    const auto end = xml.find('"', begin);
    if (end == std::string::npos) throw std::runtime_error("no dimension in the sheet");
    const std::string_view ref(xml.data() + begin, end - begin);
    const auto colon = ref.find(':');
    const auto corner =
        sheet::ParseCellName(colon == std::string_view::npos ? ref : ref.substr(colon + 1));
    if (!corner) throw std::runtime_error("no dimension in the sheet");
    // The rows file counts from 0, the sheet's names from 1.
    const std::string last =
        sheet::CellName(std::max(corner->row, static_cast<int>(rows.LastRow()) + 1),
                        std::max(corner->column, static_cast<int>(rows.LastCol()) + 1));
    xml.replace(begin, end - begin,
                std::string(ref.substr(0, std::min(colon, ref.size()))) + ":" + last);
}

// Puts the record rows into the closed workbook's sheet, before the end of its sheet data.
void SpliceRows(const std::filesystem::path& workbook, const RecordRows& rows) {
    int code = 0;
    zip_t* archive = zip_open(workbook.c_str(), 0, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string message = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw std::runtime_error(message);
    }
    const auto fail = [&] {
        const std::string message = zip_strerror(archive);
        zip_discard(archive);
        throw std::runtime_error(message);
    };
    const zip_int64_t index = zip_name_locate(archive, kSheetEntry, 0);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
        fail();
    std::string xml(stat.size, '\0');
    zip_file_t* entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!entry) fail();
    const zip_int64_t read = zip_fread(entry, xml.data(), xml.size());
    zip_fclose(entry);
    if (read != static_cast<zip_int64_t>(xml.size())) fail();

    const auto end = xml.rfind("</sheetData>");
    if (end == std::string::npos) {
        zip_discard(archive);
        throw std::runtime_error("no sheet data in the sheet");
    }
    SplicedSheet spliced;
    spliced.tail = xml.substr(end);
    xml.resize(end);
    try {
        WidenDimension(xml, rows);
    } catch (...) {
        zip_discard(archive);
        throw;
    }
    const sheet::DeflatedFile& deflated = rows.Deflated();
    const std::string tail = std::move(spliced.tail);
    spliced.textSize = xml.size() + deflated.TextSize() + tail.size();
    spliced.crc =
        sheet::CombineCrc(sheet::CombineCrc(sheet::Crc32(xml), deflated.Crc(), deflated.TextSize()),
                          sheet::Crc32(tail), tail.size());
    spliced.head = sheet::DeflatePart(xml, false);
    spliced.tail = sheet::DeflatePart(tail, true);
    spliced.rows = &deflated;
    spliced.mtime = stat.mtime;
    zip_error_init(&spliced.error);
    zip_source_t* source = zip_source_function(archive, ReadSplicedSheet, &spliced);
    if (!source) fail();
    // Added afresh (it moves to the end of the archive, where readers find it as well): libzip
    // takes a source that says it is deflated as it stands.
    if (zip_delete(archive, static_cast<zip_uint64_t>(index)) != 0) {
        zip_source_free(source);
        fail();
    }
    const zip_int64_t added = zip_file_add(archive, kSheetEntry, source, 0);
    if (added < 0) {
        zip_source_free(source);
        fail();
    }
    if (zip_close(archive) != 0) fail();
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

    // Closes the workbook, splices the record rows in and moves it over the target; the message
    // on failure is the caller's.
    bool SaveAs(const std::filesystem::path& target, RecordRows& rows, std::string& error) {
        const lxw_error result = workbook_close(book_);
        book_ = nullptr;
        if (result != LXW_NO_ERROR) {
            error = lxw_strerror(result);
            return false;
        }
        try {
            rows.Finish();
            SpliceRows(temp_, rows);
        } catch (const std::exception& failure) {
            error = failure.what();
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

    // One format object per number format: libxlsxwriter caches the style index only on the
    // first object with given properties and re-hashes every duplicate on every cell it writes.
    lxw_format* Format(const char* numberFormat) {
        if (!numberFormat) return nullptr;
        lxw_format*& format = formats_[numberFormat];
        if (!format) {
            format = workbook_add_format(book_);
            format_set_num_format(format, numberFormat);
        }
        return format;
    }

    void Text(lxw_row_t row, lxw_col_t col, const std::string& text, lxw_format* format,
              int* width) {
        if (worksheet_write_string(sheet_, row, col, text.c_str(), format) ==
            LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
            throw UserError(kCellTextTooLong +
                            sheet::CellName(static_cast<int>(row) + 1, static_cast<int>(col) + 1));
        if (width) *width = std::max(*width, sheet::DisplayWidth(text));
    }

  private:
    lxw_workbook* book_;
    lxw_worksheet* sheet_;
    std::map<std::string, lxw_format*, std::less<>> formats_;
};

void PutText(RecordRows& rows, lxw_row_t row, lxw_col_t col, const std::string& text,
             PlannedColumn& column) {
    rows.Text(row, col, column.style, text);
    column.width = std::max(column.width, sheet::DisplayWidth(text));
}

void WriteValue(RecordRows& rows, lxw_row_t row, lxw_col_t col, const SQLite::Column& value,
                PlannedColumn& column, bool paired) {
    const int type = value.getType();
    if (type == SQLite::Null) return;
    const bool numeric = type == SQLite::INTEGER || type == SQLite::FLOAT;
    switch (column.kind) {
        case ColumnKind::Boolean:
            PutText(rows, row, col, value.getInt64() != 0 ? "是" : "不是", column);
            return;
        case ColumnKind::DateTime: {
            const std::string text = value.getString();
            if (text.empty() || (numeric && value.getDouble() == 0)) return;
            PutText(rows, row, col, text.substr(0, paired ? 10 : 7), column);
            return;
        }
        case ColumnKind::Text:
        case ColumnKind::Time:
        case ColumnKind::Bytes:
        case ColumnKind::Date:
            PutText(rows, row, col, value.getString(), column);
            return;
        case ColumnKind::Floating:
        case ColumnKind::Integer:
        case ColumnKind::Other:
            break;
    }
    // A code column named cid stays text, as the spreadsheet would keep a quoted entry.
    if (!column.cid && numeric) {
        const double number = value.getDouble();
        rows.Number(row, col, column.style, number);
        column.width = std::max(column.width, ShownNumberWidth(number, column.numberFormat));
    } else {
        PutText(rows, row, col, value.getString(), column);
    }
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

    // Made private before the first byte of a record is written; the writers open them as they are.
    WorkbookFile file(CreatePrivateTempFile(target));
    RecordRows rows(CreatePrivateTempFile(target), plan.size());
    const std::string sheetName = SheetName(paired ? request.title + "1" : request.title);
    lxw_worksheet* sheet = workbook_add_worksheet(file.Book(), sheetName.c_str());
    if (!sheet) throw std::runtime_error("cannot add the worksheet " + sheetName);
    SheetWriter writer(file.Book(), sheet);

    lxw_format* label = workbook_add_format(file.Book());
    format_set_bold(label);
    format_set_font_size(label, 12);
    lxw_format* dateFormat = writer.Format("@");
    int widthA = 0;
    int widthB = 0;
    writer.Text(1, 0, "导出日期:", label, &widthA);
    writer.Text(1, 1, request.exportDate, dateFormat, &widthB);
    // Style indexes go to formats in the order their cells reach the sheet: the date line, the
    // titles, then the records, which reuse the titles' formats.
    lxw_format_get_xf_index(label);
    lxw_format_get_xf_index(dateFormat);
    for (std::size_t k = 0; k < plan.size(); ++k) {
        plan[k].format = writer.Format(plan[k].numberFormat);
        plan[k].style = plan[k].format ? lxw_format_get_xf_index(plan[k].format) : -1;
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
            WriteValue(rows, row, static_cast<lxw_col_t>(k), statement.getColumn(plan[k].index),
                       plan[k], paired);
        }
        rows.EndRow();
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
    if (!file.SaveAs(target, rows, error))
        throw UserError(paired ? std::string(kPairedWorkbookSaveFailed) : RunErrorMessage(error));
    return target;
}

std::filesystem::path Guarded(const std::function<std::filesystem::path()>& work) {
    try {
        return work();
    } catch (const UserError&) {
        throw;
    } catch (const std::exception& error) {
        throw UserError(RunErrorMessage(ErrorText(error)));
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
