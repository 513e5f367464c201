// SPDX-License-Identifier: GPL-3.0-or-later
// Sunken-shadow text.
#include "widgets/TEffectLabel.h"
#include "widgets/Appearance.h"

#include <QPainter>

TEffectLabel::TEffectLabel(QWidget *parent) : QLabel(parent)
{
    // Drawn as plain text, and measured as such.
    setTextFormat(Qt::PlainText);
}

int TEffectLabel::textRoom() const
{
    return contentsRect().width() - qMax(m_lightDepth, m_shadowDepth) - 2;
}

void TEffectLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (autoFillBackground())
        p.fillRect(rect(), palette().color(backgroundRole()));
    p.setFont(font());
    const QRect r = contentsRect();
    const QString shown = Appearance::fitted(p.fontMetrics(), text(), textRoom());
    Appearance::markCut(this, text(), shown != text());
    const Qt::Alignment align = alignment();
    if (m_lightDepth > 0) {
        p.setPen(m_light);
        p.drawText(r.translated(m_lightDepth, m_lightDepth), int(align), shown);
    }
    if (m_shadowDepth > 0) {
        p.setPen(m_shadow);
        p.drawText(r.translated(-m_shadowDepth, -m_shadowDepth), int(align), shown);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, int(align), shown);
}
