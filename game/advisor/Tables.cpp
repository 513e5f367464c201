// SPDX-License-Identifier: GPL-3.0-or-later
// The dice tables and the totals of one solve.
#include "game/advisor/Tables.h"
#include "game/Advisor.h"
#include "game/Scoring.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace advisor {

namespace {

double factorial(int n)
{
    double f = 1;
    for (int i = 2; i <= n; ++i)
        f *= i;
    return f;
}

// Every roll of n dice as face counts, with the chance of each.
template<typename F>
void forEachRoll(int n, F &&f)
{
    int c[7] = {};
    const double all = std::pow(6.0, n);
    std::function<void(int, int)> rec = [&](int face, int left) {
        if (face == 6) {
            c[6] = left;
            double ways = factorial(n);
            for (int k = 1; k <= 6; ++k)
                ways /= factorial(c[k]);
            f(c, ways / all);
            return;
        }
        for (int k = 0; k <= left; ++k) {
            c[face] = k;
            rec(face + 1, left - k);
        }
    };
    rec(1, n);
}

} // namespace

FlatDice::FlatDice()
{
    for (int dice = 1; dice <= 6; ++dice) {
        std::map<std::vector<int>, double> merged;
        forEachRoll(dice, [&](const int *c, double p) {
            const QVector<KeepOption> keeps = legalKeeps(c);
            if (keeps.isEmpty()) {
                bust[dice] += p;
                return;
            }
            std::vector<int> offs;
            for (const KeepOption &k : keeps) {
                const int next = k.kept == dice ? 6 : dice - k.kept;
                offs.push_back(k.points / 5 * kStride + next);
            }
            std::sort(offs.begin(), offs.end());
            offs.erase(std::unique(offs.begin(), offs.end()), offs.end());
            merged[offs] += p;
        });
        groupBegin[dice] = int(prob.size());
        for (const auto &g : merged) {
            prob.push_back(g.second);
            optBegin.push_back(int(off.size()));
            off.insert(off.end(), g.first.begin(), g.first.end());
            optEnd.push_back(int(off.size()));
        }
    }
    groupBegin[7] = int(prob.size());
}

const FlatDice &flatDice()
{
    static const FlatDice f;
    return f;
}

bool bankReaching(qint64 total, const RuleSet &rules)
{
    return bankOutcome(qint32(total - 5), 5, rules.winner, rules.band).accepted();
}

Course::Course(qint32 w, qint32 f, bool v) : winner(w), floor(f), valid(v), N((w - f) / 5)
{
    ok.assign(size_t(N) + 1, 0);
    for (int k = 1; k <= N; ++k)
        ok[size_t(k)] = bankReaching(qint64(f) + 5 * k, {w, v});
}

} // namespace advisor
