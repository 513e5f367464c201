// SPDX-License-Identifier: GPL-3.0-or-later
// The translations the game ships, built into the program as language files,
// and which rules document goes with the language a language file names.
#pragma once

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>

class TRegAuto;

struct Translation
{
    QString code; // "de", "pt_BR": also the language file's and rules document's name
    QString name; // in the language itself: "Deutsch"
};

// Section and key of the language code in a language file.
extern const char *const kLanguageSection;
extern const char *const kLanguageCodeKey;
// The code of the English texts (the defaults).
extern const char *const kEnglishCode;

// Every shipped translation, ordered by code. Reads only each file's
// [Language] section.
QList<Translation> shippedTranslations();

// A shipped translation's texts by key (lower case) for every key of the
// language table and of the added texts that the file has; empty for a code
// that names no shipped translation.
QHash<QString, QString> translationTexts(const QString &code);

// The code a language file names; empty when it names none.
QString languageCode(const TRegAuto &lng);

// How numbers are written in a language: the desktop's own conventions when
// the desktop speaks that language (de_AT stays de_AT), else the language's
// usual ones. No code, an unknown one or English's code is English.
QLocale localeFor(const QString &code);

// The rules document in dir for a language: "KVXRules.<code>.rtf" when that
// file exists, else "KVXRules.rtf". A code that could leave the folder or
// name anything but a plain file counts as none.
QString rulesFileFor(const QString &dir, const QString &code);
