// SPDX-License-Identifier: GPL-3.0-or-later
// The round push button of the game's windows: an elliptical face shaded like
// a lit hemisphere, with a bevel ring and a centred caption.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

class THemisphereButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QColor faceColor READ faceColor WRITE setFaceColor)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(bool faceShaded READ faceShaded WRITE setFaceShaded)
    Q_PROPERTY(Bevel bevelOuter READ bevelOuter WRITE setBevelOuter)
    Q_PROPERTY(Bevel bevelInner READ bevelInner WRITE setBevelInner)
    Q_PROPERTY(int bevelWidth READ bevelWidth WRITE setBevelWidth)

public:
    enum Bevel { BevelNone, BevelLowered, BevelRaised };
    Q_ENUM(Bevel)

    explicit THemisphereButton(QWidget *parent = nullptr);
    explicit THemisphereButton(const QString &caption, QWidget *parent = nullptr);

    // The face of the game's round buttons, unless told otherwise.
    static QColor defaultFace() { return QColor(64, 243, 12); }
    QColor faceColor() const { return m_faceColor; }
    void setFaceColor(const QColor &c);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &c);
    bool faceShaded() const { return m_faceShaded; }
    void setFaceShaded(bool on);
    Bevel bevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(Bevel b);
    Bevel bevelInner() const { return m_bevelInner; }
    void setBevelInner(Bevel b);
    int bevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int w);

    // Sum of the widths of the bevels that are present.
    int bevelInset() const;
    // The room the caption has across the face, and the caption as it fits there.
    int captionRoom() const;
    QString shownCaption() const;
    // The caption is too wide for the face and is shown cut.
    bool captionCut() const { return shownCaption() != text(); }

    // The face as painted for the given state at the widget's current size,
    // for a device pixel ratio (0: the widget's own). Rebuilt only when
    // anything it shows has changed.
    QImage faceImage(bool pressed, qreal dpr = 0) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void init();
    void rebuildIfStale(qreal dpr) const;
    QImage renderFace(bool pressed, qreal dpr) const;
    void fireClick();
    bool focusRingShown() const;

    QColor m_faceColor = defaultFace();
    QColor m_textColor{128, 0, 0};
    bool m_faceShaded = true;
    Bevel m_bevelOuter = BevelLowered;
    Bevel m_bevelInner = BevelNone;
    int m_bevelWidth = 2;
    bool m_mousePressed = false;
    bool m_firing = false;

    // Cached faces and what they were built from.
    bool m_captionCut = false;
    QString m_cutCheckedFor; // the face key the cut was last worked out for
    mutable QImage m_raised;
    mutable QImage m_pressed;
    mutable QString m_builtKey;
};
