// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and saving the game settings.
#include "settings/Config.h"

#include "game/Scoring.h"
#include "base/UiTexts.h"

#include "base/TRegAuto.h"

#include <QtGlobal>

#include <algorithm>

namespace {
const QString kGame = QStringLiteral("Game");
const QString kWinner = QStringLiteral("Winner");
const QString kValid = QStringLiteral("Valid");
const QString kType = QStringLiteral("Type");
} // namespace

Config readConfig(TRegAuto &ini)
{
    const TRegAuto::Pass pass(ini);
    Config c;
    c.Winner = ini.ReadInteger(kGame, kWinner, 1000);
    c.Valid = ini.ReadBool(kGame, kValid, false);
    c.Type = ini.ReadInteger(kGame, kType, 1);
    if (c.Winner < 1)
        c.Winner = 1000;
    if (c.Type != 1 && c.Type != 2)
        c.Type = 1;
    return c;
}

void writeConfig(TRegAuto &ini, int winner, bool valid)
{
    // Both in one replacement of the file, each as its own write would set it.
    ini.WriteStrings({{kGame, kWinner, QString::number(winner)},
                      {kGame, kValid, valid ? QStringLiteral("1") : QStringLiteral("0")}});
}

int clampWinner(int typed)
{
    return std::clamp(typed, kMinWinner, kMaxWinner);
}

QString unwinnableWinner(int winner, bool valid)
{
    if (winner % 5 != 0)
        return uiText("setupWinnerFives").arg(QString::number(winner));
    // The winning bank is judged like any other: landing on the total itself.
    if (!bankOutcome(winner - 5, 5, winner, valid).won)
        return uiText("setupWinnerBand").arg(QString::number(winner));
    return QString();
}
