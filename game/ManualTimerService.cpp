// SPDX-License-Identifier: GPL-3.0-or-later
// Virtual timers: every tick falls due only when the caller moves time on.
#include "game/ManualTimerService.h"

int ManualTimerService::startTimer(int intervalMs, std::function<void()> onTick)
{
    const int handle = m_next++;
    const int interval = qMax(1, intervalMs);
    m_timers[handle] = Entry{interval, m_clock + quint64(interval), std::move(onTick)};
    return handle;
}

void ManualTimerService::stopTimer(int handle)
{
    m_timers.erase(handle);
}

bool ManualTimerService::isActive(int handle) const
{
    return m_timers.count(handle) != 0;
}

bool ManualTimerService::fireNext(quint64 until)
{
    auto next = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
        if (next == m_timers.end() || it->second.due < next->second.due)
            next = it;
    if (next == m_timers.end() || next->second.due > until)
        return false;
    const quint64 due = next->second.due;
    m_now += quint32(due - m_clock);
    m_clock = due;
    next->second.due += quint64(next->second.interval);
    const std::function<void()> tick = next->second.onTick; // may stop itself
    tick();
    return true;
}

void ManualTimerService::advance(qint64 ms)
{
    const quint64 until = m_clock + quint64(qMax<qint64>(0, ms));
    while (fireNext(until)) {
    }
    m_now += quint32(until - m_clock);
    m_clock = until;
}

bool ManualTimerService::runUntil(const std::function<bool()> &done, qint64 limitMs)
{
    const quint64 until = m_clock + quint64(limitMs);
    while (!done()) {
        if (!fireNext(until))
            return false;
    }
    return true;
}
