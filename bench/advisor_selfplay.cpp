// SPDX-License-Identifier: GPL-3.0-or-later
// Self-play: whole seeded games on the engine, its dice rolled as in play,
// under the advisor's best play and two simple strategies, with the mean
// rounds to the win and its standard error. The best play's mean is held
// against the solver's expected rounds (within 2.5 standard errors, else the
// exit status is 1), with the count of every face the dice came to rest on.
// Then the solve times for the winning totals 1000 and 10000 (median and
// fastest of several solves, up to the policy, and the spread of rounds
// worked out after it) and for the largest one worked out.
//   advisor_selfplay [games] [winner valid 0|1]
//   advisor_selfplay --challenge N [--against RULE] [winner valid 0|1]
// With --challenge the best play plays N challenge codes instead of the
// clock's dice (codes drawn from the seeds 0..N-1, so two runs agree). With
// --against one of the plain rules (bank-at-300, bank-few-dice, plain: both)
// plays the same codes too, and again on independent dice, and the spread of
// the difference in rounds is printed for each: the luck the shared dice
// take out of the comparison.
// Without a winning total: the best play at 1000 over `games` games (default
// 4000) and at 2000 with the band in every thousand over half as many; the
// simple strategies at 1000 over a quarter as many.
#include "game/AutoPlay.h"
#include "game/ChallengeRace.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/ManualTimerService.h"
#include "support/ChiSquare.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

// The best play's games beside the solver's expected rounds, and the faces
// its dice came to rest on; false when the mean lies more than 2.5 standard
// errors away, or a game did not finish.
bool reportBestPlay(const AdvisorSolution &solution, const Played &p, int games)
{
    print("best play", p);
    const double expected = solution.roundsFromTotal(0);
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

// The best play's games on the clock's dice against the solver's expectation.
bool bestPlay(const std::shared_ptr<const AdvisorSolution> &solution, int games)
{
    return reportBestPlay(*solution, play(optimalStrategy(solution), games, solution->winner(), solution->valid()),
                          games);
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

struct Spread
{
    double sum = 0, sum2 = 0;
    int n = 0;
    void add(double x) { sum += x, sum2 += x * x, ++n; }
    double mean() const { return n ? sum / n : 0; }
    double sd() const { return n > 1 ? std::sqrt(std::max(0.0, (sum2 - n * mean() * mean()) / (n - 1))) : 0; }
};

// A game of a plain rule past this many rounds is left unfinished (and out of
// the figures): a rule that never banks a small round can take very long to
// hit an exact finish.
constexpr int kMaxRounds = 2000;

// The best play over `codes` challenge codes: the same figures as play().
Played playCodes(const Strategy &strategy, int codes, const RuleSet &rules, std::vector<int> *rounds)
{
    ManualTimerService timers;
    GameRandom random;
    Game game(timers, random);
    game.applySettings({rules.winner, rules.band, 1});
    Played p;
    Spread s;
    for (int g = 0; g < codes; ++g) {
        const ChallengeRun run = playChallenge(game, timers, strategy, ChallengeCode::random(quint64(g)), 1, kMaxRounds);
        for (const RecordStep &step : game.record().steps())
            if (step.kind == RecordStep::Roll && !step.test)
                for (int n = 1; n <= 6; ++n)
                    p.faces[step.faces[n]] += 1;
        if (rounds)
            rounds->push_back(run.rounds);
        if (run.rounds > 0)
            s.add(run.rounds);
    }
    p.games = s.n;
    p.mean = s.mean();
    p.standardError = s.sd() / std::sqrt(std::max(1, s.n));
    return p;
}

Strategy plainRule(const char *name, const RuleSet &rules)
{
    const std::string n = name ? name : "";
    if (n == "bank-at-300")
        return simpleStrategy(rules, 300, 0);
    if (n == "bank-few-dice")
        return simpleStrategy(rules, 1 << 30, 3);
    if (n == "plain")
        return simpleStrategy(rules, 300, 3);
    return {};
}

int challengeMain(int argc, char **argv)
{
    int codes = 0;
    const char *against = nullptr;
    std::vector<const char *> rest;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--challenge") == 0 && i + 1 < argc)
            codes = std::max(2, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--against") == 0 && i + 1 < argc)
            against = argv[++i];
        else
            rest.push_back(argv[i]);
    }
    const RuleSet rules{rest.empty() ? 1000 : std::atoi(rest[0]), rest.size() > 1 && std::atoi(rest[1]) != 0};
    const auto solution = solved(rules.winner, rules.band);
    if (!solution)
        return 1;
    Strategy rule;
    if (against && !(rule = plainRule(against, rules))) {
        std::printf("Unknown rule %s (bank-at-300, bank-few-dice, plain)\n", against);
        return 2;
    }
    std::vector<int> best, other;
    const bool ok = reportBestPlay(*solution, playCodes(optimalStrategy(solution), codes, rules, &best), codes);
    if (rule) {
        print(against, playCodes(rule, codes, rules, &other));
        Spread same, independent;
        for (int g = 0; g < codes; ++g)
            if (best[size_t(g)] > 0 && other[size_t(g)] > 0)
                same.add(other[size_t(g)] - best[size_t(g)]);
        // Independent dice: the rule on the clock's dice, as in an ordinary game.
        ManualTimerService timers;
        GameRandom random;
        Game game(timers, random);
        game.applySettings({rules.winner, rules.band, 1});
        for (int g = 0; g < codes; ++g) {
            const int r = playGame(game, timers, rule, quint32(1000 + g), kMaxRounds);
            if (best[size_t(g)] > 0 && r > 0)
                independent.add(r - best[size_t(g)]);
        }
        std::printf("%s minus best play, same codes:      mean %+.3f rounds  standard deviation %.3f  (%d pairs)\n",
                    against, same.mean(), same.sd(), same.n);
        std::printf("%s minus best play, independent dice: mean %+.3f rounds  standard deviation %.3f  (%d pairs)\n",
                    against, independent.mean(), independent.sd(), independent.n);
        const double kept = independent.sd() > 0 ? same.sd() * same.sd() / (independent.sd() * independent.sd()) : 0;
        std::printf("variance of the difference kept by the shared dice: %.1f %%\n", 100 * kept);
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--challenge") == 0)
            return challengeMain(argc, argv);
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
            std::vector<double> seconds, spread;
            int sweeps = 0;
            for (int run = 0; run < 7; ++run) {
                const auto s = Advisor::solve({w, v});
                seconds.push_back(s->solveSeconds());
                spread.push_back(s->distributionSeconds());
                sweeps = s->sweeps();
            }
            std::sort(seconds.begin(), seconds.end());
            std::sort(spread.begin(), spread.end());
            std::printf("solve Winner %5d Valid %-3s median %6.3f s  fastest %6.3f s  (%d sweeps, %zu runs)"
                        "  then the spread %6.3f s\n", w, v ? "on" : "off", seconds[seconds.size() / 2],
                        seconds.front(), sweeps, seconds.size(), spread[spread.size() / 2]);
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
