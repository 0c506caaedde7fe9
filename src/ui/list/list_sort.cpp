#include "list/list_sort.h"

#include <QAbstractItemModel>

namespace tallwick::ui {
namespace {

QString Title(const QAbstractItemModel& model, int column) {
    return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

void SetTitle(QAbstractItemModel& model, int column, const QString& title) {
    model.setHeaderData(column, Qt::Horizontal, title, Qt::DisplayRole);
}

bool HasMark(const QString& title) {
    return title.contains(kAscendingMark) || title.contains(kDescendingMark);
}

}  // namespace

void SortByColumn(QAbstractItemModel& model, int column, ListSortState& sort) {
    if (column < 0 || column >= model.columnCount()) return;
    const bool ascending = sort.state != ListSortState::kAscending;
    // A sort that fails to read its column leaves the state for the next click as it was.
    model.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    sort.state = ascending ? ListSortState::kAscending : ListSortState::kDescending;

    QString title = Title(model, column);
    if (HasMark(title)) title.chop(1);
    SetTitle(model, column, title + (ascending ? kAscendingMark : kDescendingMark));

    const QVariant colour = model.headerData(column, Qt::Horizontal, Qt::ForegroundRole);
    if (colour.canConvert<QColor>() && colour.value<QColor>() == kSortedTitleColour) return;
    model.setHeaderData(column, Qt::Horizontal, kSortedTitleColour, Qt::ForegroundRole);
    if (sort.markedColumn >= 0 && sort.markedColumn != column &&
        sort.markedColumn < model.columnCount()) {
        model.setHeaderData(sort.markedColumn, Qt::Horizontal, QVariant(), Qt::ForegroundRole);
        QString previous = Title(model, sort.markedColumn);
        if (previous.endsWith(kAscendingMark) || previous.endsWith(kDescendingMark)) {
            previous.chop(1);
        }
        SetTitle(model, sort.markedColumn, previous);
    }
    sort.markedColumn = column;
}

}  // namespace tallwick::ui
