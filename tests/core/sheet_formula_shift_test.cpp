// Formula references after inserting rows, as a spreadsheet application moves them.
#include "sheet/cell_address.h"
#include "sheet/formula_shift.h"

#include <gtest/gtest.h>

namespace tallwick::sheet {
namespace {

TEST(SheetFormulaShift, ReferencesMoveLikeTheApplicationMovesThem) {
    struct Case {
        const char* before;
        const char* after;
    };
    // Rows are inserted above row 10 of sheet "表1".
    const Case cases[] = {
        {"SUM(B9:B10)", "SUM(B9:B11)"},              // a range over the insertion point grows
        {"SUM(B10:B12)", "SUM(B11:B13)"},            // a range below moves
        {"SUM(B2:B9)", "SUM(B2:B9)"},                // a range above stays
        {"$B$10+B$10+$B10", "$B$11+B$11+$B11"},      // absolute references move too
        {"LOG10(C10)", "LOG10(C11)"},                // a function name is no reference
        {"\"B10\"&B10", "\"B10\"&B11"},              // nor is a string
        {"'表1'!B10+表1!C10", "'表1'!B11+表1!C11"},  // this sheet, named
        {"Other!B10+'It''s'!B10", "Other!B10+'It''s'!B10"},    // other sheets stay
        {"Other!B9:B10+B10", "Other!B9:B10+B11"},              // the qualifier covers both ends
        {"SUM(10:12)+SUM($9:$10)", "SUM(11:13)+SUM($9:$11)"},  // whole rows
        {"SUM(A:A)+1.5E10+10", "SUM(A:A)+1.5E10+10"},          // columns and numbers
        {"A2:A4 B10:C10", "A2:A4 B11:C11"},                    // a range list (merges, sqref)
    };
    const RowInsertion insertion{"表1", 10, 1, true};
    for (const Case& c : cases) EXPECT_EQ(ShiftRows(c.before, insertion), c.after) << c.before;

    const RowInsertion fromOtherSheet{"表1", 10, 1, false};
    EXPECT_EQ(ShiftRows("B10+表1!B10", fromOtherSheet), "B10+表1!B11");
}

TEST(SheetFormulaShift, CellNames) {
    EXPECT_EQ(CellName(10, 1), "A10");
    EXPECT_EQ(ColumnName(26), "Z");
    EXPECT_EQ(ColumnName(27), "AA");
    EXPECT_EQ(ColumnName(703), "AAA");
    const auto parsed = ParseCellName("$AB$12");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->row, 12);
    EXPECT_EQ(parsed->column, 28);
    for (const char* bad : {"", "A", "12", "A0", "a1", "ABCD1", "A1B", "LOG"})
        EXPECT_FALSE(ParseCellName(bad)) << bad;
}

}  // namespace
}  // namespace tallwick::sheet
