// SPDX-License-Identifier: GPL-3.0-or-later
// What the charts of the review and the statistics share about their axes:
// round steps between ticks, and the titles along them.
#pragma once

#include <QColor>
#include <QPen>
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

// How a chart draws the lines of its values: the line, the labels' colour,
// and the margin the labels are set right in (its left edge and width) with
// the height of a label.
struct ValueLines
{
    QPen line;
    QColor text;
    double labelLeft = 0, labelWidth = 0, labelHeight = 0;
};

// A line of value across the plot at height y, labelled in the margin.
void drawValueLine(QPainter &p, const QRectF &plot, double y, const ValueLines &style, const QString &label);

// A title read from bottom to top, centred on the height of along, its
// left edge at x.
void drawSideTitle(QPainter &p, const QRectF &along, double x, const QString &title);

} // namespace ChartAxis
