#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace tallwick::ui {

// The program's own icon, drawn from one description: a blue tile with a form sheet and three
// rising bars. The window shows it; the build renders it into the desktop's icon theme.
QImage ProgramIconImage(int size);
QIcon ProgramIcon();

// The same drawing as a scalable SVG document.
QString ProgramIconSvg();

}  // namespace tallwick::ui
