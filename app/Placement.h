// SPDX-License-Identifier: GPL-3.0-or-later
// Where a secondary window or a message box opens beside the main window.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// The outer frame for a window of outer size `size` opened beside `anchor`
// (the main window's outer frame) on a screen whose free area is `available`.
// It goes where it covers none of the anchor: to its right, else to its left
// (level with its top where the screen allows), else below, else above it,
// else there made narrower or lower (down to two fifths of its area).
// Where nothing is free it covers as little of the anchor as it can, and
// never `keepClear` (the part of the game that must stay in sight; empty:
// none), shrinking down to `minimum` if it must. Always whole inside
// `available`, shrunk to it when larger.
QRect placeBesideFrame(const QRect &anchor, QSize size, const QRect &available,
                       const QRect &keepClear = QRect(), QSize minimum = QSize(), int gap = 8);

// The outer frame for a message box of outer size `size` that belongs to
// `anchor`: centred across it just below `keepClear`, else just above it,
// else as placeBesideFrame places a window.
QRect placeBoxFrame(const QRect &anchor, const QRect &keepClear, QSize size, const QRect &available,
                    int gap = 8);

// The outer frame for a window of outer size `size` opened beside `anchor`
// (the main window's outer frame) on a screen whose free area is `available`,
// while the windows `others` are in sight. It covers none of them where the
// screen's free space holds it whole, as near the anchor as it can; else it
// is made smaller, down to `minimum` and two fifths of its area, into the
// largest free space. Where no free space is that large it goes where it
// covers least, never `keepClear` where it can help it. Always whole
// inside `available` (so its title bar is on the screen), shrunk to it when
// larger. `fit` (if given) tells which of the three it took.
enum class Fit { Whole, Smaller, Covering };
QRect placeAmongFrame(const QRect &anchor, QSize size, QSize minimum, const QRect &available,
                      const QList<QRect> &others, const QRect &keepClear = QRect(), Fit *fit = nullptr,
                      int gap = 8);
