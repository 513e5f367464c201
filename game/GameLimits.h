// SPDX-License-Identifier: GPL-3.0-or-later
// How far a game can go: the engine never passes these, a saved game beyond
// them is refused, and whatever reads a game's figures (the advisor, the
// review, the statistics, the practice) can rely on them. The files that
// record won games and practised decisions take no figure past them: a line
// that holds one is not read, and no such figure is written, so no table,
// chart or loop grows with a figure read from a file beyond them.
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

// Winning totals: the setup offers 1,000 to 10,000, but "Korvex.cnf" and a
// saved game may carry any positive total, and the game is played to it.
constexpr qint32 minWinner = 1;
constexpr qint32 maxWinner = 2147483647;

// The rating of a won game: the winning total per round, times 100, as the
// top ten keep it (a 32-bit score).
constexpr qint32 maxRating = 2147483647;

// Rounds lost to decisions, and the luck, of a reviewed game: never more
// than a game can take in rounds.
constexpr double maxReviewRounds = maxRounds + 1;

// Games counted in the running totals of one rule set: a game a second for
// thirty thousand years.
constexpr qint64 maxGames = 1000000000000LL;

// Answers given in practice (the practice file's clock, and the turns its
// positions are due at): one a second for thirty years.
constexpr qint64 maxTurn = 1000000000LL;

} // namespace GameLimits
