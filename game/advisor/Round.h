// SPDX-License-Identifier: GPL-3.0-or-later
// One round at one total, solved backwards over its points. The recurrence is
// written once over a number of lanes: one round (W = 1), or four rounds side
// by side in the lanes of a vector (W = 4), which share the dice tables and
// differ only in their values, so every option is one load and one minimum
// for all four. Each lane's values and policy are the one-lane round's to the bit.
#pragma once

#include "game/advisor/Flow.h"
#include "game/advisor/Tables.h"

#include <vector>

namespace advisor {

constexpr int kLanes = 4;

template<int W> struct LaneType;
template<> struct LaneType<1>
{
    typedef double T;
};
template<> struct LaneType<kLanes>
{
    // Aligned as plain doubles: the tables live in ordinary vectors.
    typedef double T __attribute__((vector_size(kLanes * sizeof(double)), aligned(sizeof(double))));
};
using Quad = LaneType<kLanes>::T;

// What a solve keeps besides the values before a roll: nothing more, per
// group the lowest value (one lane; it tells the option taken at little
// cost, see flow), or per group and lane the option taken.
enum class Keep { Values, Lowest, Picks };

// The values before a roll of 1..6 dice into `w`, from the row of values after
// taking dice at the same points; `none` is the value of taking nothing
// (banking), F and P those of a bust and of the penalty. The rows of the
// certificate use it too.
void beforeRoll(const double *row, const double &none, const double &F, const double &P, double w[7],
                Keep keep = Keep::Values, double *lowest = nullptr, Pick *picks = nullptr);
void beforeRoll(const Quad *row, const Quad &none, const Quad &F, const Quad &P, Quad w[7], Keep keep,
                Quad *lowest, Pick *picks);

// Whether four lanes pay on this processor.
bool quadsPay();

// Before a roll once nothing can be banked any more, for the fail value F and
// the penalty value P: a refused bank ends the round as a failure, rolling on
// can only fail too, or hit the penalty.
void deadRound(double F, double P, Val dead[7]);

// The round to solve in one lane: at index i, for its own value alpha and the
// value 100 lower beta, solving rows up to `cap` (above it banking is
// certified best), and every row from `from` on (the stretch before the winner).
struct RoundAsk
{
    int i;
    double alpha, beta;
    int cap, from;
};

template<int W>
struct Round
{
    using L = typename LaneType<W>::T;

    struct Lane
    {
        int i = 0, D = 0, J = 0, top = 0, from = 0;
        double F = 0, P = 0;
        Val dead[7] = {};

        bool okRow(const Course &c, int j) const { return j > 0 && j <= D && c.ok[size_t(i + j)]; }
    };
    Lane lane[W];
    int top = 0, rows = 0;
    L *av = nullptr;                 // after taking dice, per row and dice
    L *bv = nullptr;                 // before a roll, per row up to top and dice
    std::vector<unsigned char> kind; // per row and lane

    // Solves the asked rounds (lanes past `count` repeat the last one);
    // returns the first lane's value before the first roll.
    double solve(const Course &c, const RoundAsk *asks, int count, Keep keep)
    {
        begin(c, asks, count, keep);
        down(c, 0);
        return start(0);
    }
    // solve() in two steps: the set-up, then the rows from the top down to
    // `last`, so that rows needing only banks above `last` may run early.
    void begin(const Course &c, const RoundAsk *asks, int count, Keep keep);
    void down(const Course &c, int last);

    double start(int l) const;
    // Lane l as solved, for its flow (needs a solve that keeps Lowest or Picks).
    RoundPlay play(int l) const;

private:
    Keep m_keep = Keep::Values;
    L m_F{}, m_P{};
    int m_next = 0;
    std::vector<double> m_avStore, m_bvStore;
    std::vector<char> m_solvedAny;  // per row: some lane solves it
    std::vector<double> m_lowestStore; // with Keep::Lowest: per row up to top, group and lane
    std::vector<Pick> m_picks;      // with Keep::Picks: per row up to top, group and lane
};

extern template struct Round<1>;
extern template struct Round<kLanes>;

} // namespace advisor
