// SPDX-License-Identifier: GPL-3.0-or-later
// Virtual time: the game's timers driven step by step, for the tests, the
// benchmarks and the best play's game beside a challenge.
#pragma once

#include "game/TimerService.h"

#include <functional>
#include <map>

// Virtual time for tests and benchmarks: nothing happens until advance() is called.
class ManualTimerService : public TimerService
{
public:
    int startTimer(int intervalMs, std::function<void()> onTick) override;
    void stopTimer(int handle) override;
    bool isActive(int handle) const override;
    quint32 tickCount() const override { return m_now; }
    qint64 msecsSinceMidnightUtc() const override { return m_midnightMs; }

    // Moves time forward, firing every tick that falls due, in time order.
    void advance(qint64 ms);
    // Fires timers until the predicate holds (checked after each tick).
    bool runUntil(const std::function<bool()> &done, qint64 limitMs = 60000);
    int activeCount() const { return int(m_timers.size()); }
    void setTickCount(quint32 now) { m_now = now; }
    void setMsecsSinceMidnightUtc(qint64 ms) { m_midnightMs = ms; }

private:
    struct Entry {
        int interval;
        quint64 due;
        std::function<void()> onTick;
    };
    bool fireNext(quint64 until);
    std::map<int, Entry> m_timers;
    int m_next = 1;
    quint32 m_now = 1000;
    quint64 m_clock = 0; // unwrapped virtual time
    qint64 m_midnightMs = 12345678;
};
