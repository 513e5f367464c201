// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the engine shows, with their English defaults; the language file replaces them.
#pragma once

#include <QString>

struct GameTexts
{
    QString s10 = QStringLiteral("10 Points");
    QString s5 = QStringLiteral("5 Points");
    QString lType1 = QStringLiteral("Normal");
    QString lType2 = QStringLiteral("Time");
    QString sLGT1 = QStringLiteral("Your score:");
    QString sLGT2 = QStringLiteral("Your time:");
    QString lType = QStringLiteral("Game type: ");
    QString lTime = QStringLiteral("Your time:");
    QString msgCrash = QStringLiteral("Ooops ! This is -100 point!");
    QString msgFail = QStringLiteral("You failed this round...");
    QString msgBadIn = QStringLiteral("Sorry ! Your total score can't be in the 400-500 point-intervallum !");
    QString msgExact = QStringLiteral("Sorry ! You have to reach exactly the final %1 point score !");
    QString msgWin = QStringLiteral("Congratulation !");
    QString msgNewHi = QStringLiteral("You have a new high score!");
    QString msgNoSel = QStringLiteral("You did'n selected any dice !");

    // The game types that have labels and a table: 1 Normal, 2 Time.
    static bool knownType(int type) { return type == 1 || type == 2; }
    // The game-type line: "<lType> <type name> / <winner>".
    QString gameTypeLabel(int type, int winner) const
    {
        const QString name = type == 1 ? lType1 : type == 2 ? lType2 : QString();
        return lType + QLatin1Char(' ') + name + QStringLiteral(" / ") + QString::number(winner);
    }
    // The result label beside the score display.
    QString resultLabel(int type) const { return type == 2 ? sLGT2 : sLGT1; }
};
