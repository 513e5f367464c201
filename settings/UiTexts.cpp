// SPDX-License-Identifier: GPL-3.0-or-later
// The added texts: their table and the process-wide values in force.
#include "settings/UiTexts.h"

#include "settings/TRegAuto.h"

#include <QStringList>

#include <vector>

// Each block is one section of the language file. Keys are unique over all
// blocks; add a text by adding its line to the block it belongs to.
const UiTextEntry kUiTexts[] = {
    // --- Help menu, keys and About
    {"Help", "mHelp", "Help"},
    {"Help", "aKeys", "Keyboard Shortcuts"},
    {"Help", "aAbout", "About Korvex"},
    {"Help", "keyColumnKey", "Key"},
    {"Help", "keyColumnDoes", "What it does"},
    {"Help", "keyDice", "1 to 6"},
    {"Help", "keyDiceDoes", "Select or release the die with that number"},
    {"Help", "keyRollDoes", "Roll the free dice"},
    {"Help", "keyEnter", "Enter"},
    {"Help", "keyDoneDoes", "Done: bank the points of the round"},
    {"Help", "keyCoverDoes", "Start or Continue, while the game is covered"},
    {"Help", "keyArrows", "Arrow keys"},
    {"Help", "keyArrowsDoes", "Pick a valuation in a choice list"},
    {"Help", "keyEscapeDoes", "Close the top ten or the advisor; cancel the settings"},
    {"Help", "aboutWhat", "A dice game for one player: roll six dice, set aside the ones that score, and reach the winning total exactly."},
    {"Help", "aboutLicence", "Korvex is free software: you may share and change it under the GNU General Public License, version 3 or later (GPL-3.0-or-later). It comes with no warranty."},
    {"Help", "aboutTypeface", "The captions are set in Leckerli One, under the SIL Open Font License 1.1."},
    // --- the game's own notices beyond the original messages
    {"Notice", "msgAssisted", "The advisor was open during this game, so it is not entered in the top-ten tables."},
};
const int kUiTextCount = int(sizeof kUiTexts / sizeof kUiTexts[0]);

namespace {
std::vector<QString> &loaded()
{
    static std::vector<QString> values;
    return values;
}
} // namespace

int uiTextIndex(const QString &key)
{
    for (int i = 0; i < kUiTextCount; ++i)
        if (key.compare(QLatin1String(kUiTexts[i].key), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void loadUiTexts(const TRegAuto &lng)
{
    std::vector<QString> values;
    values.reserve(size_t(kUiTextCount));
    for (int i = 0; i < kUiTextCount; ++i) {
        const UiTextEntry &e = kUiTexts[i];
        values.push_back(lng.ReadString(QLatin1String(e.section), QLatin1String(e.key),
                                        QString::fromUtf8(e.englishDefault)));
    }
    loaded() = std::move(values);
}

void resetUiTexts()
{
    loaded().clear();
}

QString uiText(const char *key)
{
    const int i = uiTextIndex(QLatin1String(key));
    if (i < 0)
        return QString::fromLatin1(key);
    if (size_t(i) < loaded().size())
        return loaded()[size_t(i)];
    return QString::fromUtf8(kUiTexts[i].englishDefault);
}
