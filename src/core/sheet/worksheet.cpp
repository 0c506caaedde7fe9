#include "sheet/worksheet.h"

#include "sheet/cell_address.h"
#include "sheet/formula_shift.h"
#include "sheet/package_parts.h"
#include "sheet/text_width.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace tallwick::sheet {
namespace {

using detail::PackageParts;

pugi::xml_node Root(PackageParts& parts, std::size_t index) {
    return parts.Xml(parts.sheets.at(index).part).child("worksheet");
}

int RowNumber(const pugi::xml_node& row) {
    return row.attribute("r").as_int();
}

int ColumnOf(const pugi::xml_node& cell) {
    const auto address = ParseCellName(cell.attribute("r").value());
    return address ? address->column : 0;
}

void SetAttribute(pugi::xml_node node, const char* name, const char* value) {
    if (!node.attribute(name)) node.append_attribute(name);
    node.attribute(name).set_value(value);
}

// Elements of a worksheet must stay in schema order; a missing one goes before the first
// existing element that follows it.
pugi::xml_node ChildInOrder(pugi::xml_node root, const char* name,
                            std::initializer_list<const char*> followers) {
    if (pugi::xml_node existing = root.child(name)) return existing;
    for (const char* follower : followers) {
        if (pugi::xml_node next = root.child(follower)) return root.insert_child_before(name, next);
    }
    return root.append_child(name);
}

pugi::xml_node FindRow(pugi::xml_node sheetData, int row, bool create) {
    pugi::xml_node after;
    for (pugi::xml_node node : sheetData.children("row")) {
        const int number = RowNumber(node);
        if (number == row) return node;
        if (number > row) {
            if (!create) return {};
            after = node;
            break;
        }
    }
    if (!create) return {};
    pugi::xml_node node =
        after ? sheetData.insert_child_before("row", after) : sheetData.append_child("row");
    node.append_attribute("r").set_value(row);
    return node;
}

pugi::xml_node FindCell(pugi::xml_node rowNode, int row, int column, bool create) {
    pugi::xml_node after;
    for (pugi::xml_node cell : rowNode.children("c")) {
        const int number = ColumnOf(cell);
        if (number == column) return cell;
        if (number > column) {
            after = cell;
            break;
        }
    }
    if (!create) return {};
    pugi::xml_node cell =
        after ? rowNode.insert_child_before("c", after) : rowNode.append_child("c");
    cell.append_attribute("r").set_value(CellName(row, column).c_str());
    if (rowNode.attribute("customFormat").as_bool() && rowNode.attribute("s"))
        cell.append_attribute("s").set_value(rowNode.attribute("s").value());
    rowNode.remove_attribute("spans");
    return cell;
}

pugi::xml_node WritableCell(PackageParts& parts, std::size_t index, int row, int column) {
    if (row < 1 || column < 1)
        throw std::out_of_range("cell " + std::to_string(row) + "," + std::to_string(column));
    pugi::xml_node sheetData = Root(parts, index).child("sheetData");
    pugi::xml_node cell = FindCell(FindRow(sheetData, row, true), row, column, true);
    while (pugi::xml_node child = cell.first_child()) cell.remove_child(child);
    cell.remove_attribute("t");
    return cell;
}

std::string CellText(PackageParts& parts, const pugi::xml_node& cell) {
    const std::string_view type = cell.attribute("t").value();
    if (type == "inlineStr") {
        std::string text;
        pugi::xml_node is = cell.child("is");
        if (is.child("t")) text = is.child("t").text().get();
        for (pugi::xml_node run : is.children("r")) text += run.child("t").text().get();
        return text;
    }
    const std::string value = cell.child("v").text().get();
    if (type == "s" && !value.empty()) {
        const auto& strings = parts.SharedStrings();
        const auto index = static_cast<std::size_t>(std::stoul(value));
        return index < strings.size() ? strings[index] : std::string();
    }
    return value;
}

bool InMultiCellMerge(const pugi::xml_node& root, int row, int column) {
    for (pugi::xml_node merge : root.child("mergeCells").children("mergeCell")) {
        const std::string_view ref = merge.attribute("ref").value();
        const std::size_t colon = ref.find(':');
        if (colon == std::string_view::npos) continue;
        const auto first = ParseCellName(ref.substr(0, colon));
        const auto last = ParseCellName(ref.substr(colon + 1));
        if (first && last && row >= first->row && row <= last->row && column >= first->column &&
            column <= last->column)
            return true;
    }
    return false;
}

void ShiftAttribute(pugi::xml_node node, const char* name, const RowInsertion& insertion) {
    if (pugi::xml_attribute attribute = node.attribute(name))
        attribute.set_value(ShiftRows(attribute.value(), insertion).c_str());
}

// Shifts the formulas of one sheet; a formula that changed or lives on the edited sheet loses
// its cached value, which the application recalculates on opening.
void ShiftFormulas(pugi::xml_node root, const RowInsertion& insertion, bool ownSheet) {
    for (pugi::xml_node row : root.child("sheetData").children("row")) {
        for (pugi::xml_node cell : row.children("c")) {
            pugi::xml_node formula = cell.child("f");
            if (!formula) continue;
            const std::string before = formula.text().get();
            if (!ownSheet && before.find(insertion.sheetName) == std::string::npos) continue;
            const std::string after = ShiftRows(before, insertion);
            if (!ownSheet && after == before) continue;
            formula.text().set(after.c_str());
            ShiftAttribute(formula, "ref", insertion);
            cell.remove_child("v");
            if (std::string_view(cell.attribute("t").value()) != "str") cell.remove_attribute("t");
        }
    }
}

}  // namespace

const std::string& Worksheet::Name() const {
    return parts_->sheets.at(index_).name;
}

std::string Worksheet::ReadText(int row, int column) const {
    pugi::xml_node sheetData = Root(*parts_, index_).child("sheetData");
    pugi::xml_node rowNode = FindRow(sheetData, row, false);
    if (!rowNode) return {};
    pugi::xml_node cell = FindCell(rowNode, row, column, false);
    return cell ? CellText(*parts_, cell) : std::string();
}

void Worksheet::WriteText(int row, int column, std::string_view text) {
    pugi::xml_node cell = WritableCell(*parts_, index_, row, column);
    if (text.empty()) return;
    cell.append_attribute("t").set_value("inlineStr");
    pugi::xml_node t = cell.append_child("is").append_child("t");
    if (text.front() == ' ' || text.back() == ' ' || text.find('\n') != std::string_view::npos)
        t.append_attribute("xml:space").set_value("preserve");
    t.text().set(std::string(text).c_str());
}

void Worksheet::WriteNumber(int row, int column, double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("a cell cannot hold " + std::to_string(value));
    pugi::xml_node cell = WritableCell(*parts_, index_, row, column);
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    cell.append_child("v").text().set(std::string(digits, end).c_str());
}

void Worksheet::InsertRowAbove(int row) {
    if (row < 1) throw std::out_of_range("row " + std::to_string(row));
    const RowInsertion own{Name(), row, 1, true};
    pugi::xml_node root = Root(*parts_, index_);
    pugi::xml_node sheetData = root.child("sheetData");

    pugi::xml_node above;
    pugi::xml_node firstMoved;
    for (pugi::xml_node node : sheetData.children("row")) {
        const int number = RowNumber(node);
        if (number == row - 1) above = node;
        if (number < row) continue;
        if (!firstMoved) firstMoved = node;
        node.attribute("r").set_value(number + 1);
        node.remove_attribute("spans");
        for (pugi::xml_node cell : node.children("c")) {
            cell.attribute("r").set_value(CellName(number + 1, ColumnOf(cell)).c_str());
        }
    }
    ShiftFormulas(root, own, true);
    for (pugi::xml_node merge : root.child("mergeCells").children("mergeCell"))
        ShiftAttribute(merge, "ref", own);
    for (pugi::xml_node format : root.children("conditionalFormatting"))
        ShiftAttribute(format, "sqref", own);
    for (pugi::xml_node validation : root.child("dataValidations").children("dataValidation"))
        ShiftAttribute(validation, "sqref", own);
    for (pugi::xml_node link : root.child("hyperlinks").children("hyperlink"))
        ShiftAttribute(link, "ref", own);

    // Formulas on the other sheets and defined names only follow references that name this sheet.
    const RowInsertion named{Name(), row, 1, false};
    for (std::size_t other = 0; other < parts_->sheets.size(); ++other) {
        if (other != index_) ShiftFormulas(Root(*parts_, other), named, false);
    }
    pugi::xml_node workbook = parts_->Xml(parts_->workbookPart).child("workbook");
    for (pugi::xml_node name : workbook.child("definedNames").children("definedName")) {
        const bool local =
            name.attribute("localSheetId") && name.attribute("localSheetId").as_uint() == index_;
        const RowInsertion scope{Name(), row, 1, local};
        name.text().set(ShiftRows(name.text().get(), scope).c_str());
    }

    pugi::xml_node inserted = firstMoved ? sheetData.insert_child_before("row", firstMoved)
                                         : sheetData.append_child("row");
    inserted.append_attribute("r").set_value(row);
    if (!above) return;
    for (const char* attribute : {"s", "customFormat", "ht", "customHeight"}) {
        if (above.attribute(attribute))
            inserted.append_attribute(attribute).set_value(above.attribute(attribute).value());
    }
    for (pugi::xml_node cell : above.children("c")) {
        if (!cell.attribute("s")) continue;
        pugi::xml_node copy = inserted.append_child("c");
        copy.append_attribute("r").set_value(CellName(row, ColumnOf(cell)).c_str());
        copy.append_attribute("s").set_value(cell.attribute("s").value());
    }
}

void Worksheet::AutoFitColumn(int column) {
    pugi::xml_node root = Root(*parts_, index_);
    int widest = 0;
    for (pugi::xml_node row : root.child("sheetData").children("row")) {
        pugi::xml_node cell = FindCell(row, RowNumber(row), column, false);
        if (!cell || InMultiCellMerge(root, RowNumber(row), column)) continue;
        widest = std::max(widest, DisplayWidth(CellText(*parts_, cell)));
    }
    if (widest == 0) return;
    const double width = widest + 2.0;

    pugi::xml_node cols = ChildInOrder(root, "cols", {"sheetData"});
    pugi::xml_node target;
    for (pugi::xml_node col : cols.children("col")) {
        const int first = col.attribute("min").as_int();
        const int last = col.attribute("max").as_int();
        if (column < first) {
            target = cols.insert_child_before("col", col);
            break;
        }
        if (column > last) continue;
        // Split the range so that only this column changes.
        if (first < column) {
            pugi::xml_node before = cols.insert_copy_before(col, col);
            before.attribute("max").set_value(column - 1);
        }
        if (last > column) {
            pugi::xml_node after = cols.insert_copy_after(col, col);
            after.attribute("min").set_value(column + 1);
        }
        target = col;
        break;
    }
    if (!target) target = cols.append_child("col");
    SetAttribute(target, "min", std::to_string(column).c_str());
    SetAttribute(target, "max", std::to_string(column).c_str());
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, width).ptr;
    SetAttribute(target, "width", std::string(digits, end).c_str());
    SetAttribute(target, "customWidth", "1");
    SetAttribute(target, "bestFit", "1");
}

void Worksheet::AlignLeft(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    pugi::xml_node sheetData = Root(*parts_, index_).child("sheetData");
    for (int row = firstRow; row <= lastRow; ++row) {
        pugi::xml_node rowNode = FindRow(sheetData, row, true);
        for (int column = firstColumn; column <= lastColumn; ++column) {
            pugi::xml_node cell = FindCell(rowNode, row, column, true);
            const int style = parts_->LeftAligned(cell.attribute("s").as_int(0));
            if (!cell.attribute("s")) cell.append_attribute("s");
            cell.attribute("s").set_value(style);
        }
    }
}

}  // namespace tallwick::sheet
