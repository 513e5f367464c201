// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the benchmark programs: timing, statistics, output.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// Milliseconds with microsecond resolution since the timer started.
inline double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Stats
{
    double min = 0, median = 0, max = 0;
    int count = 0;
};

inline Stats stats(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.count = int(v.size());
    s.min = v.front();
    s.max = v.back();
    const size_t mid = v.size() / 2;
    s.median = v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
    return s;
}

// One line per figure, "name value unit", easy to pick out of the log with awk.
inline void report(const char *name, double value, const char *unit)
{
    std::printf("%-28s %10.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A repeated measurement: "name median [min..max] unit xN".
inline void report(const char *name, const Stats &s, const char *unit)
{
    std::printf("%-28s %10.3f [%.3f..%.3f] %s x%d\n", name, s.median, s.min, s.max, unit, s.count);
    std::fflush(stdout);
}

inline void note(const QString &text)
{
    std::printf("# %s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

// The in-process runs need no display unless one is asked for.
inline void defaultToOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
