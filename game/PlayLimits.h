// SPDX-License-Identifier: GPL-3.0-or-later
// The figures a game can end with, as the files that record won games and
// practised decisions accept them. A figure past them comes from no play: a
// line that holds one is not read, and no such figure is written. They are
// also what the code reading those files is built for (no table, chart or
// loop grows with a figure read from a file beyond them).
#pragma once

#include <QtGlobal>

namespace PlayLimits {

// Winning totals: the setup offers 1,000 to 10,000, but "Korvex.cnf" and a
// saved game may carry any positive total, and the game is played to it.
constexpr qint32 kMinWinner = 1;
constexpr qint32 kMaxWinner = 2147483647;

// Rounds to a win. A round takes at least one roll; a million of them is far
// more than anyone plays (a game of 10,000 takes some thirty).
constexpr qint32 kMaxRounds = 1000000;

// Playing time of a game, in seconds: the game's clock is a 32-bit count.
constexpr qint32 kMaxSeconds = 2147483647;

// The rating of a won game: the winning total per round, times 100, as the
// top ten keep it (a 32-bit score).
constexpr qint32 kMaxRating = 2147483647;

// Rounds lost to decisions, and the luck, of a reviewed game: never more
// than a game can take in rounds.
constexpr double kMaxReviewRounds = kMaxRounds;

// Games counted in the running totals of one rule set: a game a second for
// thirty thousand years.
constexpr qint64 kMaxGames = 1000000000000LL;

// Answers given in practice (the practice file's clock, and the turns its
// positions are due at): one a second for thirty years.
constexpr qint64 kMaxTurn = 1000000000LL;

} // namespace PlayLimits
