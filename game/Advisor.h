// SPDX-License-Identifier: GPL-3.0-or-later
// The best play under the rules in force: the policy that needs the fewest
// rounds on average to reach the winning total, and its expected rounds from
// every position. Widget-free; solving may run on any thread.
#pragma once

#include "game/RuleSet.h"
#include "game/Scoring.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace advisor {
struct Outcomes;
}

struct AdvisorAction
{
    KeepOption keep;       // empty: bank the earlier rolls' points only
    bool bank = false;     // bank after taking, else roll on
    bool refused = false;  // the bank would be refused (band or past the winner)
    int diceNext = 0;      // dice of the next roll when rolling on
    double rounds = 0;     // expected rounds to the win, this one included
};

// Every legal selection from a roll, with every valuation of the choice lists.
// `rolled` counts the rolled dice per face (slots 1..6).
QVector<KeepOption> legalKeeps(const int rolled[7]);

class AdvisorSolution
{
public:
    qint32 winner() const { return m_winner; }
    bool valid() const { return m_valid; }
    RuleSet rules() const { return {m_winner, m_valid}; }
    // False when the winning total can never be banked (not a multiple of 5, in the band).
    bool winnable() const { return m_winnable; }
    double solveSeconds() const { return m_seconds; }
    int sweeps() const { return m_sweeps; }
    qint32 floorTotal() const { return m_floor; }

    // Whether the solution weighs a position at `total` with `roundPoints`
    // collected in the round: any a game reaches (see GameLimits), at or
    // below the winning total. The questions below answer nothing (an empty
    // ranking, NaN) for a position it does not weigh.
    bool canWeigh(qint64 total, qint64 roundPoints = 0) const;

    // Expected rounds to the win from the start of a round at `total`.
    double roundsFromTotal(qint32 total) const;
    // Expected rounds, this one included, before rolling `dice` dice with
    // `roundPoints` collected in the round so far.
    double roundsBeforeRoll(qint32 total, qint32 roundPoints, int dice) const;
    // Every choice after a non-bust roll, best first. `roundPoints` are the
    // points of the earlier rolls of the round.
    QVector<AdvisorAction> rankActions(qint32 total, qint32 roundPoints, const int rolled[7]) const;
    // How many of a ranking the windows list (the play made is listed besides).
    static constexpr int rankingShown = 12;

    // Whether the spread of the best play's rounds below is worked out: for
    // winning totals up to distributionLimit (the settings' range). It is
    // worked out after the values and the policy, and may land while others
    // read the solution; until then the questions below answer as for none.
    bool hasDistribution() const { return m_hasDistribution.load(std::memory_order_acquire); }
    // Whether a spread belongs to this solution but has not landed yet.
    bool distributionDue() const { return m_winnable && m_winner <= distributionLimit && !hasDistribution(); }
    static constexpr qint32 distributionLimit = 10000;
    // Seconds the spread took after the policy; 0 until it has landed.
    double distributionSeconds() const { return hasDistribution() ? m_distSeconds : 0; }
    // The best play from a total of 0: entry n - 1 is the chance that it wins
    // in exactly n rounds, for n = 1, 2, ... until less than 1e-9 is left.
    const std::vector<double> &roundsDistribution() const;
    // The chance that the best play wins within n rounds.
    double chanceWithin(int n) const;
    // The mean of the whole distribution, the rounds of what is left after
    // its last entry included; equal to roundsFromTotal(0).
    double distributionMean() const;
    // The fewest rounds within which the best play wins with at least this chance.
    int roundsForChance(double chance) const;

    // Chance that a roll of n dice scores nothing.
    static double bustChance(int dice);

private:
    friend class Advisor;
    struct Round; // the tables of one round at one total
    // The round solved at `total`; far below the floor, the one at
    // deepestRound() stands for it (see roundAt).
    std::shared_ptr<const Round> roundAt(qint32 total) const;
    qint32 deepestRound() const;
    // The value before a roll of n dice with `points` collected in the round at `total`.
    double before(const Round &r, qint32 total, qint64 points, int dice) const;
    double valueAt(qint64 total) const;

    qint32 m_winner = 0;
    bool m_valid = false;
    bool m_winnable = false;
    qint32 m_floor = 0;
    std::vector<double> m_v; // expected rounds from the start of a round, per total step of 5
    // Written once, before m_hasDistribution is set; read only after it is seen set.
    std::atomic<bool> m_hasDistribution{false};
    std::vector<double> m_dist;
    double m_tailRounds = 0;
    double m_distSeconds = 0;
    double m_seconds = 0;
    int m_sweeps = 0;
    mutable std::mutex m_cacheLock;
    mutable std::shared_ptr<const Round> m_cache;
};

class Advisor
{
public:
    // Progress in [0, 1]; return false to cancel (solve then returns null).
    using Progress = std::function<bool(double)>;
    // The whole solve: the values, the policy and the spread of rounds.
    static std::shared_ptr<const AdvisorSolution> solve(const RuleSet &rules, const Progress &progress = {});
    // The same in two steps, so that the policy can answer before the spread
    // is known: `solution` (null when cancelled) has everything but the
    // spread; `distribution`, when not empty, works the spread out into it
    // (on any thread, once; the solution may be read meanwhile) and asks
    // `goOn` every few rounds, returning false when it said no.
    struct Steps
    {
        std::shared_ptr<const AdvisorSolution> solution;
        std::function<bool(const std::function<bool()> &goOn)> distribution;
    };
    static Steps solveInSteps(const RuleSet &rules, const Progress &progress = {});
    // Whether the 400-500 band in every thousand refuses any bank that the
    // single band accepts, up to this winning total; when not, both rules
    // have the same solution.
    static bool everyThousandMatters(qint32 winner);
    // The largest winning total solved; above it solve() returns an unwinnable solution.
    static constexpr qint32 maxWinner = 100000;
};
