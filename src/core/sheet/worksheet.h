#pragma once

#include <string>
#include <string_view>

namespace tallwick::sheet {

namespace detail {
class PackageParts;
}

// One sheet of an open Workbook; a handle that stays valid until the sheet is deleted or the
// workbook goes away. Rows and columns count from 1.
class Worksheet {
  public:
    const std::string& Name() const;

    // The cell's value as text: shared or inline strings, numbers as stored; "" when empty.
    std::string ReadText(int row, int column) const;
    // Text goes in as an inline string, so the shared-strings table stays as it is; "" clears
    // the value and keeps the cell's style.
    void WriteText(int row, int column, std::string_view text);
    void WriteNumber(int row, int column, double value);

    // Inserts a whole row above `row`: rows, cells and merged ranges from `row` on move down,
    // formulas on every sheet and defined names follow, and the new row takes the formats of the
    // row above it.
    void InsertRowAbove(int row);
    // Sets the column as wide as its widest value; merged cells do not count.
    void AutoFitColumn(int column);
    void AlignLeft(int firstRow, int firstColumn, int lastRow, int lastColumn);

  private:
    friend class Workbook;
    Worksheet(detail::PackageParts& parts, std::size_t index) : parts_(&parts), index_(index) {}

    detail::PackageParts* parts_;
    std::size_t index_;
};

}  // namespace tallwick::sheet
