// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics: loading a file of 10,000 games, adding a game to it, and
// opening the window once the best play is solved. Then the best play's
// spread of rounds the window draws, against the rounds of as many games of
// the best play on the engine, its dice rolled as in play: Pearson's
// chi-square over buckets of rounds, at 1000 and at 2000 with the band in
// every thousand.
//
//   korvex_bench_statistics [runs] [games]   (games default 2000)
//
// Exits 1 when a figure is over its budget: load 50 ms, add 5 ms (in memory),
// open 100 ms.
#include "BenchSupport.h"
#include "StatsSupport.h"

#include "base/ProgramDir.h"
#include "app/StatisticsWindow.h"
#include "game/SolveService.h"
#include "game/Advisor.h"
#include "game/AutoPlay.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/ManualTimerService.h"
#include "records/Statistics.h"
#include "support/ChiSquare.h"
#include "support/FakePrompts.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace {

// Buckets of consecutive rounds, each expected to hold at least ten of the
// games; the last takes every longer game too.
void spreadAgainstGames(qint32 winner, bool band, int games)
{
    const auto best = Advisor::solve({winner, band});
    std::vector<int> rounds;
    {
        ManualTimerService timers;
        GameRandom random;
        Game game(timers, random);
        game.applySettings({winner, band, 1});
        const Strategy play = optimalStrategy(best);
        for (int g = 0; g < games; ++g)
            rounds.push_back(playGame(game, timers, play, quint32(50000 + g)));
    }
    const std::vector<double> &chance = best->roundsDistribution();
    const double least = 10.0 / games;
    std::vector<int> firstRound{1};
    std::vector<double> expected{0};
    double left = 1;
    for (size_t k = 0; k < chance.size(); ++k) {
        if (expected.back() >= least && left >= 2 * least) {
            firstRound.push_back(int(k + 1));
            expected.push_back(0);
        }
        expected.back() += chance[k];
        left -= chance[k];
    }
    expected.back() += std::max(0.0, left); // past the worked-out spread
    std::vector<double> observed(expected.size(), 0);
    for (const int r : rounds) {
        // An unfinished game (-1) counts with the longest.
        size_t b = firstRound.size() - 1;
        while (r > 0 && b > 0 && r < firstRound[b])
            --b;
        observed[b] += 1;
    }
    for (double &e : expected)
        e *= games;
    const double x = chisquare::statistic(observed, expected);
    const int df = int(expected.size()) - 1;
    const double p = chisquare::pValue(x, df);
    bench::note(QStringLiteral("best play at %1%2: spread against %3 games, %4 buckets of rounds (%5 to %6 and more), "
                               "chi-square %7, %8 degrees of freedom, p = %9%10")
                        .arg(winner)
                        .arg(band ? QStringLiteral(", 400-500 in every thousand") : QString())
                        .arg(games)
                        .arg(expected.size())
                        .arg(firstRound.front())
                        .arg(firstRound.back())
                        .arg(x, 0, 'f', 2)
                        .arg(df)
                        .arg(p, 0, 'g', 3)
                        .arg(p < 0.001 ? QStringLiteral("  OFF (below 0.001)") : QString()));
}

} // namespace

int main(int argc, char **argv)
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 20;
    const int games = argc > 2 ? std::max(10, atoi(argv[2])) : 2000;
    QTemporaryDir dir;
    ProgramDir::set(dir.path() + QLatin1Char('/'));
    const QString path = Statistics::fileName();

    const QByteArray file = bench::writeFullStatistics([](int i) { return RuleSet{i % 4 == 0 ? 2000 : 1000, false}; });
    if (file.isEmpty())
        return 2;
    bench::note(QStringLiteral("a file of %1 games, %2 KiB").arg(Statistics::kKeep).arg(file.size() / 1024));

    std::vector<double> load, add, open;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const StatsData loaded = Statistics::load(path);
        load.push_back(bench::msSince(t));
        if (loaded.games.size() != Statistics::kKeep)
            return 2;
    }
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        Statistics::addGame(path, bench::someGame(Statistics::kKeep + r, RuleSet{}));
        add.push_back(bench::msSince(t));
    }

    // The same on a file system in memory: the program's own work, without
    // the two flushes to disk (the lock file's and the file's).
    std::vector<double> addMemory;
    QTemporaryDir memory(QStringLiteral("/dev/shm/korvex-bench-XXXXXX"));
    if (memory.isValid()) {
        const QString memPath = memory.filePath(QStringLiteral("KVXStats.ini"));
        QFile::copy(path, memPath);
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            Statistics::addGame(memPath, bench::someGame(Statistics::kKeep + r, RuleSet{}));
            addMemory.push_back(bench::msSince(t));
        }
    }

    // The window, with the best play at hand as the shared solve leaves it
    // (the spread of rounds worked out with it).
    SolveService solver;
    for (const qint32 w : {1000, 10000}) {
        QElapsedTimer t;
        t.start();
        solver.waitFor({w, false}, 300000);
        bench::report(w == 1000 ? "stats.solve_1000" : "stats.solve_10000", bench::msSince(t), "ms");
    }
    FakePrompts prompts;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        StatisticsWindow w(prompts, solver);
        w.showRules({1000, false});
        w.show();
        w.grab(); // the first complete render
        open.push_back(bench::msSince(t));
    }

    const bench::Stats l = bench::stats(load), a = bench::stats(add), o = bench::stats(open);
    bench::report("stats.load_10000_games", l, "ms");
    bench::report("stats.add_game", a, "ms");
    if (!addMemory.empty())
        bench::report("stats.add_game_in_memory", bench::stats(addMemory), "ms");
    bench::report("stats.window_open", o, "ms");
    for (const bool band : {false, true}) {
        const auto s = Advisor::solve({1000, band});
        bench::note(QStringLiteral("best play at 1000%1: mean %2 rounds, median %3, 90th percentile %4")
                            .arg(band ? QStringLiteral(", 400-500 in every thousand") : QString())
                            .arg(s->distributionMean(), 0, 'f', 4)
                            .arg(s->roundsForChance(0.5))
                            .arg(s->roundsForChance(0.9)));
    }
    spreadAgainstGames(1000, false, games);
    spreadAgainstGames(2000, true, games);
    // The add is judged by the program's own work: on disk two flushes (the
    // lock file's and the file's) add what the disk takes, shown above.
    const double addOwn = addMemory.empty() ? a.median : bench::stats(addMemory).median;
    const bool ok = l.median <= 50 && addOwn <= 5 && o.median <= 100;
    if (!ok)
        bench::note(QStringLiteral("OVER BUDGET (load 50 ms, add 5 ms, open 100 ms)"));
    return ok ? 0 : 1;
}
