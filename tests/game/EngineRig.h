// SPDX-License-Identifier: GPL-3.0-or-later
// A game on a virtual clock, and a way to know in advance where the dice of
// the next roll will come to rest for a given time of day.
#pragma once

#include "FakeUi.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/TimerService.h"

#include <QString>
#include <QVector>
#include <array>
#include <functional>

using Faces = std::array<int, 7>; // slot 0 unused

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
// stand-in once its dice rest. The game and the generator are left as they were.
inline void rollStandIn(const Game &game, qint64 midnightMs, const std::function<void(const Game &)> &seen)
{
    const quint32 seed = gameRandom().seed();
    {
        ManualTimerService timers;
        FakeUi ui;
        Game copy(timers, ui);
        copy.gs = game.gs;
        for (int n = 1; n <= 6; ++n) {
            copy.setDieValue(n, game.die(n).value);
            copy.DiceState(n, const_cast<Game &>(game).DiceState(n));
        }
        timers.setMsecsSinceMidnightUtc(midnightMs);
        copy.btRollClick();
        timers.runUntil([&copy] { return copy.RollingDice == 0; });
        seen(copy);
    }
    gameRandom().setSeed(seed);
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
        rollStandIn(game, m, [&scored](const Game &rolled) { scored = !rolled.gs.NewRound; });
        if (scored == scores)
            return m;
    }
    return -1;
}

struct EngineRig
{
    ManualTimerService timers;
    FakeUi ui;
    Game game{timers, ui};

    Faces faces() const { return facesOf(game); }
    std::array<bool, 7> freeDice()
    {
        std::array<bool, 7> r{};
        for (int n = 1; n <= 6; ++n)
            r[n] = game.DiceState(n) != DieKept;
        return r;
    }
    std::array<bool, 7> diceToRoll() { return ::diceToRoll(game); }

    // The cover lifted and a fresh game on the table, as after Start.
    void startPlaying()
    {
        game.prepareFirstGame();
        game.btStartClick();
    }

    bool settle() { return timers.runUntil([this] { return game.RollingDice == 0; }); }

    // Rolls at the time of day given and lets the dice come to rest.
    bool rollAt(qint64 midnightMs)
    {
        timers.setMsecsSinceMidnightUtc(midnightMs);
        game.btRollClick();
        return settle();
    }

    qint64 midnightFor(bool scores, qint64 from = 1000) { return ::midnightFor(game, scores, from); }

    // A roll that scores, so the round goes on and dice can be clicked.
    bool scoringRoll()
    {
        const qint64 m = midnightFor(true);
        return m >= 0 && rollAt(m) && !game.gs.NewRound;
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
            game.RxDice1Click(n);
        return game.gs.SelScore == 100;
    }

    int countIn(int state) const
    {
        int c = 0;
        for (int n = 1; n <= 6; ++n)
            c += const_cast<Game &>(game).DiceState(n) == state ? 1 : 0;
        return c;
    }

    // The rules the engine keeps between two player actions; empty when all hold.
    QString brokenInvariant() const
    {
        Game &g = const_cast<Game &>(game);
        int selected[7] = {};
        int kept = 0;
        for (int n = 1; n <= 6; ++n) {
            const int s = g.DiceState(n);
            if (s < DieFree || s > DieKept)
                return QStringLiteral("die %1 has no state").arg(n);
            if (s == DieSelected)
                selected[g.die(n).value] += 1;
            if (s == DieKept)
                kept += 1;
            if (g.die(n).value < 1 || g.die(n).value > 6)
                return QStringLiteral("die %1 shows %2").arg(n).arg(g.die(n).value);
        }
        for (int f = 1; f <= 6; ++f) {
            if (g.gs.SelCount[f] != selected[f])
                return QStringLiteral("SelCount[%1] is %2, %3 selected")
                        .arg(f).arg(g.gs.SelCount[f]).arg(selected[f]);
            if (f != 1 && f != 5 && g.gs.SelCount[f] != 0 && g.gs.SelCount[f] < 3)
                return QStringLiteral("SelCount[%1] is %2").arg(f).arg(g.gs.SelCount[f]);
        }
        if (g.gs.KeptCount != kept)
            return QStringLiteral("KeptCount %1, %2 kept").arg(g.gs.KeptCount).arg(kept);
        if (g.RollingDice != 0)
            return QStringLiteral("RollingDice %1 at rest").arg(g.RollingDice);
        if (g.rg10.visible != (g.gs.SelCount[1] >= 3) || g.rg5.visible != (g.gs.SelCount[5] >= 3))
            return QStringLiteral("a choice list out of step with the selection");
        if (g.gs.Total % 5 != 0)
            return QStringLiteral("Total %1 is no multiple of 5").arg(g.gs.Total);
        return QString();
    }
};
