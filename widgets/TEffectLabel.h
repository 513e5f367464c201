// SPDX-License-Identifier: GPL-3.0-or-later
// A label whose text looks pressed into the surface: a light copy below right,
// an optional shadow copy above left, the text itself on top. A text too long
// for the label is cut with an ellipsis and shown whole as its tooltip.
#pragma once

#include <QLabel>

class TEffectLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TEffectLabel(QWidget *parent = nullptr);

    void setLightColor(const QColor &c) { m_light = c; update(); }
    void setShadowColor(const QColor &c) { m_shadow = c; update(); }
    void setLightDepth(int d) { m_lightDepth = d; update(); }
    void setShadowDepth(int d) { m_shadowDepth = d; update(); }
    QColor lightColor() const { return m_light; }
    QColor shadowColor() const { return m_shadow; }
    int lightDepth() const { return m_lightDepth; }
    int shadowDepth() const { return m_shadowDepth; }
    // The width the text may take beside its light and shadow copies.
    int textRoom() const;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_light = Qt::white;
    QColor m_shadow = QColor(192, 192, 192);
    int m_lightDepth = 1;
    int m_shadowDepth = 1;
};
