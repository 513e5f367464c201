// SPDX-License-Identifier: GPL-3.0-or-later
// The dice's turning, the random draw of a roll: a turning die steps on a
// timer of its own to a face drawn from the game's generator and stops by
// itself after a time drawn when it starts. The game sets its Free dice
// turning and hears of each face shown and of the last die stopping.
#pragma once

#include "game/GameState.h"

#include <QtGlobal>
#include <functional>

class GameRandom;
class TimerService;

class DiceTurning
{
public:
    // Works on the game's dice; changed(n) follows every face and every stop
    // of die n, stopped() the stop of the roll's last die.
    DiceTurning(TimerService &timers, GameRandom &random, DieModel (&dice)[7], std::function<void(int)> changed,
                std::function<void()> stopped);
    ~DiceTurning();
    DiceTurning(const DiceTurning &) = delete;
    DiceTurning &operator=(const DiceTurning &) = delete;

    // The dice still turning in the roll under way.
    qint32 rollingDice() const { return RollingDice; }
    // Sets turning, in order, the dice marked in `turn` (slot 0 unused).
    void roll(const bool turn[7]);
    void setDieValue(int n, int face);
    // Where the dice of a roll come to rest, when not where they fall: asked
    // at each roll for the k-th die that turns (k = 1.. in die order), it
    // answers a face 1..6, or 0 to let that die rest where it falls. The dice
    // turn and stop as in any roll; only the face of the last step is given.
    void setRestingFaces(std::function<int(int k)> faces) { m_restingFaces = std::move(faces); }
    // One step of die n (called by its timer).
    void dieStep(int n);

private:
    void setRotate(int n, bool on);
    void RxDice1Start(int n);
    void RxDice1Stop(int n);

    TimerService &m_timers;
    GameRandom &m_random;
    DieModel (&m_dice)[7];
    std::function<void(int)> m_changed;
    std::function<void()> m_stopped;
    qint32 RollingDice = 0;
    std::function<int(int)> m_restingFaces;
    int m_restingFace[7] = {}; // per die; 0: where it falls
};
