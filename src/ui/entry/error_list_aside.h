#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace tallwick::ui {

// Where a window at `window` goes so that it no longer covers `target`: the nearest place
// above, below, left or right of the target, inside `bounds`, preferring places that leave the
// `keepFree` rectangles free too. The window's own place when it covers nothing of the target;
// also when no place inside the bounds clears it.
QPoint AsideOf(const QRect& window, const QRect& target, const QRect& bounds,
               const QList<QRect>& keepFree);

}  // namespace tallwick::ui
