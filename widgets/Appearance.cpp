// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/Appearance.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
const char *const kCutProperty = "korvexCutText";

double channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour)
{
    const QColor c = colour.toRgb();
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void applyReadableHighlight(QWidget *w)
{
    const QPalette app = QApplication::palette(w);
    QPalette pal = w->palette();
    bool differs = false;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor readable = Appearance::readableHighlight(app.color(group, QPalette::Highlight),
                                                              app.color(group, QPalette::HighlightedText));
        differs = differs || pal.color(group, QPalette::Highlight) != readable
            || !(pal.resolveMask() & (quint64(1) << (int(QPalette::Highlight) + int(group) * QPalette::NColorRoles)));
        pal.setColor(group, QPalette::Highlight, readable);
    }
    // Setting an equal palette again would only echo the change event.
    if (differs)
        w->setPalette(pal);
}

// Follows the desktop's palette for the one role it corrects.
class HighlightKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::ApplicationPaletteChange || type == QEvent::PaletteChange) && watched->isWidgetType())
            applyReadableHighlight(static_cast<QWidget *>(watched));
        return false;
    }
};
// Hands the surface style on to every control added to a surface later.
class SurfaceStyleKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildPolished) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child->isWidgetType())
                Appearance::useSurfaceStyle(static_cast<QWidget *>(child));
        }
        return false;
    }
};

SurfaceStyleKeeper *surfaceStyleKeeper()
{
    static QPointer<SurfaceStyleKeeper> keeper;
    if (!keeper)
        keeper = new SurfaceStyleKeeper(qApp);
    return keeper;
}
} // namespace

QColor Appearance::readableHighlight(const QColor &highlight, const QColor &highlightedText)
{
    QColor c = highlight.toRgb();
    const bool lightText = luminance(highlightedText) > luminance(c);
    // 4.6 keeps a margin over the 4.5 that rounding could lose.
    for (int step = 0; step < 60 && contrast(c, highlightedText) < 4.6; ++step) {
        const double f = lightText ? 0.95 : 1.0;
        c = lightText ? QColor::fromRgbF(c.redF() * f, c.greenF() * f, c.blueF() * f)
                      : QColor::fromRgbF(c.redF() + (1 - c.redF()) * 0.08, c.greenF() + (1 - c.greenF()) * 0.08,
                                         c.blueF() + (1 - c.blueF()) * 0.08);
    }
    return c.toRgb();
}

void Appearance::keepHighlightReadable(QWidget *w)
{
    applyReadableHighlight(w);
    w->installEventFilter(new HighlightKeeper(w));
}

QPalette Appearance::surfacePalette()
{
    // Every role of every group is set, so a theme changed at run time
    // reaches none of them.
    const QColor face(239, 239, 239);
    QPalette p(face);
    const auto set = [&p](QPalette::ColorRole role, const QColor &active, const QColor &disabled) {
        p.setColor(QPalette::Active, role, active);
        p.setColor(QPalette::Inactive, role, active);
        p.setColor(QPalette::Disabled, role, disabled);
    };
    set(QPalette::Window, face, face);
    set(QPalette::Button, face, face);
    set(QPalette::WindowText, Qt::black, QColor(120, 120, 120));
    set(QPalette::ButtonText, Qt::black, QColor(120, 120, 120));
    set(QPalette::Text, Qt::black, QColor(120, 120, 120));
    set(QPalette::BrightText, Qt::white, Qt::white);
    set(QPalette::Base, Qt::white, face);
    set(QPalette::AlternateBase, QColor(247, 247, 247), QColor(247, 247, 247));
    set(QPalette::Light, Qt::white, Qt::white);
    set(QPalette::Midlight, QColor(227, 227, 227), QColor(247, 247, 247));
    set(QPalette::Mid, QColor(160, 160, 160), QColor(160, 160, 160));
    set(QPalette::Dark, QColor(160, 160, 160), QColor(160, 160, 160));
    set(QPalette::Shadow, QColor(105, 105, 105), QColor(0, 0, 0));
    set(QPalette::Highlight, QColor(38, 110, 190), QColor(110, 110, 110));
    set(QPalette::HighlightedText, Qt::white, Qt::white);
    set(QPalette::Link, QColor(0, 0, 255), QColor(0, 0, 255));
    set(QPalette::LinkVisited, QColor(128, 0, 128), QColor(128, 0, 128));
    set(QPalette::ToolTipBase, QColor(255, 255, 220), QColor(255, 255, 220));
    set(QPalette::ToolTipText, Qt::black, Qt::black);
    set(QPalette::PlaceholderText, QColor(110, 110, 110), QColor(120, 120, 120));
    return p;
}

void Appearance::applySurface(QWidget *surface)
{
    surface->setPalette(surfacePalette());
    surface->setAutoFillBackground(true);
    useSurfaceStyle(surface);
}

QStyle *Appearance::surfaceStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        if (style)
            style->setParent(qApp);
    }
    return style;
}

void Appearance::useSurfaceStyle(QWidget *w)
{
    QStyle *style = surfaceStyle();
    if (!style)
        return;
    if (w->style() != style) {
        // setStyle takes the style's own palette; the surface keeps its own.
        const QPalette pal = w->palette();
        const bool own = w->testAttribute(Qt::WA_SetPalette);
        w->setStyle(style);
        if (own)
            w->setPalette(pal);
    }
    w->removeEventFilter(surfaceStyleKeeper());
    w->installEventFilter(surfaceStyleKeeper());
    for (QObject *child : w->children())
        if (child->isWidgetType())
            useSurfaceStyle(static_cast<QWidget *>(child));
}

QString Appearance::fitted(const QFontMetrics &fm, const QString &text, int room)
{
    return fm.horizontalAdvance(text) <= room ? text : fm.elidedText(text, Qt::ElideRight, room);
}

void Appearance::showPlainText(QWidget *window)
{
    if (auto *box = qobject_cast<QMessageBox *>(window))
        box->setTextFormat(Qt::PlainText);
    if (auto *label = qobject_cast<QLabel *>(window))
        label->setTextFormat(Qt::PlainText);
    for (QLabel *label : window->findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
}

QString Appearance::plainToolTip(const QString &text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

void Appearance::setPlainToolTip(QWidget *control, const QString &text)
{
    control->setToolTip(plainToolTip(text));
}

void Appearance::markCut(QWidget *control, const QString &whole, bool cut)
{
    if (cut) {
        setPlainToolTip(control, whole);
        control->setAccessibleName(whole);
        control->setProperty(kCutProperty, true);
    } else if (control->property(kCutProperty).toBool()) {
        // Only what was set here is taken back.
        control->setToolTip(QString());
        control->setAccessibleName(QString());
        control->setProperty(kCutProperty, false);
    }
}

int Appearance::buttonTextRoom(const QAbstractButton *button)
{
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = QStringLiteral("x");
    const bool check = qobject_cast<const QCheckBox *>(button) != nullptr;
    const QRect r = button->style()->subElementRect(check ? QStyle::SE_CheckBoxContents
                                                          : QStyle::SE_RadioButtonContents,
                                                    &opt, button);
    // The style keeps a pixel either side for the focus frame.
    return r.width() - 2;
}

void Appearance::setFittedText(QAbstractButton *button, const QString &text)
{
    const QString shown = fitted(button->fontMetrics(), text, buttonTextRoom(button));
    button->setText(shown);
    markCut(button, text, shown != text);
}

int Appearance::groupCaptionRoom(const QWidget *box)
{
    return box->width() - 13;
}

void Appearance::condenseToFit(QWidget *control, const QString &text, int room)
{
    QFont f = control->font();
    f.setStretch(QFont::Unstretched);
    for (int stretch = 100; stretch >= 80; stretch -= 2) {
        f.setStretch(stretch);
        if (QFontMetrics(f).horizontalAdvance(text) <= room)
            break;
    }
    if (f != control->font())
        control->setFont(f);
}
