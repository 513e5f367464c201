// SPDX-License-Identifier: GPL-3.0-or-later
// How far a game can go: the engine never passes these, a saved game beyond
// them is refused, and whatever reads a game's figures (the advisor, the
// review, the statistics, the practice) can rely on them.
#pragma once

#include <QtGlobal>

namespace GameLimits {

// The most rounds a game lasts. A round end that would begin round
// maxRounds + 1 ends the game instead, unwon, and a new one begins.
constexpr qint32 maxRounds = 999999;

// The lowest total a game can hold: the -100 penalty once in every round
// ended before the last one.
constexpr qint64 lowestTotalIn(qint64 roundNo) { return -100 * (roundNo - 1); }
constexpr qint32 lowestTotal = qint32(lowestTotalIn(maxRounds));

// The most points a round collects: the largest multiple of 5 a signed
// 32-bit count holds. Every amount of points is a multiple of 5, and stays
// one where the round's points stop growing.
constexpr qint32 maxPoints = 2147483645;

// The game clock stops at the largest signed 32-bit count of seconds.
constexpr qint32 maxSeconds = 2147483647;

} // namespace GameLimits
