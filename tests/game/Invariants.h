// SPDX-License-Identifier: GPL-3.0-or-later
// The rules the engine's state keeps whenever it is at rest (no die rotating),
// whatever the player did and whatever file was opened.
#pragma once

#include "game/Game.h"

#include <QString>

// Empty when every rule holds, otherwise the first one broken.
inline QString restingStateProblem(Game &g)
{
    int selected[7] = {};
    int kept = 0;
    for (int n = 1; n <= 6; ++n) {
        const int s = g.DiceState(n);
        const int face = g.die(n).value;
        if (s < DieFree || s > DieKept)
            return QStringLiteral("die %1 has no state").arg(n);
        if (face < 1 || face > 6)
            return QStringLiteral("die %1 shows %2").arg(n).arg(face);
        if (g.die(n).rotate)
            return QStringLiteral("die %1 rotates at rest").arg(n);
        if (s == DieSelected)
            selected[face] += 1;
        if (s == DieKept)
            kept += 1;
    }
    for (int f = 1; f <= 6; ++f) {
        if (g.gs.SelCount[f] != selected[f])
            return QStringLiteral("SelCount[%1] is %2 but %3 dice are selected")
                    .arg(f).arg(g.gs.SelCount[f]).arg(selected[f]);
        if (f != 1 && f != 5 && selected[f] != 0 && selected[f] < 3)
            return QStringLiteral("%1 dice showing %2 selected").arg(selected[f]).arg(f);
    }
    if (g.gs.KeptCount != kept)
        return QStringLiteral("KeptCount is %1 but %2 dice are kept").arg(g.gs.KeptCount).arg(kept);
    if (g.RollingDice != 0)
        return QStringLiteral("RollingDice is %1 outside a roll").arg(g.RollingDice);
    if (g.rg10.visible != (g.gs.SelCount[1] >= 3))
        return QStringLiteral("the ones' choice list is out of step with %1 selected ones").arg(g.gs.SelCount[1]);
    if (g.rg5.visible != (g.gs.SelCount[5] >= 3))
        return QStringLiteral("the fives' choice list is out of step with %1 selected fives").arg(g.gs.SelCount[5]);
    int anySelected = 0;
    for (int f = 1; f <= 6; ++f)
        anySelected += selected[f];
    if (g.gs.NewRound && (kept != 0 || anySelected != 0))
        return QStringLiteral("dice held before the round's first roll");
    if (g.gs.RoundNo < 1)
        return QStringLiteral("RoundNo is %1").arg(g.gs.RoundNo);
    return QString();
}
