#include "widgets/program_icon.h"

#include <QLinearGradient>
#include <QPainter>

namespace tallwick::ui {
namespace {

constexpr qreal kGrid = 256;  // the shapes below are laid out on a 256 × 256 grid

// One rounded rectangle, filled with a vertical gradient from `top` to `bottom`.
struct Shape {
    QRectF rect;
    qreal radius;
    const char* top;
    const char* bottom;
    const char* stroke;  // nullptr: no outline
    qreal strokeWidth;
};

constexpr Shape kShapes[] = {
    {{16, 16, 224, 224}, 44, "#3b6fc0", "#1f3d7a", "#172e5c", 4},  // tile
    {{60, 40, 136, 176}, 12, "#ffffff", "#e3e9f2", nullptr, 0},    // form sheet
    {{80, 62, 96, 8}, 4, "#b4c2d6", "#b4c2d6", nullptr, 0},        // its heading lines
    {{80, 80, 64, 8}, 4, "#b4c2d6", "#b4c2d6", nullptr, 0},
    {{80, 142, 24, 50}, 3, "#e0574a", "#c2392d", nullptr, 0},  // rising bars
    {{116, 118, 24, 74}, 3, "#f5b04a", "#dd8d17", nullptr, 0},
    {{152, 96, 24, 96}, 3, "#52b06f", "#2f8a4b", nullptr, 0},
};

}  // namespace

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    for (const Shape& shape : kShapes) {
        QLinearGradient fill(0, shape.rect.top(), 0, shape.rect.bottom());
        fill.setColorAt(0, QColor(QString::fromLatin1(shape.top)));
        fill.setColorAt(1, QColor(QString::fromLatin1(shape.bottom)));
        painter.setBrush(fill);
        if (shape.stroke)
            painter.setPen(QPen(QColor(QString::fromLatin1(shape.stroke)), shape.strokeWidth));
        else
            painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(shape.rect, shape.radius, shape.radius);
    }
    painter.end();
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

QString ProgramIconSvg() {
    QString defs;
    QString body;
    int index = 0;
    for (const Shape& shape : kShapes) {
        const QString id = QStringLiteral("fill%1").arg(index++);
        // Gradient coordinates in user space, as QLinearGradient takes them above.
        defs += QStringLiteral(
                    "    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" "
                    "y1=\"%2\" x2=\"0\" y2=\"%3\">\n"
                    "      <stop offset=\"0\" stop-color=\"%4\"/>\n"
                    "      <stop offset=\"1\" stop-color=\"%5\"/>\n"
                    "    </linearGradient>\n")
                    .arg(id)
                    .arg(shape.rect.top())
                    .arg(shape.rect.bottom())
                    .arg(QString::fromLatin1(shape.top), QString::fromLatin1(shape.bottom));
        QString outline;
        if (shape.stroke)
            outline = QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                          .arg(QString::fromLatin1(shape.stroke))
                          .arg(shape.strokeWidth);
        body += QStringLiteral(
                    "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                    "fill=\"url(#%6)\"%7/>\n")
                    .arg(shape.rect.x())
                    .arg(shape.rect.y())
                    .arg(shape.rect.width())
                    .arg(shape.rect.height())
                    .arg(shape.radius)
                    .arg(id, outline);
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
               "viewBox=\"0 0 256 256\">\n"
               "  <defs>\n%1  </defs>\n%2</svg>\n")
        .arg(defs, body);
}

}  // namespace tallwick::ui
