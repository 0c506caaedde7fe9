#include "print/annual_report.h"

#include "common/ascii.h"
#include "common/user_error.h"
#include "entry/record_io.h"
#include "sheet/cell_address.h"
#include "sheet/workbook.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <variant>
#include <vector>

namespace tallwick::print {
namespace {

using Value = std::variant<std::monostate, double, std::string>;
using RowValues = std::map<std::string, Value>;  // by lower-case column name

// The record's row of `statement`, or nothing when there is none.
std::unique_ptr<RowValues> ReadRow(SQLite::Database& db, const char* statement, double code) {
    SQLite::Statement query(db, statement);
    query.bind(1, code);
    if (!query.executeStep()) return nullptr;
    auto row = std::make_unique<RowValues>();
    for (int i = 0; i < query.getColumnCount(); ++i) {
        const SQLite::Column column = query.getColumn(i);
        Value value;
        if (column.isInteger() || column.isFloat())
            value = column.getDouble();
        else if (!column.isNull())
            value = column.getString();
        (*row)[AsciiLower(query.getColumnName(i))] = std::move(value);
    }
    return row;
}

std::vector<int> SheetNumbers(SQLite::Database& db) {
    SQLite::Statement query(
        db, "select distinct printPageID from dt_fieldlist where pageid>=0 order by printPageID");
    std::vector<int> numbers;
    // Rows without a sheet number name no cell, so they add no step either.
    while (query.executeStep())
        if (!query.getColumn(0).isNull()) numbers.push_back(query.getColumn(0).getInt());
    return numbers;
}

// A workbook cell holds at most 32767 characters; a longer text would make a file the viewer
// refuses or cuts, so the record is not printed until it is corrected.
const std::string& FitsACell(const std::string& text, const std::string& field) {
    constexpr std::size_t kMaxCellText = 32767;
    if (text.size() <= kMaxCellText) return text;
    const auto characters =
        static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    if (characters > kMaxCellText)
        throw UserError(
            "有文本超过了工作簿单元格所能容纳的32767个字符，不能打印。请先修正这个数据，"
            "字段：" +
            field);
    return text;
}

void FillSheet(SQLite::Database& db, sheet::Worksheet target, int number, const RowValues* row) {
    SQLite::Statement fields(db, "select * from dt_fieldlist where printPageID=?");
    fields.bind(1, number);
    while (fields.executeStep()) {
        const std::string name = fields.getColumn("FieldName").getString();
        const std::string place = fields.getColumn("printplace").getString();
        const auto cell = sheet::ParseCellName(place);
        if (!cell)
            throw std::runtime_error("the print place \"" + place + "\" of " + name +
                                     " is not a cell");
        if (!row) continue;
        const auto found = row->find(AsciiLower(name));
        if (found == row->end())
            throw std::runtime_error("no column " + name + " for sheet " + std::to_string(number));
        if (const auto* value = std::get_if<double>(&found->second))
            target.WriteNumber(cell->row, cell->column, *value);
        else if (const auto* text = std::get_if<std::string>(&found->second))
            target.WriteText(cell->row, cell->column, FitsACell(*text, name));
        else
            target.WriteText(cell->row, cell->column, "");
    }
}

}  // namespace

std::string NoRecordMessage(double code) {
    return "没有编号为 " + entry::CodeText(code) + " 的数据";
}

void WriteAnnualReport(SQLite::Database& db, const std::filesystem::path& templatePath, double code,
                       const std::filesystem::path& output, FinalSheet finalSheet,
                       const PrintProgress& progress) {
    std::unique_ptr<sheet::Workbook> book;
    try {
        book = std::make_unique<sheet::Workbook>(sheet::Workbook::OpenTemplate(templatePath));
    } catch (const std::exception&) {
        throw UserError(kTemplateOpenFailed);
    }
    const auto record = ReadRow(db, "select * from view_data where c901=?", code);
    if (!record) throw UserError(NoRecordMessage(code));
    const auto second = ReadRow(db, "select * from dt_data1 where c901=?", code);

    const std::vector<int> numbers = SheetNumbers(db);
    const int total = static_cast<int>(numbers.size());
    if (progress) progress(0, total);
    int done = 0;
    for (const int number : numbers) {
        FillSheet(db, book->Sheet(number), number,
                  number == kSecondTableSheet ? second.get() : record.get());
        if (progress) progress(++done, total);
    }
    if (finalSheet == FinalSheet::LastFilled && !numbers.empty())
        book->ActivateSheet(numbers.back());
    else
        book->ActivateFirstSheet();
    book->Save(output);
}

}  // namespace tallwick::print
