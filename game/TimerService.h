// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game gets its timers and its sense of time. The real service uses
// QTimer on the user-interface thread; tests drive a manual one step by step
// (game/ManualTimerService.h).
#pragma once

#include <QtGlobal>
#include <functional>
#include <map>

class QTimer;

class TimerService
{
public:
    virtual ~TimerService() = default;
    // Starts a periodic timer; returns a handle above 0.
    virtual int startTimer(int intervalMs, std::function<void()> onTick) = 0;
    virtual void stopTimer(int handle) = 0;
    virtual bool isActive(int handle) const = 0;
    // A millisecond tick counter that may wrap around.
    virtual quint32 tickCount() const = 0;
    virtual qint64 msecsSinceMidnightUtc() const = 0;
};

// Real time: one QTimer per running timer, created on start and deleted on stop.
class QtTimerService : public TimerService
{
public:
    QtTimerService();
    ~QtTimerService() override;
    int startTimer(int intervalMs, std::function<void()> onTick) override;
    void stopTimer(int handle) override;
    bool isActive(int handle) const override;
    quint32 tickCount() const override;
    qint64 msecsSinceMidnightUtc() const override;

private:
    std::map<int, QTimer *> m_timers;
    int m_next = 1;
    qint64 m_origin;
};
