// SPDX-License-Identifier: GPL-3.0-or-later
// The engine alone on a virtual clock: the rules it keeps at rest, and ways
// to reach a position or to know in advance where the dice of the next roll
// will come to rest for a given time of day.
#pragma once

#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/ManualTimerService.h"

#include <QString>
#include <array>
#include <functional>

using Faces = std::array<int, 7>; // slot 0 unused

// The rules the engine keeps whenever it is at rest (no die rotating),
// whatever the player did and whatever file was opened: empty when every
// rule holds, otherwise the first one broken.
inline QString restingStateProblem(const Game &g)
{
    int selected[7] = {};
    int kept = 0;
    for (int n = 1; n <= 6; ++n) {
        const int s = g.die(n).color;
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
        if (g.state().SelCount[f] != selected[f])
            return QStringLiteral("SelCount[%1] is %2 but %3 dice are selected")
                    .arg(f).arg(g.state().SelCount[f]).arg(selected[f]);
        if (f != 1 && f != 5 && selected[f] != 0 && selected[f] < 3)
            return QStringLiteral("%1 dice showing %2 selected").arg(selected[f]).arg(f);
    }
    if (g.state().KeptCount != kept)
        return QStringLiteral("KeptCount is %1 but %2 dice are kept").arg(g.state().KeptCount).arg(kept);
    if (g.rollingDice() != 0)
        return QStringLiteral("RollingDice is %1 outside a roll").arg(g.rollingDice());
    if (g.choices(1).offered() != (g.state().SelCount[1] >= 3))
        return QStringLiteral("the ones' valuations are out of step with %1 selected ones").arg(g.state().SelCount[1]);
    if (g.choices(5).offered() != (g.state().SelCount[5] >= 3))
        return QStringLiteral("the fives' valuations are out of step with %1 selected fives").arg(g.state().SelCount[5]);
    int anySelected = 0;
    for (int f = 1; f <= 6; ++f)
        anySelected += selected[f];
    if (g.state().NewRound && (kept != 0 || anySelected != 0))
        return QStringLiteral("dice held before the round's first roll");
    if (g.state().RoundNo < 1)
        return QStringLiteral("RoundNo is %1").arg(g.state().RoundNo);
    return QString();
}

// The rules the next game is played by.
inline void setRules(Game &game, const RuleSet &rules)
{
    GameSettings s = game.gameSettings();
    s.Winner = rules.winner;
    s.Valid = rules.band;
    game.applySettings(s);
}

// Whether the clock counts: in play, not behind the cover nor after the win.
inline bool clockRunning(const Game &game)
{
    const GamePhase p = game.phase();
    return p == GamePhase::BeforeFirstRoll || p == GamePhase::Rolling || p == GamePhase::Choosing
            || p == GamePhase::RoundOver;
}

// Puts the game where `edit` moves its saved-game snapshot, as opening that
// saved game would: the one way tests reach a position play does not give.
inline void restoreWith(Game &game, const std::function<void(Game::Snapshot &)> &edit)
{
    Game::Snapshot s = game.snapshot();
    edit(s);
    game.restore(s, ChallengeDice(game.challenge())); // a challenge's place goes with its game
}


// The dice that a Roll now would set rotating (hot dice free all six).
inline std::array<bool, 7> diceToRoll(const Game &game)
{
    std::array<bool, 7> r{};
    int kept = 0;
    for (int n = 1; n <= 6; ++n) {
        r[n] = game.die(n).color == DieFree;
        kept += game.die(n).color != DieFree ? 1 : 0;
    }
    if (kept == 6)
        r.fill(true);
    return r;
}

inline Faces facesOf(const Game &game)
{
    Faces f{};
    for (int n = 1; n <= 6; ++n)
        f[n] = game.die(n).value;
    return f;
}

// The next Roll of `game` at a time of day, made by the engine itself on a
// stand-in with the same dice and a clock of its own; `seen` looks at the
// stand-in once its dice rest. The game is left as it was.
inline void rollStandIn(const Game &game, qint64 midnightMs, const std::function<void(const Game &)> &seen)
{
    {
        ManualTimerService timers;
        GameRandom random;
        Game copy(timers, random);
        copy.newGame();
        copy.restore(game.snapshot());
        timers.setMsecsSinceMidnightUtc(midnightMs);
        copy.roll();
        timers.runUntil([&copy] { return copy.rollingDice() == 0; });
        seen(copy);
    }
}

// The faces the next Roll of `game` at that time of day comes to rest on.
inline Faces facesOfRollAt(const Game &game, qint64 midnightMs)
{
    Faces f{};
    rollStandIn(game, midnightMs, [&f](const Game &rolled) { f = facesOf(rolled); });
    return f;
}

// A time of day at which the next Roll scores (or goes bust); for any game,
// also one shown by the main window.
inline qint64 midnightFor(const Game &game, bool scores, qint64 from = 1000)
{
    for (qint64 m = from; m < from + 200000; ++m) {
        bool scored = false;
        rollStandIn(game, m, [&scored](const Game &rolled) { scored = !rolled.state().NewRound; });
        if (scored == scores)
            return m;
    }
    return -1;
}
