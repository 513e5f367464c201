// SPDX-License-Identifier: GPL-3.0-or-later
// Contrast of two colours by relative luminance (the WCAG formula), and the
// three palettes the windows are checked under: the light default, a dark
// desktop theme and a high-contrast one.
#pragma once

#include <QColor>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace Contrast {

// The body-text threshold; it applies to every text, large or not.
constexpr double kMinimum = 4.5;

inline double channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

inline double luminance(const QColor &colour)
{
    const QColor c = colour.toRgb();
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

// 1 (equal) to 21 (black on white), whichever way round.
inline double ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace Contrast

namespace TestPalettes {

inline QPalette build(const QColor &window, const QColor &text, const QColor &base, const QColor &button,
                      const QColor &highlight, const QColor &highlightedText, const QColor &disabledText)
{
    QPalette p(button, window);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor fg = group == QPalette::Disabled ? disabledText : text;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, fg);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, window);
        p.setColor(group, QPalette::Text, fg);
        p.setColor(group, QPalette::Button, button);
        p.setColor(group, QPalette::ButtonText, fg);
        p.setColor(group, QPalette::BrightText, text);
        p.setColor(group, QPalette::Highlight, highlight);
        p.setColor(group, QPalette::HighlightedText, highlightedText);
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, disabledText);
    }
    return p;
}

// The colours a dark desktop theme gives Qt programs: light grey on charcoal.
inline QPalette dark()
{
    return build(QColor(53, 53, 53), QColor(238, 238, 236), QColor(45, 45, 45), QColor(58, 58, 58),
                 QColor(21, 83, 158), QColor(255, 255, 255), QColor(146, 149, 149));
}

// White on black with a yellow highlight.
inline QPalette highContrast()
{
    return build(Qt::black, Qt::white, Qt::black, Qt::black, QColor(255, 255, 0), Qt::black, QColor(0, 255, 0));
}

} // namespace TestPalettes
