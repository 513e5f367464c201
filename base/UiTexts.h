// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the player reads beyond the 41 of the language file's original
// sections (Help, keys, About, the advisor, ...): each in a section of its own,
// with its English default, read from "Korvex.lng" like the others. A file
// written before these keys existed reads as it always did.
#pragma once

#include <QString>

class TRegAuto;

struct UiTextEntry
{
    const char *section;
    const char *key;            // unique over every section
    const char *englishDefault;
    // A text that depends on a count has one entry per grammatical number:
    // the plural ("other") under its own key, and entries for one, few and
    // many that name it here, with their form ('1', 'f', 'm').
    const char *formOf = nullptr;
    char form = 0;
};

// Every entry, grouped by section, in the order an editor would list them.
extern const UiTextEntry kUiTexts[];
extern const int kUiTextCount;

// Position of a key in kUiTexts (any case), -1 when it is not there.
int uiTextIndex(const QString &key);

// Reads every entry from the language store: a missing file, section or key
// gives the English default; an empty value is a value. A form of a counted
// text that the file lacks is the file's plural of it, where it has one.
// The counts follow the rules of the file's language code. Writes nothing.
void loadUiTexts(const TRegAuto &lng);
// Back to the English defaults (as with no language file).
void resetUiTexts();

// The text in force for a key: what the last load read, else the English
// default. An unknown key is a programming error and gives the key itself.
QString uiText(const char *key);

// The form of a counted text (the key of its plural) that a number takes in
// the language in force, as it is shown with that many decimals.
QString uiPlural(const char *key, double count, int decimals = 0);

// The language code whose counting rules are in force; empty for English.
QString uiLanguage();
