// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1252, the 8-bit code page of the game's binary and text files.
#pragma once

#include <QByteArray>
#include <QString>

// One byte per character; a character without a Windows-1252 form becomes '?'.
// A surrogate pair counts as one character (and so as one '?').
QByteArray toCp1252(const QString &text);

// Every byte has a character: the five bytes the code page leaves undefined
// come back as the control characters of the same value, as Windows reads them.
QString fromCp1252(const QByteArray &bytes);

// One byte's character.
char16_t fromCp1252(unsigned char byte);
