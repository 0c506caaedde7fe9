#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace tallwick::ui {

// Where a window at `window` goes so that it no longer covers the `targets`: the nearest place
// above, below, left or right of a target, inside `bounds`, that covers none of them, preferring
// places that leave the `keepFree` rectangles free too. When no place clears every target, the
// nearest that clears the first. The window's own place when it covers no target, or when no
// place inside the bounds clears the first.
QPoint AsideOf(const QRect& window, const QList<QRect>& targets, const QRect& bounds,
               const QList<QRect>& keepFree);

}  // namespace tallwick::ui
