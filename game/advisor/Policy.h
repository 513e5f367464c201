// SPDX-License-Identifier: GPL-3.0-or-later
// Policy iteration over whole rounds: a first downward sweep guesses every
// total's value, then the policy of every round is evaluated exactly and
// improved until no round finds anything better.
#pragma once

#include "game/advisor/Tables.h"

#include <atomic>
#include <functional>
#include <vector>

namespace advisor {

struct RoundPlay;

// Totals below this many points under zero are never solved: each further 100
// down needs one more bust of all six dice (at most about 4 % a round) before
// anything is banked, so they weigh less than 1e-12 in any value above zero.
constexpr qint32 kFloorDepth = 1000;

// What each total's round leads to under a policy: the chance that it fails
// (nothing banked), that it ends in the penalty, and of each bank, per step
// of 5 above the total.
struct Outcomes
{
    int N = 0; // index of the winning total
    std::vector<double> pf, pp;
    std::vector<std::vector<double>> q;
};

// How a game under these outcomes goes on from the start of a round at index
// `start`: the chance of winning in exactly n rounds (entry n - 1), for
// n = 1, 2, ... until less than `tail` is left, and the expected rounds of
// what is left (the rounds already played included). `V` are the policy's values.
// Asks `goOn` every few rounds; false when it said no.
bool winDistribution(const Outcomes &o, const std::vector<double> &V, int start, double tail,
                     std::vector<double> &dist, double &tailRounds, const std::function<bool()> &goOn = {});

// The values of the start of a round per total, and the policy's outcome
// distributions from the last time each total's round was solved.
class Policy
{
public:
    // Progress in [0, 1]; false cancels.
    using Progress = std::function<bool(double)>;

    // `values` receives the expected rounds from the start of a round per
    // total step of 5 from `floor` up to the winner.
    Policy(qint32 winner, qint32 floor, bool valid, std::vector<double> &values, const Progress &progress);

    // The values found by a first downward sweep; false when cancelled.
    bool firstSweep();
    // Improves the policy until nothing improves; returns the sweeps taken
    // (the first one included), or 0 when cancelled.
    int improve();

    // The outcomes of the last policy, handed over (the policy keeps none).
    Outcomes takeOutcomes();

private:
    struct Pass;

    void firstSweepShare(int first, bool reports);
    template<int W>
    void passShare(const Pass &pass, int first, bool reports);
    // Runs share(1, false) on a second thread and share(0, true) on this one.
    template<typename Share>
    void inTwo(Share &&share);
    bool report(double p);
    double record(const Course &course, const RoundPlay &r, int i, double beta);
    void evaluate();

    Course m_c;
    std::vector<double> &V;
    const Progress &m_progress;
    double m_shown = 0;
    Outcomes m_out;
    std::atomic<bool> m_cancelled{false};
    std::atomic<int> m_done{0};
    std::atomic<int> m_known{0}; // first sweep: V[k] is final for every k >= m_known
};

} // namespace advisor
