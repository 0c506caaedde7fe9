#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace tallwick::ui {

// A large command icon of our own: a rounded tile in `colour` with one character on it.
QIcon DrawnIcon(const QString& glyph, const QColor& colour);

}  // namespace tallwick::ui
