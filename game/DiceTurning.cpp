// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/DiceTurning.h"
#include "game/GameRandom.h"
#include "game/TimerService.h"

DiceTurning::DiceTurning(TimerService &timers, GameRandom &random, DieModel (&dice)[7],
                         std::function<void(int)> changed, std::function<void()> stopped)
    : m_timers(timers), m_random(random), m_dice(dice), m_changed(std::move(changed)), m_stopped(std::move(stopped))
{
    // Each die reseeds the generator when it is made.
    for (int n = 1; n <= 6; ++n)
        m_random.randomize(m_timers.msecsSinceMidnightUtc());
}

DiceTurning::~DiceTurning()
{
    for (int n = 1; n <= 6; ++n)
        if (m_dice[n].timer)
            m_timers.stopTimer(m_dice[n].timer);
}

void DiceTurning::roll(const bool turn[7])
{
    RollingDice = 0;
    int k = 0;
    for (int n = 1; n <= 6; ++n)
        m_restingFace[n] = turn[n] && m_restingFaces ? m_restingFaces(++k) : 0;
    for (int n = 1; n <= 6; ++n) {
        if (turn[n]) {
            RollingDice += 1;
            setRotate(n, true);
        }
    }
}

void DiceTurning::setDieValue(int n, int face)
{
    if (face < 1 || face > 6 || m_dice[n].value == face)
        return;
    m_dice[n].value = face;
    m_changed(n);
}

void DiceTurning::setRotate(int n, bool on)
{
    DieModel &d = m_dice[n];
    if (on == d.rotate)
        return;
    if (!on) {
        // The timer runs on; its next tick makes the last step and stops.
        d.rotate = false;
        return;
    }
    if (!d.timer)
        d.timer = m_timers.startTimer(d.interval, [this, n] { dieStep(n); });
    d.rotate = true;
    d.startTime = m_timers.tickCount();
    RxDice1Start(n);
}

void DiceTurning::RxDice1Start(int n)
{
    m_dice[n].autoStopInterval = (m_random.random(20) + 1) * 100;
}

void DiceTurning::dieStep(int n)
{
    DieModel &d = m_dice[n];
    // A new face at every step, chosen evenly among the five not shown, so
    // no face is favoured where the die comes to rest.
    int v = m_random.random(5) + 1;
    if (v >= d.value)
        v += 1;
    if (!d.rotate && m_restingFace[n] != 0)
        v = m_restingFace[n];
    setDieValue(n, v);
    if (!d.rotate) {
        if (d.timer) {
            m_timers.stopTimer(d.timer);
            d.timer = 0;
        }
        m_changed(n); // at rest now
        RxDice1Stop(n);
        return;
    }
    if (d.autoStopInterval != 0) {
        const quint32 now = m_timers.tickCount();
        if (now < d.startTime || quint64(now - d.startTime) >= quint64(quint32(d.autoStopInterval)))
            d.rotate = false;
    }
}

void DiceTurning::RxDice1Stop(int)
{
    RollingDice -= 1;
    if (RollingDice == 0)
        m_stopped();
}
