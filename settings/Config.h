// SPDX-License-Identifier: GPL-3.0-or-later
// The three settings of "Korvex.cnf" and how they are read and saved.
#pragma once

#include "game/GameSettings.h"

class TRegAuto;

// The configuration is the game's settings, read and saved here.
using Config = GameSettings;

// The winning totals the settings dialog offers: whole thousands in these limits.
constexpr int kMinWinner = 1000;
constexpr int kMaxWinner = 10000;
constexpr int kWinnerStep = 1000;

// A typed winning total brought to the nearest whole thousand within the limits
// (a half goes up). A total off the thousands could be unwinnable under the band
// rule: a bank to 1500 lies inside 1400 to 1500.
int snapWinner(int typed);

// Section "Game": Winner, Valid, Type. Never fails; a missing file stays missing.
// A Winner below 1 could never be reached and counts as 1000; a Type other
// than 1 or 2 has no labels or table and counts as 1.
Config readConfig(TRegAuto &ini);

// Winner, then Valid; Type is only ever written by hand. Throws KvxError.
void writeConfig(TRegAuto &ini, int winner, bool valid);
