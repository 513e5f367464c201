// SPDX-License-Identifier: GPL-3.0-or-later
// Self-play: whole seeded games on the engine, its dice rolled as in play,
// under the advisor's best play and two simple strategies, with the mean
// rounds to the win and its standard error. The best play's mean is held
// against the solver's expected rounds (within 2.5 standard errors, else the
// exit status is 1), with the count of every face the dice came to rest on.
// Then the solve times for the winning totals 1000 and 10000 (median and
// fastest of several solves) and for the largest one worked out.
//   advisor_selfplay [games] [winner valid 0|1]
// Without a winning total: the best play at 1000 over `games` games (default
// 4000) and at 2000 with the band in every thousand over half as many; the
// simple strategies at 1000 over a quarter as many.
#include "game/AutoPlay.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/TimerService.h"
#include "support/ChiSquare.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace {

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

struct Played
{
    int games = 0;
    double mean = 0, standardError = 0;
    qint64 faces[7] = {}; // the faces the rolled dice came to rest on
};

Played play(const Strategy &strategy, int games, qint32 winner, bool valid)
{
    ManualTimerService timers;
    GameRandom random;
    Game game(timers, random);
    game.applySettings({winner, valid, 1});
    Played p;
    double sum = 0, sum2 = 0;
    for (int g = 0; g < games; ++g) {
        const int r = playGame(game, timers, strategy, quint32(1000 + g));
        for (const RecordStep &step : game.record().steps())
            if (step.kind == RecordStep::Roll && !step.test)
                for (int n = 1; n <= 6; ++n)
                    p.faces[step.faces[n]] += 1; // slot 0: a die kept back
        if (r < 0)
            continue;
        sum += r;
        sum2 += double(r) * r;
        ++p.games;
    }
    const int n = p.games;
    p.mean = n ? sum / n : 0;
    const double var = n > 1 ? (sum2 - n * p.mean * p.mean) / (n - 1) : 0;
    p.standardError = std::sqrt(var / std::max(1, n));
    return p;
}

void print(const char *name, const Played &p)
{
    std::printf("%-34s games %5d  mean rounds %8.3f  standard error %6.3f\n", name, p.games, p.mean,
                p.standardError);
}

// The best play's games against the solver's expectation; false when the
// mean lies more than 2.5 standard errors from it.
bool bestPlay(const std::shared_ptr<const AdvisorSolution> &solution, int games)
{
    const Played p = play(optimalStrategy(solution), games, solution->winner(), solution->valid());
    print("best play", p);
    const double expected = solution->roundsFromTotal(0);
    const double z = p.standardError > 0 ? (p.mean - expected) / p.standardError : 0;
    const bool ok = std::abs(z) <= 2.5 && p.games == games;
    std::printf("%-34s solver %.4f, games %+.4f = %+.2f standard errors%s\n", "", expected, p.mean - expected, z,
                ok ? "" : "  OFF (more than 2.5, or a game unfinished)");
    std::printf("faces 1:%lld 2:%lld 3:%lld 4:%lld 5:%lld 6:%lld\n", p.faces[1], p.faces[2], p.faces[3], p.faces[4],
                p.faces[5], p.faces[6]);
    std::vector<double> counts(p.faces + 1, p.faces + 7);
    const double all = std::accumulate(counts.begin(), counts.end(), 0.0);
    const double x = chisquare::statistic(counts, std::vector<double>(6, all / 6));
    std::printf("%-34s faces against one in six: chi-square %.2f, 5 degrees of freedom, p = %.3g\n", "", x,
                chisquare::pValue(x, 5));
    std::fflush(stdout);
    return ok;
}

std::shared_ptr<const AdvisorSolution> solved(qint32 winner, bool valid)
{
    auto solution = Advisor::solve({winner, valid});
    if (!solution || !solution->winnable()) {
        std::printf("Winning total %d cannot be reached\n", winner);
        return nullptr;
    }
    std::printf("Winner %d, 400-500 in every thousand %s\n", winner, valid ? "on" : "off");
    std::printf("Solver: expected rounds from 0: %.6f\n", solution->roundsFromTotal(0));
    return solution;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool oneRuleSet = argc > 2;
    const int games = argc > 1 ? std::max(2, std::atoi(argv[1])) : oneRuleSet ? 2000 : 4000;
    const qint32 winner = oneRuleSet ? std::atoi(argv[2]) : 1000;
    const bool valid = argc > 3 && std::atoi(argv[3]) != 0;

    const auto solution = solved(winner, valid);
    if (!solution)
        return 1;
    bool ok = bestPlay(solution, games);
    const int simpleGames = oneRuleSet ? games : std::max(2, games / 4);
    print("take all, bank at 30 points", play(simpleStrategy({winner, valid}, 30, 0), simpleGames, winner, valid));
    print("take all, bank below 3 dice", play(simpleStrategy({winner, valid}, 1 << 30, 3), simpleGames, winner, valid));
    if (!oneRuleSet) {
        const auto band = solved(2000, true);
        ok = band && bestPlay(band, std::max(2, games / 2)) && ok;
    }

    // Several solves each: the machine's other work only ever adds time, so
    // the median and the fastest say more than any single run.
    for (const qint32 w : {1000, 10000}) {
        for (const bool v : {false, true}) {
            std::vector<double> seconds;
            int sweeps = 0;
            for (int run = 0; run < 7; ++run) {
                const auto s = Advisor::solve({w, v});
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
        const auto s = Advisor::solve({Advisor::maxWinner, v});
        std::printf("solve Winner %d Valid %-3s %6.3f s  (%d sweeps, one run)\n", Advisor::maxWinner,
                    v ? "on" : "off", s->solveSeconds(), s->sweeps());
    }
    std::printf("peak memory with it %ld KiB\n", peakKiB());
    return ok ? 0 : 1;
}
