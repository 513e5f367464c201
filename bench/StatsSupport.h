// SPDX-License-Identifier: GPL-3.0-or-later
// Statistics files for the benchmarks: won games of made-up but plausible
// figures, and a file as full as the game keeps one.
#pragma once

#include "game/RuleSet.h"
#include "records/Statistics.h"

#include <QDateTime>
#include <QFile>

#include <functional>

namespace bench {

// The i-th made-up game won under `rules`, an hour after the one before.
inline StatsGame someGame(int i, const RuleSet &rules)
{
    StatsGame g;
    g.when = QDateTime(QDate(2026, 1, 1), QTime(12, 0)).addSecs(qint64(i) * 3600);
    g.winner = rules.winner;
    g.band = rules.band;
    g.rounds = 12 + (i * 7919) % 30;
    g.seconds = 200 + (i * 104729) % 900;
    g.rating = rules.winner * 100 / g.rounds;
    if (i % 3 == 0) {
        g.decisionsLost = 0.25 * (i % 11);
        g.luck = 0.5 * (i % 7) - 1.5;
    }
    g.assisted = i % 50 == 0;
    return g;
}

// Writes Statistics::kKeep made-up games to the statistics file as the game
// writes it, the i-th under rulesOf(i); the bytes written, empty on failure.
inline QByteArray writeFullStatistics(const std::function<RuleSet(int)> &rulesOf)
{
    StatsData d;
    for (int i = 0; i < Statistics::kKeep; ++i)
        d.addGame(someGame(i, rulesOf(i)));
    const QByteArray bytes = Statistics::format(d);
    QFile f(Statistics::fileName());
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? bytes : QByteArray();
}

} // namespace bench
