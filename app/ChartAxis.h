// SPDX-License-Identifier: GPL-3.0-or-later
// What the charts of the review and the statistics share about their axes:
// round steps between ticks, and the titles along them.
#pragma once

#include <QRectF>
#include <QString>

class QPainter;

namespace ChartAxis {

// A round step (1, 2 or 5 times a power of ten) for an axis spanning span,
// giving about ticks of them; 1 for an empty span.
double tickStep(double span, int ticks);

// The same, whole: at least 1, for axes that count rounds or games.
int wholeStep(double span, int ticks);

// Whether the whole number v is labelled on an axis of whole steps starting at
// first: the first one, and every multiple of step.
bool labelled(int v, int first, int step);

// A title read from bottom to top, centred on the height of along, its
// left edge at x.
void drawSideTitle(QPainter &p, const QRectF &along, double x, const QString &title);

} // namespace ChartAxis
