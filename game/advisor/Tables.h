// SPDX-License-Identifier: GPL-3.0-or-later
// What every part of the solver shares: the dice tables (every roll of 1..6
// dice, merged by the choices it offers) and the totals of one solve.
#pragma once

#include "game/RuleSet.h"
#include "game/Scoring.h"

#include <QtGlobal>

#include <vector>

namespace advisor {

constexpr int kMaxStep = 160;   // the most points one roll scores (six ones), in steps of 5
constexpr int kStride = 8;      // slots per points step: dice 1..6
constexpr int kPenaltySteps = -bustPenalty / 5; // how far down the penalty sends a total

struct Val
{
    double v; // expected rounds
    double d; // how much of it moves with the value of the round's own total
};

// The option a policy takes from one group of rolls at one row, counted from
// the group's first option; -1 takes nothing (banks). No group has more than
// a few dozen options.
using Pick = signed char;

// The rolls of all dice counts in flat arrays, for the inner loops. Rolls that
// offer the same (points, next dice) choices behave alike and are one group.
struct FlatDice
{
    double bust[7] = {};
    int groupBegin[8] = {};      // groups of n dice: [groupBegin[n], groupBegin[n + 1])
    std::vector<double> prob;    // per group
    std::vector<int> optEnd;     // per group, end of its options (begin is the previous end)
    std::vector<int> off;        // per option: points step * kStride + dice next
    std::vector<int> optBegin;   // per group

    FlatDice();
};

const FlatDice &flatDice();

// Whether a bank that reaches `total` is accepted: that depends on the total
// reached alone, so a bank of 5 points stands for any.
bool bankReaching(qint64 total, const RuleSet &rules);

// The totals of one solve, as indices in steps of 5 from the floor.
struct Course
{
    qint32 winner = 0, floor = 0;
    bool valid = false;
    int N = 0;              // index of the winning total
    std::vector<char> ok;   // ok[k]: a bank that reaches index k (1..N) is accepted
    const std::vector<double> *V = nullptr;

    Course() = default;
    Course(qint32 w, qint32 f, bool v);

    double bankValue(int k) const { return k == N ? 1.0 : 1.0 + (*V)[size_t(k)]; }
    // The value the penalty leads to from index i; below the floor the values go on in a straight line.
    double below(int i) const
    {
        const std::vector<double> &v = *V;
        if (i >= kPenaltySteps)
            return v[size_t(i) - kPenaltySteps];
        return v[0] + (v[0] - v[kPenaltySteps]) / double(kPenaltySteps) * (kPenaltySteps - i);
    }
};

} // namespace advisor
