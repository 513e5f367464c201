// SPDX-License-Identifier: GPL-3.0-or-later
// Where a secondary window opens beside the main window.
#pragma once

#include <QRect>
#include <QSize>

// The outer frame for a window of outer size `size` opened beside `anchor`
// (the main window's outer frame) on a screen whose free area is `available`:
// to its right where there is room, else to its left, else over it; level
// with its top where the screen allows. Always whole inside `available`,
// shrunk to it when larger.
QRect placeBesideFrame(const QRect &anchor, QSize size, const QRect &available, int gap = 8);
