// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Placement.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <tuple>

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

// The largest rectangles of `area` that meet none of `taken`.
QList<QRect> freeRooms(const QRect &area, const QList<QRect> &taken)
{
    QList<QRect> rooms{area};
    for (const QRect &t : taken) {
        QList<QRect> cut;
        for (const QRect &r : std::as_const(rooms)) {
            if (!r.intersects(t)) {
                cut << r;
                continue;
            }
            if (t.left() > r.left())
                cut << QRect(r.topLeft(), QPoint(t.left() - 1, r.bottom()));
            if (t.right() < r.right())
                cut << QRect(QPoint(t.right() + 1, r.top()), r.bottomRight());
            if (t.top() > r.top())
                cut << QRect(r.topLeft(), QPoint(r.right(), t.top() - 1));
            if (t.bottom() < r.bottom())
                cut << QRect(QPoint(r.left(), t.bottom() + 1), r.bottomRight());
        }
        // Only the rooms that no other one holds.
        rooms.clear();
        for (int i = 0; i < cut.size(); ++i) {
            bool held = false;
            for (int j = 0; j < cut.size() && !held; ++j)
                held = j != i && cut[j].contains(cut[i]) && (cut[j] != cut[i] || j < i);
            if (!held)
                rooms << cut[i];
        }
    }
    return rooms;
}

// How far apart two frames stand; 0 where they meet.
int distanceOf(const QRect &a, const QRect &b)
{
    const int dx = std::max({0, b.left() - a.right() - 1, a.left() - b.right() - 1});
    const int dy = std::max({0, b.top() - a.bottom() - 1, a.top() - b.bottom() - 1});
    return dx + dy;
}

// A frame of `size` inside `room` as near the anchor as it goes: to its
// right, its left, below or above it, level with its edge; with how near it
// is and how far it had to move from there (the first on a tie).
using Nearness = std::tuple<int, int, int>;
Nearness farthest() { return {INT_MAX, INT_MAX, INT_MAX}; }

std::pair<QRect, Nearness> nearestIn(const QRect &anchor, QSize size, const QRect &room, int gap)
{
    QRect best;
    Nearness bestScore = farthest();
    int order = 0;
    for (const QPoint at : {QPoint(anchor.right() + 1 + gap, anchor.top()),
                            QPoint(anchor.left() - gap - size.width(), anchor.top()),
                            QPoint(anchor.left(), anchor.bottom() + 1 + gap),
                            QPoint(anchor.left(), anchor.top() - gap - size.height())}) {
        const QRect r = clampedInto(QRect(at, size), room);
        if (const Nearness score{distanceOf(r, anchor), (r.topLeft() - at).manhattanLength(), order++};
            score < bestScore) {
            best = r;
            bestScore = score;
        }
    }
    return {best, bestScore};
}

// Whole in a free room, as near the game as may be; empty when no room holds it.
QRect wholeInRoom(const QRect &anchor, QSize size, const QList<QRect> &rooms, int gap)
{
    QRect best;
    Nearness bestScore = farthest();
    for (const QRect &room : rooms) {
        if (room.width() < size.width() || room.height() < size.height())
            continue;
        if (const auto [r, score] = nearestIn(anchor, size, room, gap); score < bestScore) {
            best = r;
            bestScore = score;
        }
    }
    return best;
}

// Smaller, in the largest free room that holds enough of it; empty when none does.
QRect smallerInRoom(const QRect &anchor, QSize size, QSize minimum, const QList<QRect> &rooms, int gap)
{
    QRect best;
    Nearness bestScore = farthest();
    for (const QRect &room : rooms) {
        const QSize fitted = size.boundedTo(room.size());
        if (fitted.width() < minimum.width() || fitted.height() < minimum.height()
            || 5 * areaOf(QRect(QPoint(), fitted)) < 2 * areaOf(QRect(QPoint(), size)))
            continue;
        const auto [r, score] = nearestIn(anchor, fitted, room, gap);
        if (areaOf(r) > areaOf(best) || (areaOf(r) == areaOf(best) && score < bestScore)) {
            best = r;
            bestScore = score;
        }
    }
    return best;
}

// Where it covers least: the dice and buttons last of all, then the
// game, then the other windows; whole, or as large as a room around the
// game or around all of them allows (not below `minimum`).
QRect leastCovering(const QRect &anchor, QSize size, QSize minimum, const QRect &available,
                    const QList<QRect> &others, const QList<QRect> &windows, const QList<QRect> &rooms,
                    const QRect &keepClear, int gap)
{
    QList<QSize> sizes{size};
    QList<QRect> roomsBesideGame = freeRooms(available, {anchor.adjusted(-gap, -gap, gap, gap)});
    for (const QRect &room : roomsBesideGame + rooms) {
        const QSize fitted = size.boundedTo(room.size());
        if (fitted.width() >= minimum.width() && fitted.height() >= minimum.height() && !sizes.contains(fitted))
            sizes << fitted;
    }
    using Score = std::tuple<qint64, qint64, int, qint64, qint64, int>;
    Score bestScore{LLONG_MAX, LLONG_MAX, INT_MAX, LLONG_MAX, LLONG_MAX, INT_MAX};
    QRect best;
    for (const QSize s : std::as_const(sizes)) {
        QList<int> xs{anchor.right() + 1 + gap, anchor.left() - gap - s.width(), available.left(),
                      available.right() + 1 - s.width(), anchor.left() + (anchor.width() - s.width()) / 2};
        QList<int> ys{anchor.top(), available.top(), available.bottom() + 1 - s.height()};
        for (const QRect &w : std::as_const(windows)) {
            xs << w.left() - gap - s.width() << w.right() + 1 + gap;
            ys << w.top() - gap - s.height() << w.bottom() + 1 + gap;
        }
        for (const int y : std::as_const(ys)) {
            for (const int x : std::as_const(xs)) {
                const QRect r = clampedInto(QRect(QPoint(x, y), s), available);
                qint64 covered = 0;
                int sameCorner = 0; // one over another at its very corner hides it best
                for (const QRect &w : std::as_const(others)) {
                    covered += areaOf(r & w);
                    sameCorner += r.topLeft() == w.topLeft();
                }
                const Score score{areaOf(r & keepClear), areaOf(r & anchor), sameCorner, covered, -areaOf(r),
                                  distanceOf(r, anchor)};
                if (score < bestScore) {
                    bestScore = score;
                    best = r;
                }
            }
        }
    }
    return best;
}

} // namespace

QRect placeAmongFrame(const QRect &anchor, QSize size, QSize minimum, const QRect &available,
                      const QList<QRect> &others, const QRect &keepClear, Fit *fit, int gap)
{
    size = size.boundedTo(available.size());
    minimum = minimum.boundedTo(size);
    QList<QRect> windows{anchor};
    windows << others;
    QList<QRect> taken;
    for (const QRect &w : std::as_const(windows))
        if (!w.isEmpty())
            taken << w.adjusted(-gap, -gap, gap, gap);
    const QList<QRect> rooms = freeRooms(available, taken);
    const auto report = [fit](Fit how, const QRect &r) {
        if (fit)
            *fit = how;
        return r;
    };
    if (const QRect r = wholeInRoom(anchor, size, rooms, gap); !r.isEmpty())
        return report(Fit::Whole, r);
    if (const QRect r = smallerInRoom(anchor, size, minimum, rooms, gap); !r.isEmpty())
        return report(Fit::Smaller, r);
    return report(Fit::Covering, leastCovering(anchor, size, minimum, available, others, windows, rooms, keepClear, gap));
}

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
