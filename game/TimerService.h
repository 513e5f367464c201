// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game gets its timers and its sense of time. The real service uses
// QTimer on the user-interface thread; tests drive a manual one step by step.
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
