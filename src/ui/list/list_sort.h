#pragma once

#include <QColor>
#include <QString>

class QAbstractItemModel;

namespace tallwick::ui {

// The title-click sort state of one list, shared by all of its columns.
struct ListSortState {
    enum : int { kUnsorted = 0, kAscending = 1, kDescending = 2 };

    // Building the columns leaves the state ascending, so the first click sorts descending.
    int state = kAscending;
    int markedColumn = -1;  // the column whose title carries the mark, -1 for none

    void Reset() { *this = ListSortState(); }
};

inline const QColor kSortedTitleColour{0, 255, 0};
inline const QString kAscendingMark = QStringLiteral("▲");
inline const QString kDescendingMark = QStringLiteral("▼");

// A click on the title of `column`: sorts the model in memory (QAbstractItemModel::sort) in the
// next order of `sort`, marks the title with ▲ or ▼ in lime and takes the mark and colour from
// the previously marked column. Titles are read and written through the model's horizontal
// header data (DisplayRole, ForegroundRole), so any list model that stores them can share it.
void SortByColumn(QAbstractItemModel& model, int column, ListSortState& sort);

}  // namespace tallwick::ui
