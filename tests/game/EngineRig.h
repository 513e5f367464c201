// SPDX-License-Identifier: GPL-3.0-or-later
// A game on a virtual clock, plus an independent model of a roll so tests can
// know in advance where the dice will come to rest for a given time of day.
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

// The generator worked out with plain 64-bit arithmetic: multiply, add one,
// keep the remainder by 2^32; the result is the quotient of n x seed by 2^32.
inline int modelDraw(quint64 &seed, int n)
{
    seed = (seed * 134775813ULL + 1ULL) % 4294967296ULL;
    return int((quint64(n) * seed) / 4294967296ULL);
}

struct ModelRoll
{
    Faces faces{};
    std::array<int, 7> stopMs{}; // the picked stop time of each rolled die
    std::array<int, 7> restMs{}; // when each rolled die came to rest
    int lastRestMs = 0;
};

// Six dice started together, 60 ms apart ticks, handled in die order at
// equal times; a die notices its stop time at a tick and rests one tick later.
inline ModelRoll modelRoll(qint64 midnightMs, const Faces &start, const std::array<bool, 7> &rolls)
{
    ModelRoll r;
    r.faces = start;
    quint64 seed = quint64(midnightMs) % 4294967296ULL;
    std::array<bool, 7> moving{}, spinning{};
    for (int n = 1; n <= 6; ++n) {
        if (!rolls[n])
            continue;
        r.stopMs[n] = (modelDraw(seed, 20) + 1) * 100;
        moving[n] = spinning[n] = true;
    }
    for (int t = 60;; t += 60) {
        bool any = false;
        for (int n = 1; n <= 6; ++n) {
            if (!moving[n])
                continue;
            any = true;
            int v = modelDraw(seed, 6) + 1;
            if (v == r.faces[n])
                v = r.faces[n] == 1 ? 2 : r.faces[n] - 1;
            r.faces[n] = v;
            if (!spinning[n]) {
                moving[n] = false;
                r.restMs[n] = t;
                r.lastRestMs = t;
            } else if (t >= r.stopMs[n]) {
                spinning[n] = false;
            }
        }
        if (!any)
            break;
    }
    return r;
}

// Whether the rolled dice hold anything that scores.
inline bool modelScores(const Faces &faces, const std::array<bool, 7> &rolled)
{
    int count[7] = {};
    for (int n = 1; n <= 6; ++n)
        if (rolled[n])
            count[faces[n]] += 1;
    return count[1] > 0 || count[5] > 0 || count[2] >= 3 || count[3] >= 3 || count[4] >= 3
            || count[6] >= 3;
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

// The time of day at which the next Roll of `game` ends as the predicate
// wants; for any game, also one shown by the main window.
inline qint64 findMidnight(const Game &game, const std::function<bool(const Faces &)> &want, qint64 from = 1000)
{
    Faces start{};
    for (int n = 1; n <= 6; ++n)
        start[n] = game.die(n).value;
    const auto rolls = diceToRoll(game);
    for (qint64 m = from; m < from + 200000; ++m)
        if (want(modelRoll(m, start, rolls).faces))
            return m;
    return -1;
}

// A time of day at which the next Roll scores (or goes bust).
inline qint64 midnightFor(const Game &game, bool scores, qint64 from = 1000)
{
    const auto rolls = diceToRoll(game);
    return findMidnight(game, [&](const Faces &f) { return modelScores(f, rolls) == scores; }, from);
}

struct EngineRig
{
    ManualTimerService timers;
    FakeUi ui;
    Game game{timers, ui};

    Faces faces() const
    {
        Faces f{};
        for (int n = 1; n <= 6; ++n)
            f[n] = game.die(n).value;
        return f;
    }
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

    qint64 findMidnight(const std::function<bool(const Faces &)> &want, qint64 from = 1000)
    {
        return ::findMidnight(game, want, from);
    }

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
        for (int n = 1; n <= 6; ++n) {
            if (game.DiceState(n) != DieKept) {
                game.setDieValue(n, f.value(n - 1, 1));
                game.DiceState(n, DieFree);
            }
        }
        for (int v = 1; v <= 6; ++v) {
            game.gs.RollCount[v] = 0;
            game.gs.SelCount[v] = 0;
        }
        game.EvaluateRoll();
        game.ScoreSelection(1);
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
