#pragma once

#include <QString>

#include <SQLiteCpp/Database.h>

#include <functional>
#include <vector>

namespace tallwick::ui {

// What deleting from a list needs of the list.
struct DeletableList {
    std::function<int()> rowCount;
    std::function<std::vector<int>()> markedRowsInMarkOrder;
    std::function<int()> currentRow;
    std::function<double(int row)> codeAt;
    std::function<void(int row)> moveTo;      // shows the row being asked about
    std::function<void()> requeryKeepingRow;  // back to the same position, else the last row
};

// Asks like AskQuestion: (text, button flags) -> 6 是, 7 否, 10 全都是, 9 全都否, 2 closed.
using Asker = std::function<int(const QString& text, int flags)>;

inline const QString kDeleteQuestion = QStringLiteral("您确定要删除当前所选择的记录吗?");

// Deletes, after asking, the records of the marked rows (or the current row when one row or
// none is marked) from both record tables, each deletion in one transaction, then re-reads the
// list. With several marked rows it asks row by row: 全都是 deletes that row and every later
// one, 否 ends, closing the question moves on to the next row.
void DeleteSelectedRecords(const DeletableList& list, SQLite::Database& db, const Asker& ask);

}  // namespace tallwick::ui
