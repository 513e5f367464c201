// SPDX-License-Identifier: GPL-3.0-or-later
// Plays whole games on the engine by a chosen strategy, through the same
// clicks a player makes, on virtual time. Used by the benchmark and tests.
#pragma once

#include "game/Advisor.h"
#include "game/Challenge.h"

#include <functional>
#include <memory>

class Game;
class ManualTimerService;

// What a strategy sees after a roll that scores: the total, the points of
// the round's earlier rolls and the dice just rolled per face.
using Strategy = std::function<AdvisorAction(qint32 total, qint32 roundPoints, const int rolled[7])>;

// The best play of a solution.
Strategy optimalStrategy(std::shared_ptr<const AdvisorSolution> solution);
// Takes the most points the winning total allows, banks once the round holds
// `threshold` points or fewer than `minDice` dice would be left to roll.
Strategy simpleStrategy(const RuleSet &rules, qint32 threshold, int minDice);

// Carries out an action on the table: selects its dice, picks its entries,
// then rolls on or banks. False when the engine did not take it.
bool applyAction(Game &game, const AdvisorAction &action);

// Plays one game from a fresh start to the win; each roll's time of day
// comes from a generator seeded with `seed`. Returns the rounds played, or
// -1 when the game did not finish within `maxRounds`. The winning sequence
// stops at the win, the game won on the table. A `challenge` code: the game
// is played on its dice.
int playGame(Game &game, ManualTimerService &timers, const Strategy &strategy, quint32 seed,
             int maxRounds = 100000, const ChallengeCode &challenge = {});
