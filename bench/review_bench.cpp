// SPDX-License-Identifier: GPL-3.0-or-later
// The game review: per self-play strategy the rounds lost to decisions per
// game and how its decisions spread over the classes (with the spread of the
// costs that chose the thresholds), and the luck a game with its standard
// error: with fair dice the best play's luck averages 0, so its mean is held
// to within 2.5 standard errors of it (else the exit status is 1). Then the
// time to review a game of 40 rounds or more with the solution at hand, and
// the bytes its record and review hold.
//   review_bench [games]   (winning totals 1000 and 2000, both band rules)
#include "game/AutoPlay.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/Review.h"
#include "game/ManualTimerService.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// False when the mean luck a game lies more than 2.5 standard errors from 0.
bool strategy(const char *name, const Strategy &play, const AdvisorSolution &sol, int games, bool valid,
              GameRecord *longGame)
{
    ManualTimerService timers;
    GameRandom random;
    Game game(timers, random);
    game.applySettings({sol.winner(), valid, 1});
    double lost = 0, luck = 0, luck2 = 0, rounds = 0, worstGap = 0;
    long decisions = 0, cls[4] = {};
    std::vector<double> costs;
    const double cuts[] = {0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.3, 0.5, 1.0};
    int done = 0;
    for (int g = 0; g < games; ++g) {
        const int r = playGame(game, timers, play, quint32(9000 + g));
        if (r < 0)
            continue;
        const GameReview v = reviewGame(game.record(), sol);
        ++done;
        rounds += r;
        lost += v.decisionsLost;
        luck += v.luck;
        luck2 += v.luck * v.luck;
        worstGap = std::max(worstGap, std::abs((v.expectedAtEnd - v.bestFromStart) - (v.decisionsLost - v.luck)));
        for (const ReviewDecision &d : v.decisions)
            costs.push_back(d.cost);
        decisions += long(v.decisions.size());
        for (int c = 0; c < 4; ++c)
            cls[c] += v.count[c];
        if (longGame && r >= 40 && longGame->steps().empty())
            *longGame = game.record();
    }
    std::printf("%-28s games %5d  rounds %7.3f  lost to decisions %7.4f  luck %+8.4f  balance gap %.1e\n", name, done, rounds / done, lost / done, luck / done, worstGap);
    std::printf("%-28s decisions a game %6.2f  inaccuracies %5.2f  mistakes %5.2f  blunders %5.2f  (%.1f %% flagged)\n",
                "", double(decisions) / done, double(cls[1]) / done, double(cls[2]) / done, double(cls[3]) / done,
                100.0 * double(decisions - cls[0]) / std::max(1L, decisions));
    std::printf("%-28s share of decisions costing at least:", "");
    for (const double c : cuts) {
        const long n = long(std::count_if(costs.begin(), costs.end(), [c](double x) { return x >= c; }));
        std::printf(" %.3g:%.1f%%", c, 100.0 * double(n) / std::max<size_t>(1, costs.size()));
    }
    std::printf("\n");
    const double mean = luck / done;
    const double se = done > 1 ? std::sqrt((luck2 - done * mean * mean) / (done - 1) / done) : 0;
    const bool fair = se > 0 && std::abs(mean) <= 2.5 * se;
    std::printf("%-28s luck a game %+.4f, standard error %.4f (%+.2f standard errors)%s\n", "", mean, se,
                se > 0 ? mean / se : 0.0, fair ? "" : "  OFF (more than 2.5 from 0)");
    return fair;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int games = argc > 1 ? std::atoi(argv[1]) : 400;
    const qint32 winner = 1000;
    std::printf("Thresholds (rounds): inaccuracy %.3g, mistake %.3g, blunder %.3g\n", ReviewThresholds::inaccuracy,
                ReviewThresholds::mistake, ReviewThresholds::blunder);
    GameRecord longGame;
    bool ok = true;
    // Up to 1000 both band rules are one solution; at 2000 they differ.
    for (const qint32 w : {1000, 2000}) {
        for (const bool valid : {false, true}) {
            if (w == 1000 && valid)
                continue;
            const auto sol = Advisor::solve({w, valid});
            std::printf("Winner %d, 400-500 in every thousand %s\n", w, valid ? "on" : "off");
            ok = strategy("best play", optimalStrategy(sol), *sol, games, valid, nullptr) && ok;
            strategy("take all, bank at 30 points", simpleStrategy({w, valid}, 30, 0), *sol, games, valid,
                     w == 1000 ? &longGame : nullptr);
            strategy("take all, bank below 3 dice", simpleStrategy({w, valid}, 1 << 30, 3), *sol, games, valid,
                     nullptr);
        }
    }
    if (longGame.steps().empty()) {
        std::printf("no game of 40 rounds or more was played\n");
        return ok ? 0 : 1;
    }
    // Timed with the solution at hand; each run after a review of another
    // total's round, so no run finds its first round already solved.
    const auto sol = Advisor::solve({winner, false});
    std::vector<double> ms;
    GameReview v;
    for (int run = 0; run < 15; ++run) {
        int probe[7] = {0, 1, 0, 0, 0, 0, 0};
        sol->rankActions(winner / 2 + 5, 0, probe);
        const auto t0 = std::chrono::steady_clock::now();
        v = reviewGame(longGame, *sol);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("review of a game of %d rounds (%zu steps, %zu decisions): median %.2f ms, fastest %.2f ms, "
                "slowest %.2f ms (goal <= 20 ms)\n",
                v.roundsPlayed, longGame.steps().size(), v.decisions.size(), ms[ms.size() / 2], ms.front(), ms.back());
    std::printf("record %zu bytes + review %zu bytes = %.1f KiB (goal < 2048 KiB)\n", longGame.bytes(), v.bytes(),
                double(longGame.bytes() + v.bytes()) / 1024.0);
    return ok ? 0 : 1;
}
