#pragma once

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>

namespace tallwick::ui {

// Background of a list row that is not selected, by its 0-based position in the list: the
// first, third, ... row is pale yellow, the second, fourth, ... pale blue.
QColor ListRowColour(int row);

// The list font 宋体 at `pointSize`, falling back to a Chinese face we ship with and then to
// the application font (left to itself, Qt may pick Japanese glyph forms).
QFont ListFont(int pointSize);

// DrawListCell for any list view: the alternating row colours under every cell that is not drawn
// in the selection colour; everything else as the view draws it normally.
class ListCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace tallwick::ui
