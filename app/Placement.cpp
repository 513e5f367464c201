// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Placement.h"

#include <algorithm>
#include <initializer_list>

namespace {

QRect clampedInto(QRect r, const QRect &area)
{
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
    return r;
}

qint64 areaOf(const QRect &r)
{
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

struct Choice
{
    QRect frame;
    qint64 covered = -1; // of the anchor; -1: none found
};

// Of the places next to the anchor, its edges and the area's edges, the one
// inside `area` that stays clear of `keepClear` and covers the least of the
// anchor; the first in order on a tie.
Choice leastCovering(const QRect &anchor, QSize size, const QRect &area, const QRect &keepClear, int gap)
{
    const int w = size.width(), h = size.height();
    const std::initializer_list<int> ys = {anchor.bottom() + 1 + gap, anchor.top() - gap - h,
                                           keepClear.bottom() + 1 + gap, keepClear.top() - gap - h,
                                           area.bottom() + 1 - h, area.top(), anchor.top()};
    const std::initializer_list<int> xs = {anchor.left() + (anchor.width() - w) / 2, anchor.right() + 1 + gap,
                                           anchor.left() - gap - w, area.right() + 1 - w, area.left()};
    Choice best;
    for (const int y : ys) {
        for (const int x : xs) {
            const QRect r = clampedInto(QRect(QPoint(x, y), size), area);
            if (!keepClear.isEmpty() && r.intersects(keepClear))
                continue;
            const qint64 covered = areaOf(r & anchor);
            if (best.covered < 0 || covered < best.covered)
                best = {r, covered};
        }
    }
    return best;
}

} // namespace

QRect placeBesideFrame(const QRect &anchor, QSize size, const QRect &available, const QRect &keepClear,
                       QSize minimum, int gap)
{
    size = size.boundedTo(available.size());
    const int w = size.width(), h = size.height();
    // Beside the anchor, then below or above it: covering none of it.
    for (const QPoint at : {QPoint(anchor.right() + 1 + gap, anchor.top()), QPoint(anchor.left() - gap - w, anchor.top()),
                            QPoint(anchor.left(), anchor.bottom() + 1 + gap), QPoint(anchor.left(), anchor.top() - gap - h)}) {
        const QRect r = clampedInto(QRect(at, size), available);
        if (!r.intersects(anchor))
            return r;
    }
    // Narrower or lower where that is enough to cover none of it, keeping
    // at least two fifths of the window.
    {
        const QRect rooms[] = {
            QRect(QPoint(anchor.right() + 1 + gap, available.top()), available.bottomRight()),
            QRect(available.topLeft(), QPoint(anchor.left() - 1 - gap, available.bottom())),
            QRect(QPoint(available.left(), anchor.bottom() + 1 + gap), available.bottomRight()),
            QRect(available.topLeft(), QPoint(available.right(), anchor.top() - 1 - gap)),
        };
        QRect best;
        for (const QRect &room : rooms) {
            const QSize fitted = size.boundedTo(room.size());
            if (room.isEmpty() || fitted.width() < minimum.width() || fitted.height() < minimum.height()
                || 5 * areaOf(QRect(QPoint(), fitted)) < 2 * areaOf(QRect(QPoint(), size)))
                continue;
            const QRect r = clampedInto(QRect(anchor.topLeft(), fitted), room);
            if (areaOf(r) > areaOf(best))
                best = r;
        }
        if (!best.isEmpty())
            return best;
    }
    // Over it, as little as may be, its kept part clear.
    if (const Choice whole = leastCovering(anchor, size, available, keepClear, gap); whole.covered >= 0)
        return whole.frame;
    // Too large for that: shrunk into the largest room beside the kept part.
    if (!keepClear.isEmpty()) {
        const QRect rooms[] = {
            QRect(QPoint(available.left(), keepClear.bottom() + 1 + gap), available.bottomRight()),
            QRect(available.topLeft(), QPoint(available.right(), keepClear.top() - 1 - gap)),
            QRect(QPoint(keepClear.right() + 1 + gap, available.top()), available.bottomRight()),
            QRect(available.topLeft(), QPoint(keepClear.left() - 1 - gap, available.bottom())),
        };
        Choice best;
        for (const QRect &room : rooms) {
            const QSize fitted = size.boundedTo(room.size());
            if (room.isEmpty() || fitted.width() < minimum.width() || fitted.height() < minimum.height())
                continue;
            const Choice c = leastCovering(anchor, fitted, room, QRect(), gap);
            if (c.covered < 0)
                continue;
            if (best.covered < 0 || areaOf(c.frame) > areaOf(best.frame)
                || (areaOf(c.frame) == areaOf(best.frame) && c.covered < best.covered))
                best = c;
        }
        if (best.covered >= 0)
            return best.frame;
    }
    // Nowhere clear of it: centred over the anchor.
    return clampedInto(QRect(QPoint(anchor.left() + (anchor.width() - w) / 2, anchor.top()), size), available);
}

QRect placeBoxFrame(const QRect &anchor, const QRect &keepClear, QSize size, const QRect &available, int gap)
{
    size = size.boundedTo(available.size());
    const int x = anchor.left() + (anchor.width() - size.width()) / 2;
    if (!keepClear.isEmpty()) {
        for (const int y : {keepClear.bottom() + 1 + gap, keepClear.top() - gap - size.height()}) {
            const QRect r = clampedInto(QRect(QPoint(x, y), size), available);
            if (!r.intersects(keepClear))
                return r;
        }
    }
    return placeBesideFrame(anchor, size, available, keepClear, size, gap);
}
