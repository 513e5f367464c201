// SPDX-License-Identifier: GPL-3.0-or-later
// The 8-bit Windows code pages: 1252, that of the game's binary and text
// files, both ways; 1250 and 1251 as well for reading rules documents.
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

// One byte of an 8-bit Windows code page as a character. Code pages 1250,
// 1251 and 1252 are known; any other is read as 1252.
char16_t fromCodePage(int codePage, unsigned char byte);

// The Windows code page of 8-bit text in a language ("pl", "cs_CZ"): 1250 for
// the Central European languages, 1251 for the Cyrillic ones, else 1252.
int windowsCodePage(const QString &languageCode);
