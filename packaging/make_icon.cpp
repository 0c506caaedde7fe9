// Draws the program's icon at one size into a PNG file, the same picture as tallwick.svg: a
// survey sheet with a column of tallies and a tick, on a blue tile.
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tallwick-mkicon SIZE OUT.png\n");
        return 2;
    }
    const int size = std::atoi(argv[1]);
    if (size < 8 || size > 1024) return 2;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);  // drawn on the SVG's 256-unit grid

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(56, 36, 144, 184), 10, 10);

    painter.setPen(QPen(QColor(0x9d, 0xb6, 0xd6), 6));
    for (const int y : {76, 108, 140}) painter.drawLine(QLineF(76, y, 180, y));
    painter.drawLine(QLineF(76, 172, 132, 172));

    painter.setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 8, Qt::SolidLine, Qt::RoundCap));
    for (const int x : {84, 100, 116}) painter.drawLine(QLineF(x, 60, x, 92));

    QPainterPath tick;
    tick.moveTo(140, 170);
    tick.lineTo(160, 192);
    tick.lineTo(204, 136);
    painter.setPen(QPen(QColor(0xe8, 0xa3, 0x17), 16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
