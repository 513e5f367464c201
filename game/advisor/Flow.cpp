// SPDX-License-Identifier: GPL-3.0-or-later
// The outcomes of a round played by its policy, found by moving the chance of
// each position forward through the round's rows.
#include "game/advisor/Flow.h"

#include <limits>

namespace advisor {

namespace {

// Moves `mass` before a roll of n dice on to the options the policy takes
// and returns the share that takes nothing. The option taken per group is
// either noted in `picks` (`stride` apart), or found in the row `row` as the
// first one at the group's lowest value `low`, when that is below `bank`.
// Neighbouring groups often take the same option, so even and odd groups add
// into separate tables to keep the sums apart.
template<bool Picked>
double spread(const FlatDice &fd, int n, double mass, const Pick *picks, int stride, const double *row,
              const double *low, double bank, double *toA, double *toB)
{
    const int *off = fd.off.data(), *optBegin = fd.optBegin.data();
    const double *prob = fd.prob.data();
    double none = 0;
    const int gEnd = fd.groupBegin[n + 1];
    for (int g = fd.groupBegin[n]; g < gEnd; ++g) {
        int at = optBegin[g];
        if constexpr (Picked) {
            const int pick = picks[ptrdiff_t(g) * stride];
            if (pick < 0) {
                none += prob[g];
                continue;
            }
            at += pick;
        } else {
            const double best = low[g];
            if (!(best < bank)) {
                none += prob[g];
                continue;
            }
            while (row[off[at]] != best)
                ++at;
        }
        (g & 1 ? toB : toA)[off[at]] += mass * prob[g];
    }
    return none;
}

} // namespace

void RoundPlay::flow(const Course &c, int i, double &pf, double &pp, std::vector<double> &q) const
{
    const FlatDice &fd = flatDice();
    const int G = fd.groupBegin[7];
    // Workspace: the mass before a roll and after taking dice (even and
    // odd groups apart), per row and dice.
    thread_local std::vector<double> pm, am, am2;
    pf = pp = 0;
    q.assign(size_t(rows), 0.0);
    pm.assign(size_t(top + 1) * kStride, 0.0);
    am.assign(size_t(rows) * kStride, 0.0);
    am2.assign(size_t(rows) * kStride, 0.0);
    pm[6] = 1;
    for (int j = 0; j < rows; ++j) {
        const bool ok = okRow(c, i, j);
        const double bank = j == 0 ? std::numeric_limits<double>::infinity() : ok ? c.bankValue(i + j) : F;
        const unsigned char k = kind[ptrdiff_t(j) * stride];
        for (int m = 1; j > 0 && m <= 6; ++m) {
            const double a = am[size_t(j) * kStride + m] + am2[size_t(j) * kStride + m];
            if (a == 0)
                continue;
            switch (k) {
            case Dead:
                if (dead[m].v < F) {
                    pf += a * dead[m].d;
                    pp += a * (1 - dead[m].d);
                } else {
                    pf += a;
                }
                break;
            case Banks:
                q[size_t(j)] += a;
                break;
            case Fails:
                pf += a;
                break;
            default:
                if (bv[(ptrdiff_t(j) * kStride + m) * stride] <= bank)
                    pm[size_t(j) * kStride + m] += a;
                else if (ok)
                    q[size_t(j)] += a;
                else
                    pf += a;
            }
        }
        if (j > top || k != Solved)
            continue;
        double *toA = am.data() + size_t(j) * kStride, *toB = am2.data() + size_t(j) * kStride;
        const Pick *p = picks ? picks + ptrdiff_t(j) * G * stride : nullptr;
        const double *row = p ? nullptr : av + ptrdiff_t(j) * kStride;
        const double *low = p ? nullptr : lowest + ptrdiff_t(j) * G;
        double none = 0;
        for (int n = 1; n <= 6; ++n) {
            const double mass = pm[size_t(j) * kStride + n];
            if (mass == 0)
                continue;
            (n == 6 ? pp : pf) += mass * fd.bust[n];
            none += mass * (p ? spread<true>(fd, n, mass, p, stride, row, low, bank, toA, toB)
                              : spread<false>(fd, n, mass, p, stride, row, low, bank, toA, toB));
        }
        (ok ? q[size_t(j)] : pf) += none;
    }
    while (!q.empty() && q.back() == 0)
        q.pop_back();
}

} // namespace advisor
