// SPDX-License-Identifier: GPL-3.0-or-later
// Building the certificate for a pass, and the cap it gives each round.
#include "game/advisor/Certificate.h"
#include "game/advisor/Round.h"

#include <algorithm>

namespace advisor {

void Certificate::markStretches(const Course &c, int zoneRows)
{
    const int N = c.N;
    special.assign(size_t(N) + 1, 0);
    for (int k = 1; k <= N; ++k)
        special[size_t(k)] = !c.ok[size_t(k)] || k >= N - zoneRows;
    // Stretches that reach one another are one.
    for (int k = N, last = -1; k >= 1; --k) {
        if (!special[size_t(k)])
            continue;
        if (last > 0 && last - k <= kMaxStep)
            std::fill(special.begin() + k, special.begin() + last, 1);
        last = k;
    }
    zone = N;
    while (zone > 1 && special[size_t(zone) - 1])
        --zone;
    reaches.assign(size_t(N) + 1, 0);
    for (int k = N, start = 0; k >= 0; --k) {
        if (k >= 1 && special[size_t(k)]) {
            start = k;
            continue;
        }
        reaches[size_t(k)] = start > 0 && start - k <= kMaxStep ? start : 0;
    }
}

void Certificate::build(const Course &c, int zoneRows)
{
    const int N = c.N;
    const std::vector<double> &V = *c.V;
    const double inf = std::numeric_limits<double>::infinity();
    markStretches(c, zoneRows);
    // The lowest values from the bottom up, for the levels below a stretch.
    std::vector<double> lowest(size_t(N) + 1);
    for (int k = 0; k <= N; ++k)
        lowest[size_t(k)] = std::min(k > 0 ? lowest[size_t(k) - 1] : inf, V[size_t(k)]);

    gain.assign(size_t(kLevels) * (N + 1) * kStride, 0.0);
    phi.assign(size_t(N + 1) * kLevels, inf);
    low.assign(size_t(N + kMaxStep + 1) * kStride, inf);
    for (int k = 1; k <= N; ++k)
        if (!special[size_t(k)])
            for (int m = 1; m <= 6; ++m)
                low[size_t(k) * kStride + m] = c.bankValue(k);
    for (int level = 0; level < kLevels; ++level) {
        double f = 0;
        for (int k = N; k >= 1; --k) {
            if (!special[size_t(k)])
                continue;
            double *x = low.data() + size_t(k) * kStride;
            if (k == N || !special[size_t(k) + 1]) {
                int s = k;
                while (s > 1 && special[size_t(s) - 1])
                    --s;
                if (level == 0) {
                    // Any total checking a row that reaches the stretch fails at no less.
                    double lo = inf;
                    for (int a = std::max(0, s - kMaxStep); a < s; ++a)
                        lo = std::min(lo, V[size_t(a)]);
                    f = 1 + lo;
                } else {
                    // Totals this far below it fail at about no less; checked for each round.
                    const int top = s - kLevelRows[level];
                    f = top >= 0 ? 1 + lowest[size_t(top)] : inf;
                }
                phi[size_t(s) * kLevels + size_t(level)] = f;
                // Past the winner nothing is banked: a fail, at no less than f.
                if (k == N)
                    std::fill(low.begin() + ptrdiff_t(N + 1) * kStride, low.end(), f);
            }
            const double b = c.ok[size_t(k)] ? c.bankValue(k) : f;
            double w[7];
            beforeRoll(x, b, f, f, w);
            for (int m = 1; m <= 6; ++m)
                x[m] = std::min(b, w[m]);
        }
        // Rows that bank see past the winner no lower than their own bank.
        std::fill(low.begin() + ptrdiff_t(N + 1) * kStride, low.end(), inf);
        for (int k = 1; k <= N; ++k) {
            if (special[size_t(k)] || (level > 0 && reaches[size_t(k)] == 0))
                continue;
            const double b = c.bankValue(k);
            double w[7];
            beforeRoll(low.data() + size_t(k) * kStride, b, b, b, w);
            double *g = gain.data() + (size_t(level) * (N + 1) + size_t(k)) * kStride;
            for (int n = 1; n <= 6; ++n)
                g[n] = b - w[n];
        }
    }
}

int Certificate::cap(const Course &c, int i, double alpha, double beta) const
{
    const FlatDice &fd = flatDice();
    const int N = c.N, D = N - i;
    const double F = 1 + alpha, P = 1 + beta, fp = std::min(F, P);
    int j = D;
    for (; j >= 1; --j) {
        const int k = i + j;
        if (special[size_t(k)])
            continue;
        const double b = c.bankValue(k);
        // The tightest level whose fail value this round does not undercut.
        int level = 0;
        if (const int s = reaches[size_t(k)]) {
            const double *f = phi.data() + size_t(s) * kLevels;
            for (int l = 1; l < kLevels; ++l)
                if (f[l] <= fp && f[l] > f[level])
                    level = l;
        }
        const double *g = gain.data() + (size_t(level) * (N + 1) + size_t(k)) * kStride;
        bool fine = fp >= b && fd.bust[6] * (P - b) >= g[6];
        for (int m = 1; fine && m <= 5; ++m)
            fine = fd.bust[m] * (F - b) >= g[m];
        if (!fine)
            break;
    }
    return j;
}

} // namespace advisor
