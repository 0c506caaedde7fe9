#include "list/list_cell_style.h"

#include <QApplication>

namespace tallwick::ui {

QColor ListRowColour(int row) {
    return row % 2 == 0 ? QColor(249, 251, 231) : QColor(219, 219, 241);
}

QFont ListFont(int pointSize) {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QApplication::font().family()});
    font.setPointSize(pointSize);
    return font;
}

void ListCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(option->state & QStyle::State_Selected))
        option->backgroundBrush = ListRowColour(index.row());
}

}  // namespace tallwick::ui
