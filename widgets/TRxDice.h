// SPDX-License-Identifier: GPL-3.0-or-later
// A die on the screen: shows one face as a picture on the die's colour, which
// carries its state. Rolling is driven from outside; the widget only shows
// what it is told and reports clicks.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class TRxDice : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue NOTIFY changed)
    Q_PROPERTY(int DieState READ dieState WRITE setDieState)
    Q_PROPERTY(QColor Color READ color)
    Q_PROPERTY(int Tag READ tag WRITE setTag)
    Q_PROPERTY(bool ShowFocus READ showFocus WRITE setShowFocus)

public:
    enum State { Free = 0, Selected = 1, Kept = 2 };

    explicit TRxDice(QWidget *parent = nullptr);

    int value() const { return m_value; }
    // 1..6; anything else is ignored. Repaints and emits changed() only when
    // the face really changes.
    void setValue(int face);

    int dieState() const { return m_state; }
    // 0 Free, 1 Selected, 2 Kept; any other value leaves the state as it is.
    void setDieState(int state);

    // The background: the palette's button face (Free), its highlight
    // (Selected) or pure red (Kept).
    QColor color() const;

    int tag() const { return m_tag; }
    void setTag(int tag);

    bool showFocus() const { return m_showFocus; }
    void setShowFocus(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The picture of a face (64 x 64 logical pixels, transparent around the
    // die) at a device pixel ratio; drawn once per ratio and shared.
    static QPixmap facePixmap(int face, qreal dpr);
    // Where the counting top face lies in that picture.
    static QRectF topFaceRect();

    // While rolling, the die is announced once as rolling instead of at every face.
    void setRolling(bool on);
    bool rolling() const { return m_rolling; }
    // A completed click, as the mouse or an assistive tool's press gives it.
    void click();
    // Names the die again in the language in force (after a language switch).
    void updateAccessibleName();

signals:
    void changed();
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool m_rolling = false;

    int m_value = 1;
    int m_state = Free;
    int m_tag = 0;
    bool m_showFocus = false;
    bool m_leftPressed = false;
};
