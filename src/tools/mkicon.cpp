// tallwick-mkicon FOLDER
//
// Renders the program's icon into FOLDER/hicolor: a PNG for each size the desktops ask for and
// the scalable SVG, all from the one drawing the window uses.
#include "widgets/program_icon.h"

#include <QDir>
#include <QFile>

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tallwick-mkicon FOLDER\n";
        return 2;
    }
    const QString theme = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor");
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QString file = folder + QStringLiteral("/tallwick.png");
        if (!QDir().mkpath(folder) || !tallwick::ui::ProgramIconImage(size).save(file, "PNG")) {
            std::cerr << "tallwick-mkicon: cannot write " << file.toStdString() << '\n';
            return 1;
        }
    }
    const QString folder = theme + QStringLiteral("/scalable/apps");
    QFile svg(folder + QStringLiteral("/tallwick.svg"));
    if (!QDir().mkpath(folder) || !svg.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        svg.write(tallwick::ui::ProgramIconSvg().toUtf8()) < 0) {
        std::cerr << "tallwick-mkicon: cannot write " << svg.fileName().toStdString() << '\n';
        return 1;
    }
    return 0;
}
