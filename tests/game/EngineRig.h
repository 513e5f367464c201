// SPDX-License-Identifier: GPL-3.0-or-later
// A game on a virtual clock, shown by its presenter with every box answered
// in place, and a way to know in advance where the dice of the next roll will
// come to rest for a given time of day.
#pragma once

#include "app/GamePresenter.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/ManualTimerService.h"
#include "support/FakePrompts.h"

#include <QString>
#include <QVector>
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

// What the window shows of a game: its presenter (a child of the game).
inline GamePresenter &shown(const Game &game)
{
    return *game.findChild<GamePresenter *>(QString(), Qt::FindDirectChildrenOnly);
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
    game.restore(s);
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

struct EngineRig
{
    enum Start { Unstarted, Prepared };
    // Prepared: as start-up leaves it, a game behind the cover.
    explicit EngineRig(Start start = Unstarted)
    {
        if (start == Prepared)
            game.prepareGame();
    }

    ManualTimerService timers;
    FakePrompts prompts;
    GameRandom random;
    Game game{timers, random};
    GamePresenter &presenter = *new GamePresenter(game, prompts, &game);

    Faces faces() const { return facesOf(game); }
    std::array<bool, 7> diceToRoll() { return ::diceToRoll(game); }

    // The cover lifted and a fresh game on the table, as after Start.
    void startPlaying()
    {
        game.prepareGame();
        game.newGame();
    }

    bool settle() { return timers.runUntil([this] { return game.rollingDice() == 0; }); }

    // Rolls now and lets the dice come to rest.
    bool rollNow()
    {
        game.roll();
        return settle();
    }

    // Rolls at the time of day given and lets the dice come to rest.
    bool rollAt(qint64 midnightMs)
    {
        timers.setMsecsSinceMidnightUtc(midnightMs);
        game.roll();
        return settle();
    }

    qint64 midnightFor(bool scores, qint64 from = 1000) { return ::midnightFor(game, scores, from); }

    // A roll that scores, so the round goes on and dice can be clicked.
    bool scoringRoll()
    {
        const qint64 m = midnightFor(true);
        return m >= 0 && rollAt(m) && !game.state().NewRound;
    }

    // Puts the faces given on the dice that are not Kept and evaluates them as
    // a finished roll, as the test buttons do.
    void stage(const QVector<int> &f)
    {
        game.stageRoll([&f](int n) { return f.value(n - 1, 1); });
    }

    // A fresh game with a first roll behind it, showing the faces given.
    bool playingWith(const QVector<int> &f)
    {
        startPlaying();
        if (!scoringRoll())
            return false;
        stage(f);
        return true;
    }

    // As playingWith, with the three ones of 1 1 1 2 3 4 selected (100 points).
    bool playingWithOnesSelected()
    {
        if (!playingWith({1, 1, 1, 2, 3, 4}))
            return false;
        for (int n : {1, 2, 3})
            game.clickDie(n);
        return game.state().SelScore == 100;
    }

    // Ends the round in play with `points` as the player would: banked from
    // a round that holds them, or a bust (0 with a die kept, -100 without).
    void endRound(qint32 points)
    {
        restoreWith(game, [points](Game::Snapshot &s) {
            for (int n = 1; n <= 6; ++n) {
                s.dieState[n] = n == 1 && points == 0 ? DieKept : DieFree;
                s.face[n] = 1;
                s.selCount[n] = s.rollCount[n] = 0;
            }
            s.subScore = points > 0 ? points : 0;
        });
        if (points > 0)
            game.bank();
        else
            stage({2, 2, 3, 3, 4, 6});
    }

    int countIn(int state) const
    {
        int c = 0;
        for (int n = 1; n <= 6; ++n)
            c += game.die(n).color == state ? 1 : 0;
        return c;
    }

    QString brokenInvariant() const { return restingStateProblem(game); }
};
