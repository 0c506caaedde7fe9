#include "entry/error_list_aside.h"

#include <algorithm>
#include <limits>

namespace tallwick::ui {
namespace {

constexpr int kGap = 4;

// Inside the bounds when the window fits there; otherwise as close to their top left as it goes.
QPoint Clamped(QPoint at, QSize size, const QRect& bounds) {
    const int x = std::max(bounds.left(), std::min(at.x(), bounds.right() + 1 - size.width()));
    const int y = std::max(bounds.top(), std::min(at.y(), bounds.bottom() + 1 - size.height()));
    return {x, y};
}

bool CoversAny(const QRect& placed, const QList<QRect>& rects) {
    return std::any_of(rects.begin(), rects.end(),
                       [&](const QRect& rect) { return placed.intersects(rect); });
}

}  // namespace

QPoint AsideOf(const QRect& window, const QList<QRect>& targets, const QRect& bounds,
               const QList<QRect>& keepFree) {
    if (targets.isEmpty() || !CoversAny(window, targets)) return window.topLeft();
    const QSize size = window.size();
    const QPoint from = window.topLeft();
    QPoint best = from;
    int bestCost = std::numeric_limits<int>::max();
    for (const QRect& target : targets) {
        const QPoint candidates[] = {
            {from.x(), target.top() - kGap - size.height()},
            {from.x(), target.bottom() + 1 + kGap},
            {target.left() - kGap - size.width(), from.y()},
            {target.right() + 1 + kGap, from.y()},
        };
        for (const QPoint& candidate : candidates) {
            const QPoint at = Clamped(candidate, size, bounds);
            const QRect placed(at, size);
            if (placed.intersects(targets.front())) continue;
            // Leaving a target covered, then covering what should stay free, count more than
            // any distance on a screen.
            const int cost = (at - from).manhattanLength() +
                             (CoversAny(placed, targets) ? 2'000'000 : 0) +
                             (CoversAny(placed, keepFree) ? 1'000'000 : 0);
            if (cost < bestCost) {
                bestCost = cost;
                best = at;
            }
        }
    }
    return best;
}

}  // namespace tallwick::ui
