// SPDX-License-Identifier: GPL-3.0-or-later
// The three settings of a game, as "Korvex.cnf" holds them.
#pragma once

#include "game/RuleSet.h"

#include <QtGlobal>

struct GameSettings
{
    qint32 Winner = 1000; // the total to reach exactly; at least 1
    bool Valid = false;   // the 400-500 band in every thousand, not only the first
    qint32 Type = 1;      // 1 Normal, 2 Time
    RuleSet rules() const { return {Winner, Valid}; }
};
