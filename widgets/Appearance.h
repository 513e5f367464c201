// SPDX-License-Identifier: GPL-3.0-or-later
// The look the game's own surfaces keep under any desktop theme, and the
// fitting of texts into the room their controls have.
#pragma once

#include <QPalette>
#include <QString>

class QAbstractButton;
class QFontMetrics;
class QStyle;
class QWidget;

namespace Appearance {

// The light colours the playing surfaces were designed with: button-face
// grey, black text, white fields, a blue highlight. The game's fixed colours
// (the pale green and peach panels, navy and maroon captions) were chosen
// against these, so the surfaces keep them under a dark or high-contrast
// desktop theme; menus, message boxes and file dialogs follow the desktop.
QPalette surfacePalette();

// Gives a surface that palette and paints its background with it, and has
// it and every control on it, now and later, drawn by surfaceStyle().
void applySurface(QWidget *surface);

// The style the light surfaces are drawn in. A desktop style may draw its
// controls in colours of its own (a dark theme's dark buttons and check
// boxes) and take more room for their marks than the surfaces were laid out
// for; this one draws with the surface's palette and keeps the room.
QStyle *surfaceStyle();

// Has w and its controls, now and later, drawn by surfaceStyle() without
// touching its palette.
void useSurfaceStyle(QWidget *w);

// Windows and menus that follow the desktop keep its colours, except a
// highlight too light (or too dark) for its text to read on: that one is
// deepened (or lightened) in the same hue, now and whenever the desktop's
// palette changes.
void keepHighlightReadable(QWidget *w);

// A highlight of the same hue on which highlightedText reaches 4.5 : 1.
QColor readableHighlight(const QColor &highlight, const QColor &highlightedText);

// text as it fits into room pixels in fm's font: whole, or cut with an ellipsis.
QString fitted(const QFontMetrics &fm, const QString &text, int room);

// Names, language texts, file names and error reasons come from files and
// players: they are shown as they are, never read as markup. Every label of
// window (the window itself included, a message box's own text with it) is
// set to plain text; a window builds its labels first, then calls this.
void showPlainText(QWidget *window);

// A tooltip that shows text as it is: a text Qt would take for markup is
// escaped into a paragraph; any other text, and an empty one, stays as it is.
QString plainToolTip(const QString &text);
void setPlainToolTip(QWidget *control, const QString &text);

// Marks a control whose text is shown cut: the whole text becomes its tooltip
// and accessible name; shown whole, both are cleared again.
void markCut(QWidget *control, const QString &whole, bool cut);

// The room a check box's or radio button's text has beside its indicator.
int buttonTextRoom(const QAbstractButton *button);

// The room of a choice list's caption beside the frame's corners.
int groupCaptionRoom(const QWidget *box);

// A fixed text a little too wide for its box (the score display's "Not done
// yet...") is set narrower, down to 80 % of its width, never smaller.
void condenseToFit(QWidget *control, const QString &text, int room);

// Sets a check box's or radio button's text, cut to its room when needed.
void setFittedText(QAbstractButton *button, const QString &text);

} // namespace Appearance
