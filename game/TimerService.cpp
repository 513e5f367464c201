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
