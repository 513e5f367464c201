// SPDX-License-Identifier: GPL-3.0-or-later
// The best play on the dice of a challenge: a whole game played on the
// engine, through the same rolls a player makes, with the total it held
// after each round. The race line shows it one round at a time, never ahead
// of the player, so nothing of dice not yet rolled is given away.
// Widget-free; may run on any thread (it builds its own engine).
#pragma once

#include "game/AutoPlay.h"
#include "game/Challenge.h"

#include <QVector>

class Game;
class ManualTimerService;

struct ChallengeRun
{
    qint32 rounds = -1;      // the round it won in; -1 when unfinished
    QVector<qint32> totals;  // the total after round 1, 2, ... (the winning one last)
    // The total after `round`, or the winning total from the round it won in on.
    qint32 totalAfter(qint32 round) const;
    bool wonBy(qint32 round) const { return rounds > 0 && round >= rounds; }
};

// Plays `code` on `game` by `strategy` under the game's rules. A code left
// empty plays the ordinary dice, drawn as the clock falls from `seed`.
ChallengeRun playChallenge(Game &game, ManualTimerService &timers, const Strategy &strategy,
                           const ChallengeCode &code, quint32 seed = 1, int maxRounds = 100000);

// The same on an engine of its own, under `rules`.
ChallengeRun playChallenge(const Strategy &strategy, const RuleSet &rules, const ChallengeCode &code,
                           int maxRounds = 100000);
