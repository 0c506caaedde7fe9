#include "widgets/drawn_icon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace tallwick::ui {

QIcon DrawnIcon(const QString& glyph, const QColor& colour) {
    QIcon icon;
    for (const int size : {32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, 0, 0, size);
        fill.setColorAt(0, colour.lighter(135));
        fill.setColorAt(1, colour.darker(115));
        painter.setBrush(fill);
        painter.setPen(QPen(colour.darker(140), size / 24.0));
        const qreal margin = size / 12.0;
        painter.drawRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin),
                                size / 6.0, size / 6.0);
        QFont font({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
        font.setPixelSize(size / 2);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace tallwick::ui
