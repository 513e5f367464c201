// SPDX-License-Identifier: GPL-3.0-or-later
// The decorative typeface of the game's captions and labels.
#pragma once

#include <QFont>
#include <QString>

namespace Typeface {

// "Ravie" when the system has it; otherwise the family of the stand-in that
// the program carries, registered for this process on the first call. When
// neither works, "Ravie" is returned and the font system substitutes quietly.
QString family();

// The face that supplies the letters the decorative one lacks (a brush
// script of the same spirit), system-wide or carried; empty when neither.
QString accentFamily();

// family() at the given pixel size, falling back on accentFamily().
QFont font(int pixelSize, bool bold = false);

// Id of the carried face in the application font database, or -1 when it was
// not registered (Ravie installed, nothing carried, or registration refused).
int registeredFontId();

} // namespace Typeface
