// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRxDice.h"

#include "base/UiTexts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace {

// Pip centres on a unit square, per face.
const std::vector<QPointF> &pipLayout(int face)
{
    constexpr qreal a = 0.22, m = 0.5, b = 0.78;
    static const std::vector<QPointF> layouts[7] = {
        {},
        {{m, m}},
        {{a, a}, {b, b}},
        {{a, a}, {m, m}, {b, b}},
        {{a, a}, {b, a}, {a, b}, {b, b}},
        {{a, a}, {b, a}, {m, m}, {a, b}, {b, b}},
        {{a, a}, {b, a}, {a, m}, {b, m}, {a, b}, {b, b}},
    };
    return layouts[face];
}

// The faces seen on the front and right sides when a face is on top; each
// pair avoids the top and its opposite (opposite faces add up to seven).
const int kSideFaces[7][2] = {{0, 0}, {2, 3}, {1, 3}, {2, 1}, {5, 1}, {1, 4}, {4, 5}};

// Maps the unit square onto a parallelogram given by a corner and two edges.
QTransform faceTransform(QPointF origin, QPointF u, QPointF v)
{
    return QTransform(u.x(), u.y(), v.x(), v.y(), origin.x(), origin.y());
}

void drawPips(QPainter &p, const QTransform &toFace, int face, qreal radius, const QColor &colour)
{
    p.save();
    p.setTransform(toFace, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (QPointF c : pipLayout(face))
        p.drawEllipse(c, radius, radius);
    p.restore();
}

// The top face, square and unforeshortened, so its pips read at a glance.
const QRectF kTop(2.5, 2.5, 46, 46);
// How far the two visible sides reach down and to the right of it.
const QPointF kDepth(12, 12);

// A die seen from above one corner: the counting top face large and square,
// the front and right sides as narrow slanted strips beyond it.
QPixmap drawFace(int face, qreal dpr)
{
    QPixmap pm(QSize(qRound(64 * dpr), qRound(64 * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);

    const QPointF tl = kTop.topLeft(), tr = kTop.topRight(), bl = kTop.bottomLeft(), br = kTop.bottomRight();

    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(48, 40, 36), 1.5);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);

    const QPolygonF front({bl, br, br + kDepth, bl + kDepth});
    const QPolygonF right({tr, tr + kDepth, br + kDepth, br});
    p.setBrush(QColor(214, 209, 190));
    p.drawPolygon(front);
    p.setBrush(QColor(190, 184, 165));
    p.drawPolygon(right);
    p.setBrush(QColor(255, 253, 240));
    p.drawRoundedRect(kTop, 5, 5);

    drawPips(p, faceTransform(tl, tr - tl, bl - tl), face, face == 1 ? 0.13 : 0.1, QColor(20, 18, 16));
    // The sides' pips are small and pale: they only give the die its body.
    drawPips(p, faceTransform(bl, br - bl, kDepth), kSideFaces[face][0], 0.07, QColor(150, 143, 125));
    drawPips(p, faceTransform(tr, kDepth, br - tr), kSideFaces[face][1], 0.07, QColor(135, 128, 112));
    p.end();
    return pm;
}

using FaceSet = std::array<QPixmap, 7>;
std::map<int, FaceSet> *faceCache = nullptr;

void dropFaceCache()
{
    delete faceCache;
    faceCache = nullptr;
}

} // namespace

namespace {
QAccessibleInterface *dieAccessible(const QString &className, QObject *object);
}

TRxDice::TRxDice(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    resize(66, 66);
    static const bool factoryInstalled = (QAccessible::installFactory(dieAccessible), true);
    Q_UNUSED(factoryInstalled);
    updateAccessibleName();
}

QRectF TRxDice::topFaceRect()
{
    return kTop;
}

QPixmap TRxDice::facePixmap(int face, qreal dpr)
{
    if (face < 1 || face > 6 || dpr <= 0)
        return QPixmap();
    if (!faceCache) {
        faceCache = new std::map<int, FaceSet>;
        // Pixmaps must go before the GUI application does.
        qAddPostRoutine(dropFaceCache);
    }
    FaceSet &set = (*faceCache)[qRound(dpr * 100)];
    if (set[face].isNull())
        set[face] = drawFace(face, dpr);
    return set[face];
}

void TRxDice::setValue(int face)
{
    if (face < 1 || face > 6 || face == m_value)
        return;
    m_value = face;
    update();
    updateAccessibleName();
    emit changed();
}

void TRxDice::setDieState(int state)
{
    if (state < Free || state > Kept || state == m_state)
        return;
    m_state = state;
    update();
    updateAccessibleName();
}

QColor TRxDice::color() const
{
    switch (m_state) {
    case Selected:
        return palette().color(QPalette::Highlight);
    case Kept:
        return QColor(255, 0, 0);
    default:
        return palette().color(QPalette::Button);
    }
}

void TRxDice::setTag(int tag)
{
    if (tag == m_tag)
        return;
    m_tag = tag;
    updateAccessibleName();
}

void TRxDice::setShowFocus(bool on)
{
    if (on == m_showFocus)
        return;
    m_showFocus = on;
    update();
}

QSize TRxDice::sizeHint() const
{
    return QSize(66, 66);
}

QSize TRxDice::minimumSizeHint() const
{
    return QSize(66, 66);
}

void TRxDice::updateAccessibleName()
{
    static const char *const keys[] = {"dieFree", "dieSelected", "dieKept"};
    // A rolling die is named once as rolling, not at every face it flashes.
    const QString shown = m_rolling ? uiText("dieRolling").arg(m_tag)
                                     : uiText(keys[m_state]).arg(QString::number(m_tag), QString::number(m_value));
    if (shown != accessibleName())
        setAccessibleName(shown); // sends the name-changed event itself
}

void TRxDice::setRolling(bool on)
{
    if (on == m_rolling)
        return;
    m_rolling = on;
    updateAccessibleName();
}

void TRxDice::click()
{
    emit clicked();
}

namespace {
// Assistive tools see a die as a button that can be pressed.
class AccessibleDie : public QAccessibleWidget
{
public:
    explicit AccessibleDie(QWidget *w) : QAccessibleWidget(w, QAccessible::Button) {}
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<TRxDice *>(widget())->click();
    }
};

QAccessibleInterface *dieAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("TRxDice") && object && object->isWidgetType())
        return new AccessibleDie(static_cast<QWidget *>(object));
    return nullptr;
}
} // namespace

void TRxDice::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPaintDevice *target = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    const qreal dpr = target ? target->devicePixelRatioF() : devicePixelRatioF();

    p.fillRect(rect(), color());
    QRect inner = rect().adjusted(1, 1, -1, -1);
    if (inner.isEmpty())
        return;
    // Reached with the keyboard: a dark frame with a light edge inside it,
    // plain on every die colour, in whole pixels of the screen. The face
    // moves in by the frame's width, so the die's colour still shows all
    // round between the frame and the face.
    const bool ring = hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
    const int dark = std::max(2, qRound(3 * dpr)), light = std::max(1, qRound(dpr));
    QRect drawn = inner;
    if (ring) {
        const int in = int(std::ceil((dark + light) / dpr));
        if (inner.width() > 4 * in && inner.height() > 4 * in)
            drawn = inner.adjusted(in, in, -in, -in);
    }
    const QPixmap face = facePixmap(m_value, dpr);
    if (drawn.size() != QSize(64, 64))
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(drawn, face);
    if (ring) {
        p.save();
        p.scale(1.0 / dpr, 1.0 / dpr);
        const QRect box(QPoint(0, 0), QSize(qRound(width() * dpr), qRound(height() * dpr)));
        const auto frame = [&p](const QRect &r, int w, const QColor &c) {
            p.fillRect(QRect(r.left(), r.top(), r.width(), w), c);
            p.fillRect(QRect(r.left(), r.bottom() + 1 - w, r.width(), w), c);
            p.fillRect(QRect(r.left(), r.top(), w, r.height()), c);
            p.fillRect(QRect(r.right() + 1 - w, r.top(), w, r.height()), c);
        };
        frame(box, dark, Qt::black);
        frame(box.adjusted(dark, dark, -dark, -dark), light, Qt::white);
        p.restore();
    }
    if (m_showFocus && hasFocus()) {
        QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(inner.adjusted(0, 0, -1, -1));
    }
}

void TRxDice::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_leftPressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TRxDice::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TRxDice::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is no new click; the first one
    // already counted.
    if (event->button() == Qt::LeftButton) {
        m_leftPressed = false;
        event->accept();
        emit doubleClicked();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void TRxDice::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        update();
    else if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_leftPressed = false;
}

void TRxDice::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (m_showFocus)
        update();
}

void TRxDice::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    if (m_showFocus)
        update();
}
