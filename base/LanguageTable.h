// SPDX-License-Identifier: GPL-3.0-or-later
// The 41 texts of "Korvex.lng": sections, keys, English defaults, what each
// feeds, and their reader. A key is added here and nowhere else.
#pragma once

#include <QString>

#include <array>
#include <optional>

class TRegAuto;
struct GameTexts;

struct LangEntry
{
    const char *section;
    const char *key;            // also the name of the control, action or variable it feeds
    const char *englishDefault;
    char group;                 // 0; 'A' top-ten dialog; 'B' settings dialog
    QString GameTexts::*variable; // the engine's text it sets; null for a caption
    // The settings dialog's row: its label (never translated; null for the
    // English default) and the name of its field.
    const char *editorLabel;
    const char *editorField;
};

constexpr int kLanguageCount = 41;

// In the order the loader reads them.
extern const LangEntry kLanguageTable[kLanguageCount];

using LanguageTexts = std::array<std::optional<QString>, kLanguageCount>;

// Position of a key in the table (any case), -1 when it is not there.
int languageIndex(const QString &key);

// Reads every key in table order; a group that is not asked for is not read
// at all and stays empty. A missing file, section or key gives the English
// default; an empty value is a value. Writes nothing.
LanguageTexts readLanguage(TRegAuto &lng, bool withGroupA, bool withGroupB);

// Sets the engine's text variables from the entries that were read.
void applyToTexts(const LanguageTexts &texts, GameTexts &out);
