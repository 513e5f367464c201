// SPDX-License-Identifier: GPL-3.0-or-later
// Real and virtual timers.
#include "game/TimerService.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

QtTimerService::QtTimerService()
{
    QElapsedTimer t;
    t.start();
    m_origin = t.msecsSinceReference();
}

QtTimerService::~QtTimerService()
{
    for (auto &it : m_timers)
        delete it.second;
}

int QtTimerService::startTimer(int intervalMs, std::function<void()> onTick)
{
    const int handle = m_next++;
    auto *timer = new QTimer;
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, timer, std::move(onTick));
    m_timers[handle] = timer;
    timer->start();
    return handle;
}

void QtTimerService::stopTimer(int handle)
{
    auto it = m_timers.find(handle);
    if (it == m_timers.end())
        return;
    it->second->stop();
    // The timer may be stopped from inside its own tick.
    it->second->deleteLater();
    m_timers.erase(it);
}

bool QtTimerService::isActive(int handle) const
{
    return m_timers.count(handle) != 0;
}

quint32 QtTimerService::tickCount() const
{
    QElapsedTimer t;
    t.start();
    return quint32(t.msecsSinceReference() - m_origin + 1000);
}

qint64 QtTimerService::msecsSinceMidnightUtc() const
{
    return QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay();
}

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
