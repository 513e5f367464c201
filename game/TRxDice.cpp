// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRxDice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>
#include <map>
#include <vector>

namespace {

// Pip centres on a unit square, per face.
const std::vector<QPointF> &pipLayout(int face)
{
    static const std::vector<QPointF> layouts[7] = {
        {},
        {{0.5, 0.5}},
        {{0.25, 0.25}, {0.75, 0.75}},
        {{0.25, 0.25}, {0.5, 0.5}, {0.75, 0.75}},
        {{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}},
        {{0.25, 0.25}, {0.75, 0.25}, {0.5, 0.5}, {0.25, 0.75}, {0.75, 0.75}},
        {{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.5}, {0.75, 0.5}, {0.25, 0.75}, {0.75, 0.75}},
    };
    return layouts[face];
}

// The faces seen on the left and right sides when a face is on top; each pair
// avoids the top and its opposite (opposite faces add up to seven).
const int kSideFaces[7][2] = {{0, 0}, {2, 3}, {1, 3}, {2, 1}, {5, 1}, {1, 4}, {4, 5}};

// Maps the unit square onto a parallelogram given by a corner and two edges.
QTransform faceTransform(QPointF origin, QPointF u, QPointF v)
{
    return QTransform(u.x(), u.y(), v.x(), v.y(), origin.x(), origin.y());
}

void drawPips(QPainter &p, const QTransform &toFace, int face, qreal radius, qreal inset, const QColor &colour)
{
    p.save();
    p.setTransform(toFace, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (QPointF c : pipLayout(face)) {
        // Pull the pattern towards the centre so pips clear the edges.
        const QPointF at(0.5 + (c.x() - 0.5) * inset, 0.5 + (c.y() - 0.5) * inset);
        p.drawEllipse(at, radius, radius);
    }
    p.restore();
}

// A die seen from above one corner: a large top face showing the value and
// two narrower side faces below it.
QPixmap drawFace(int face, qreal dpr)
{
    QPixmap pm(QSize(qRound(64 * dpr), qRound(64 * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);

    const QPointF left(3, 21), back(32, 3), right(61, 21), front(32, 39);
    const QPointF down(0, 21);

    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor outline(48, 40, 36);
    QPen pen(outline, 1.6);
    pen.setJoinStyle(Qt::RoundJoin);

    const QPolygonF top({left, back, right, front});
    const QPolygonF leftSide({left, front, front + down, left + down});
    const QPolygonF rightSide({front, right, right + down, front + down});

    p.setPen(pen);
    p.setBrush(QColor(255, 253, 240));
    p.drawPolygon(top);
    p.setBrush(QColor(228, 224, 208));
    p.drawPolygon(leftSide);
    p.setBrush(QColor(198, 193, 176));
    p.drawPolygon(rightSide);

    drawPips(p, faceTransform(left, back - left, front - left), face, face == 1 ? 0.14 : 0.1, 1.0,
             QColor(24, 22, 20));
    drawPips(p, faceTransform(left, front - left, down), kSideFaces[face][0], 0.085, 0.9,
             QColor(70, 64, 58));
    drawPips(p, faceTransform(front, right - front, down), kSideFaces[face][1], 0.085, 0.9,
             QColor(60, 55, 50));
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
    static const char *const names[] = {"free", "selected", "kept"};
    const QString name = QStringLiteral("Die %1: %2, %3").arg(m_tag).arg(m_value).arg(QLatin1String(names[m_state]));
    // A rolling die is named once as rolling, not at every face it flashes.
    const QString shown = m_rolling ? QStringLiteral("Die %1: rolling").arg(m_tag) : name;
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
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (inner.isEmpty())
        return;
    const QPixmap face = facePixmap(m_value, dpr);
    if (inner.size() != QSize(64, 64))
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(inner, face);
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
