// SPDX-License-Identifier: GPL-3.0-or-later
// The processor time this thread has used since start(): what a check on the
// order of a computation (linear, not quadratic) measures, so that other
// programs on a busy machine cannot make it fail.
#pragma once

#include <ctime>

class CpuClock
{
public:
    CpuClock() { start(); }
    void start() { m_start = now(); }
    long long elapsedMs() const { return (now() - m_start) / 1000000; }

private:
    static long long now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1000000000LL + t.tv_nsec;
    }
    long long m_start = 0;
};
