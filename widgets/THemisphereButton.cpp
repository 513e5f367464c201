// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/THemisphereButton.h"

#include "widgets/Typeface.h"
#include "widgets/Appearance.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QStringList>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

QRgb premul(double r, double g, double b)
{
    auto c = [](double v) { return int(std::clamp(v, 0.0, 255.0) + 0.5); };
    return qRgba(c(r), c(g), c(b), 255);
}

// Keeps only what lies inside the ellipse inscribed in rect (antialiased).
void clipToEllipse(QImage &img, const QRectF &rect)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    QImage mask(img.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::black);
        m.drawEllipse(rect);
    }
    p.drawImage(0, 0, mask);
}

// A ring coloured by where it faces: a lowered ring is dark towards the upper
// left and light towards the lower right, a raised one the other way round.
QImage ringLayer(const QSize &size, const QRectF &outer, const QColor &face, bool lowered)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    const double a = size.width() / 2.0, b = size.height() / 2.0;
    const double dark[3] = {face.red() * 0.35, face.green() * 0.35, face.blue() * 0.35};
    const double light[3] = {face.red() + (255 - face.red()) * 0.75,
                             face.green() + (255 - face.green()) * 0.75,
                             face.blue() + (255 - face.blue()) * 0.75};
    for (int y = 0; y < size.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            double dx = (x + 0.5 - a) / a, dy = (y + 0.5 - b) / b;
            const double len = std::sqrt(dx * dx + dy * dy);
            // 1 towards the upper left, 0 towards the lower right.
            double t = len > 1e-9 ? ((-dx - dy) / (len * M_SQRT2) + 1.0) / 2.0 : 0.5;
            if (!lowered)
                t = 1.0 - t;
            line[x] = premul(light[0] + (dark[0] - light[0]) * t,
                             light[1] + (dark[1] - light[1]) * t,
                             light[2] + (dark[2] - light[2]) * t);
        }
    }
    clipToEllipse(img, outer);
    return img;
}

// The face, lit like a hemisphere from the upper left (raised) or lower right.
QImage faceLayer(const QSize &size, const QRectF &rect, const QColor &face, bool shaded, bool pressed)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    const double cx = rect.center().x(), cy = rect.center().y();
    const double ra = std::max(rect.width() / 2.0, 1e-3), rb = std::max(rect.height() / 2.0, 1e-3);
    // A light high in front: the face under the caption stays bright.
    double lx = pressed ? 0.55 : -0.55, ly = pressed ? 0.6 : -0.6, lz = 1.0;
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    lx /= ll; ly /= ll; lz /= ll;
    for (int y = 0; y < size.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            if (!shaded) {
                line[x] = premul(face.red(), face.green(), face.blue());
                continue;
            }
            double nx = (x + 0.5 - cx) / ra, ny = (y + 0.5 - cy) / rb;
            double r2 = nx * nx + ny * ny;
            if (r2 > 1.0) {
                const double r = std::sqrt(r2);
                nx /= r; ny /= r; r2 = 1.0;
            }
            const double nz = std::sqrt(1.0 - r2);
            const double nl = nx * lx + ny * ly + nz * lz;
            const double diffuse = std::max(0.0, nl);
            const double rv = 2.0 * nl * nz - lz; // reflected light towards the viewer
            const double specular = rv > 0 ? std::pow(rv, 18.0) * 0.55 : 0.0;
            // Never so dark under the caption that the maroon stops reading.
            const double k = 0.88 + 0.32 * diffuse;
            line[x] = premul(face.red() * k + 255 * specular,
                             face.green() * k + 255 * specular,
                             face.blue() * k + 255 * specular);
        }
    }
    clipToEllipse(img, rect);
    return img;
}

} // namespace

THemisphereButton::THemisphereButton(QWidget *parent)
    : QAbstractButton(parent)
{
    init();
}

THemisphereButton::THemisphereButton(const QString &caption, QWidget *parent)
    : QAbstractButton(parent)
{
    init();
    setText(caption);
}

void THemisphereButton::init()
{
    setFont(Typeface::font(16));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void THemisphereButton::setFaceColor(const QColor &c)
{
    if (c == m_faceColor)
        return;
    m_faceColor = c;
    update();
}

void THemisphereButton::setTextColor(const QColor &c)
{
    if (c == m_textColor)
        return;
    m_textColor = c;
    update();
}

void THemisphereButton::setFaceShaded(bool on)
{
    if (on == m_faceShaded)
        return;
    m_faceShaded = on;
    update();
}

void THemisphereButton::setBevelOuter(Bevel b)
{
    if (b == m_bevelOuter)
        return;
    m_bevelOuter = b;
    update();
}

void THemisphereButton::setBevelInner(Bevel b)
{
    if (b == m_bevelInner)
        return;
    m_bevelInner = b;
    update();
}

void THemisphereButton::setBevelWidth(int w)
{
    w = std::max(0, w);
    if (w == m_bevelWidth)
        return;
    m_bevelWidth = w;
    update();
}

int THemisphereButton::bevelInset() const
{
    return (m_bevelOuter != BevelNone ? m_bevelWidth : 0) + (m_bevelInner != BevelNone ? m_bevelWidth : 0);
}

bool THemisphereButton::hitButton(const QPoint &pos) const
{
    const double a = width() / 2.0, b = height() / 2.0;
    const double i = bevelInset();
    if (a - i <= 0 || b - i <= 0)
        return false;
    const double u = (pos.x() - a) / (a - i), v = (pos.y() - b) / (b - i);
    return u * u + v * v <= 1.0;
}

QSize THemisphereButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize t = fm.size(Qt::TextShowMnemonic | Qt::TextSingleLine, text());
    const int inset = 2 * bevelInset();
    return QSize(std::max(75, t.width() + fm.height() * 2 + inset),
                 std::max(33, t.height() + fm.height() / 2 + 6 + inset));
}

QSize THemisphereButton::minimumSizeHint() const
{
    const int inset = 2 * bevelInset() + 4;
    return QSize(inset, inset);
}

void THemisphereButton::rebuildIfStale(qreal dpr) const
{
    const QString key = QStringList{QString::number(width()), QString::number(height()), QString::number(dpr), text(),
                                    font().key(), m_faceColor.name(QColor::HexArgb), m_textColor.name(QColor::HexArgb),
                                    QString::number(m_faceShaded), QString::number(int(m_bevelOuter)),
                                    QString::number(int(m_bevelInner)), QString::number(m_bevelWidth)}
                            .join(QLatin1Char('|'));
    if (key == m_builtKey)
        return;
    m_raised = renderFace(false, dpr);
    // Most buttons are never pressed before they change or go: the pressed
    // face is drawn at the first press.
    m_pressed = QImage();
    m_builtKey = key;
}

QImage THemisphereButton::renderFace(bool pressed, qreal dpr) const
{
    const QSize px(std::max(1, qRound(width() * dpr)), std::max(1, qRound(height() * dpr)));
    QImage img(px, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        QRectF ring(0, 0, px.width(), px.height());
        const Bevel bevels[2] = {m_bevelOuter, m_bevelInner};
        const double w = m_bevelWidth * dpr;
        for (Bevel b : bevels) {
            if (b == BevelNone || m_bevelWidth == 0)
                continue;
            p.drawImage(0, 0, ringLayer(px, ring, m_faceColor, b == BevelLowered));
            ring.adjust(w, w, -w, -w);
        }
        if (ring.width() > 0 && ring.height() > 0)
            p.drawImage(0, 0, faceLayer(px, ring, m_faceColor, m_faceShaded, pressed));
    }
    img.setDevicePixelRatio(dpr);

    const QString caption = shownCaption();
    if (!caption.isEmpty()) {
        QPainter p(&img);
        p.setFont(font());
        p.setPen(m_textColor);
        const QFontMetrics fm(font(), &img);
        const int flags = Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop;
        const QSize t = fm.size(flags, caption);
        const int x = qRound((width() - t.width() - 2) / 2.0);
        const int y = qRound((height() - t.height() - 2) / 2.0);
        p.drawText(QRect(x, y, t.width(), t.height()), flags, caption);
    }
    return img;
}

QImage THemisphereButton::faceImage(bool pressed, qreal dpr) const
{
    const qreal ratio = dpr > 0 ? dpr : devicePixelRatioF();
    rebuildIfStale(ratio);
    if (pressed && m_pressed.isNull())
        m_pressed = renderFace(true, ratio);
    return pressed ? m_pressed : m_raised;
}

int THemisphereButton::captionRoom() const
{
    // The width of the face ellipse across the band the caption's letters
    // take: from the capitals' top to the baseline, the caption being
    // centred by its full line height.
    const QFontMetrics fm(font());
    const double i = bevelInset();
    const double a = width() / 2.0 - i, b = height() / 2.0 - i;
    if (a <= 0 || b <= 0)
        return 0;
    const double half = fm.height() / 2.0;
    const double dy = std::min(b, std::max(std::abs(fm.ascent() - half),
                                           std::abs(fm.ascent() - fm.capHeight() - half)) + 1.0);
    return int(2.0 * a * std::sqrt(std::max(0.0, 1.0 - (dy / b) * (dy / b)))) - 2;
}

QString THemisphereButton::shownCaption() const
{
    // A caption wider than the face (a long text from the language editor)
    // is cut with an ellipsis; its whole text is the tooltip.
    const QFontMetrics fm(font());
    const QString caption = text();
    if (fm.horizontalAdvance(caption) <= captionRoom())
        return caption;
    return fm.elidedText(caption, Qt::ElideRight, std::max(0, captionRoom()), Qt::TextShowMnemonic);
}

void THemisphereButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // The target decides the resolution (a backing store, or an image that
    // the widget is rendered into).
    const QPaintDevice *target = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    // Outside the ellipse the image is transparent, so the parent shows.
    // Enabled or not, the face looks the same.
    p.drawImage(QPoint(0, 0), faceImage(isDown(), target ? target->devicePixelRatioF() : devicePixelRatioF()));
    // Reached with the keyboard: a dark ring with a light edge inside the
    // face's rim, plain on any face colour and drawn at the screen's own
    // resolution.
    if (focusRingShown()) {
        const qreal inset = bevelInset() + 2.0;
        const QRectF ring = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        if (ring.width() > 6 && ring.height() > 6) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 2.0));
            p.drawEllipse(ring);
            p.setPen(QPen(Qt::white, 1.0));
            p.drawEllipse(ring.adjusted(1.5, 1.5, -1.5, -1.5));
            p.setRenderHint(QPainter::Antialiasing, false);
        }
    }
    // Whether the caption is shown cut changes only when the face is rebuilt.
    if (m_cutCheckedFor != m_builtKey) {
        m_cutCheckedFor = m_builtKey;
        const bool cut = captionCut();
        if (cut != m_captionCut) {
            m_captionCut = cut;
            Appearance::setPlainToolTip(this, cut ? text() : QString());
        }
    }
}

void THemisphereButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled() || !hitButton(event->position().toPoint())) {
        event->ignore();
        return;
    }
    m_mousePressed = true;
    setDown(true);
    emit pressed();
    event->accept();
}

void THemisphereButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mousePressed || !(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    const bool inside = hitButton(event->position().toPoint());
    if (inside != isDown())
        setDown(inside);
    event->accept();
}

void THemisphereButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_mousePressed) {
        event->ignore();
        return;
    }
    m_mousePressed = false;
    event->accept();
    if (isEnabled() && hitButton(event->position().toPoint())) {
        if (!isDown())
            setDown(true);
        fireClick();
    } else if (isDown()) {
        setDown(false);
        emit released();
    }
}

void THemisphereButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a press like any other.
    mousePressEvent(event);
}

bool THemisphereButton::focusRingShown() const
{
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void THemisphereButton::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the button whose ring the player sees, as a dialog's
    // focused push button takes it. Focused by a click, the key goes on to
    // the window (the game's Done, a dialog's default).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && focusRingShown()
        && isEnabled() && !m_mousePressed) {
        event->accept();
        if (!event->isAutoRepeat()) {
            setDown(true);
            fireClick();
        }
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void THemisphereButton::keyReleaseEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) && !event->isAutoRepeat()
        && isDown() && !m_mousePressed) {
        event->accept();
        fireClick();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void THemisphereButton::fireClick()
{
    // The handler runs while the face is still drawn pressed, so a message box
    // it opens shows the button held; the face comes up afterwards.
    QPointer<THemisphereButton> self(this);
    m_firing = true;
    emit clicked(false);
    if (!self)
        return;
    m_firing = false;
    if (isDown()) {
        setDown(false);
        emit released();
    }
}

void THemisphereButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_mousePressed = false;
}

void THemisphereButton::focusOutEvent(QFocusEvent *event)
{
    // A dialog opened by the click takes the focus; the face stays pressed
    // until the handler returns.
    if (m_firing) {
        QWidget::focusOutEvent(event);
        return;
    }
    QAbstractButton::focusOutEvent(event);
}
