// SPDX-License-Identifier: GPL-3.0-or-later
// The three settings of "Korvex.cnf" and how they are read and saved.
#pragma once

#include "game/GameSettings.h"

class TRegAuto;

// The configuration is the game's settings, read and saved here.
using Config = GameSettings;

// The winning totals the settings dialog offers: whole numbers in these limits,
// its arrows stepping by a thousand.
constexpr int kMinWinner = 1000;
constexpr int kMaxWinner = 10000;
constexpr int kWinnerStep = 1000;

// A typed winning total brought within the limits.
int clampWinner(int typed);

// Why no game could ever reach this winning total (every score is a
// multiple of 5; under the band rule in every thousand a bank into the band
// is refused, the winning one too), in the player's words; empty when one can.
QString unwinnableWinner(int winner, bool valid);

// Section "Game": Winner, Valid, Type. Never fails; a missing file stays missing.
// A Winner below 1 could never be reached and counts as 1000; a Type other
// than 1 or 2 has no labels or table and counts as 1.
Config readConfig(TRegAuto &ini);

// Winner, then Valid; Type is only ever written by hand. Throws KvxError.
void writeConfig(TRegAuto &ini, int winner, bool valid);
