// SPDX-License-Identifier: GPL-3.0-or-later
// A game on a virtual clock, shown by its presenter with every box answered
// in place; the engine's own rules and helpers are in EngineRules.h.
#pragma once

#include "EngineRules.h"
#include "app/GamePresenter.h"
#include "support/FakePrompts.h"

#include <QVector>

// What the window shows of a game: its presenter (a child of the game).
inline GamePresenter &shown(const Game &game)
{
    return *game.findChild<GamePresenter *>(QString(), Qt::FindDirectChildrenOnly);
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
