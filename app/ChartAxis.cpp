// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChartAxis.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

double ChartAxis::tickStep(double span, int ticks)
{
    if (!(span > 0) || ticks < 1)
        return 1;
    const double raw = span / ticks;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * mag * (1 + 1e-9))
            return m * mag;
    return 10 * mag;
}

int ChartAxis::wholeStep(double span, int ticks)
{
    return std::max(1, int(std::lround(tickStep(span, ticks))));
}

bool ChartAxis::labelled(int v, int first, int step)
{
    return v == first || (step > 0 && v % step == 0);
}

void ChartAxis::drawValueLine(QPainter &p, const QRectF &plot, double y, const ValueLines &style,
                              const QString &label)
{
    p.setPen(style.line);
    p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    p.setPen(style.text);
    p.drawText(QRectF(style.labelLeft, y - style.labelHeight / 2, style.labelWidth, style.labelHeight),
               Qt::AlignRight | Qt::AlignVCenter, label);
}

void ChartAxis::drawSideTitle(QPainter &p, const QRectF &along, double x, const QString &title)
{
    const QFontMetricsF fm(p.font());
    p.save();
    p.translate(x + fm.ascent(), along.center().y());
    p.rotate(-90);
    const double w = std::min(fm.horizontalAdvance(title), along.height());
    p.drawText(QRectF(-w / 2, -fm.ascent(), w, fm.height()), Qt::AlignCenter,
               fm.elidedText(title, Qt::ElideRight, along.height()));
    p.restore();
}
