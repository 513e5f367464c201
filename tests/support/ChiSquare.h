// SPDX-License-Identifier: GPL-3.0-or-later
// Pearson's chi-square and its p-value: the chance of a statistic at least as
// large when the counts follow the expectation, Q(df / 2, x / 2) with Q the
// regularized upper incomplete gamma function.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace chisquare {

// Q(a, x) = Gamma(a, x) / Gamma(a), for a > 0 and x >= 0; good to about 1e-14.
inline double upperGammaQ(double a, double x)
{
    if (x <= 0)
        return 1.0;
    const double front = std::exp(a * std::log(x) - x - std::lgamma(a));
    if (x < a + 1) {
        // Below the mean the series of P = 1 - Q converges fast:
        // P = front * sum over n of x^n / (a (a + 1) ... (a + n)).
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 10000 && term > sum * 1e-16; ++n) {
            term *= x / (a + n);
            sum += term;
        }
        return std::clamp(1.0 - front * sum, 0.0, 1.0);
    }
    // Above it the continued fraction of Q, evaluated by Lentz's method:
    // Q = front / (x + 1 - a - 1 (1 - a) / (x + 3 - a - 2 (2 - a) / (x + 5 - a - ...))).
    const double tiny = 1e-300;
    double b = x + 1 - a, c = 1 / tiny, d = 1 / b, h = d;
    for (int i = 1; i < 10000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        d = 1 / (std::abs(d) < tiny ? tiny : d);
        c = b + an / c;
        if (std::abs(c) < tiny)
            c = tiny;
        h *= d * c;
        if (std::abs(d * c - 1) < 1e-15)
            break;
    }
    return std::clamp(front * h, 0.0, 1.0);
}

inline double pValue(double statistic, int degreesOfFreedom)
{
    return upperGammaQ(degreesOfFreedom / 2.0, statistic / 2.0);
}

// Counts in classes against the counts expected in them.
inline double statistic(const std::vector<double> &observed, const std::vector<double> &expected)
{
    double x = 0;
    for (size_t i = 0; i < observed.size() && i < expected.size(); ++i)
        x += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
    return x;
}

// A table of counts, rows x columns, against independence of the two: each
// cell expected at row total x column total / all. (rows - 1)(columns - 1)
// degrees of freedom.
inline double independence(const std::vector<std::vector<double>> &table)
{
    std::vector<double> rows(table.size(), 0), columns(table.empty() ? 0 : table[0].size(), 0);
    double all = 0;
    for (size_t r = 0; r < table.size(); ++r)
        for (size_t c = 0; c < columns.size(); ++c) {
            rows[r] += table[r][c];
            columns[c] += table[r][c];
            all += table[r][c];
        }
    double x = 0;
    for (size_t r = 0; r < table.size(); ++r)
        for (size_t c = 0; c < columns.size(); ++c) {
            const double e = rows[r] * columns[c] / all;
            x += (table[r][c] - e) * (table[r][c] - e) / e;
        }
    return x;
}

} // namespace chisquare
