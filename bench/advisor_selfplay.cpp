// SPDX-License-Identifier: GPL-3.0-or-later
// Self-play: whole seeded games on the engine under the advisor's best play
// and two simple strategies, with the mean rounds to the win and its standard
// error; then the solve times for the winning totals 1000 and 10000 (median
// and fastest of several solves) and for the largest one worked out.
//   advisor_selfplay [games] [winner] [valid 0|1]
#include "game/AutoPlay.h"
#include "game/Game.h"
#include "game/TimerService.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct SilentUi : GameUi
{
    void showMessage(const QString &) override {}
};

long peakKiB()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1)
            break;
    std::fclose(f);
    return kib;
}

void play(const char *name, const Strategy &strategy, int games, qint32 winner, bool valid)
{
    ManualTimerService timers;
    SilentUi ui;
    Game game(timers, ui);
    game.settings.Winner = winner;
    game.settings.Valid = valid;
    double sum = 0, sum2 = 0;
    int done = 0;
    for (int g = 0; g < games; ++g) {
        const int r = playGame(game, timers, strategy, quint32(1000 + g));
        if (r < 0)
            continue;
        sum += r;
        sum2 += double(r) * r;
        ++done;
    }
    const double mean = done ? sum / done : 0;
    const double var = done > 1 ? (sum2 - done * mean * mean) / (done - 1) : 0;
    std::printf("%-34s games %5d  mean rounds %8.3f  standard error %6.3f\n", name, done, mean,
                std::sqrt(var / std::max(1, done)));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int games = argc > 1 ? std::atoi(argv[1]) : 2000;
    const qint32 winner = argc > 2 ? std::atoi(argv[2]) : 1000;
    const bool valid = argc > 3 && std::atoi(argv[3]) != 0;

    const auto solution = Advisor::solve(winner, valid);
    if (!solution || !solution->winnable()) {
        std::printf("Winning total %d cannot be reached\n", winner);
        return 1;
    }
    std::printf("Winner %d, 400-500 in every thousand %s\n", winner, valid ? "on" : "off");
    std::printf("Solver: expected rounds from 0: %.6f\n", solution->roundsFromTotal(0));
    play("best play", optimalStrategy(solution), games, winner, valid);
    play("take all, bank at 30 points", simpleStrategy(winner, valid, 30, 0), games, winner, valid);
    play("take all, bank below 3 dice", simpleStrategy(winner, valid, 1 << 30, 3), games, winner, valid);

    // Several solves each: the machine's other work only ever adds time, so
    // the median and the fastest say more than any single run.
    for (const qint32 w : {1000, 10000}) {
        for (const bool v : {false, true}) {
            std::vector<double> seconds;
            int sweeps = 0;
            for (int run = 0; run < 7; ++run) {
                const auto s = Advisor::solve(w, v);
                seconds.push_back(s->solveSeconds());
                sweeps = s->sweeps();
            }
            std::sort(seconds.begin(), seconds.end());
            std::printf("solve Winner %5d Valid %-3s median %6.3f s  fastest %6.3f s  (%d sweeps, %zu runs)\n", w,
                        v ? "on" : "off", seconds[seconds.size() / 2], seconds.front(), sweeps, seconds.size());
        }
    }
    std::printf("peak memory up to here %ld KiB\n", peakKiB());
    // The largest winning total worked out, once each.
    for (const bool v : {false, true}) {
        const auto s = Advisor::solve(Advisor::maxWinner, v);
        std::printf("solve Winner %d Valid %-3s %6.3f s  (%d sweeps, one run)\n", Advisor::maxWinner,
                    v ? "on" : "off", s->solveSeconds(), s->sweeps());
    }
    std::printf("peak memory with it %ld KiB\n", peakKiB());
    return 0;
}
