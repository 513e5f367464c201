// SPDX-License-Identifier: GPL-3.0-or-later
// The sweeps of the policy iteration, each shared by two threads, and the
// exact evaluation of a recorded policy.
#include "game/advisor/Policy.h"
#include "game/advisor/Certificate.h"
#include "game/advisor/Flow.h"
#include "game/advisor/Round.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace advisor {

namespace {

// The values are exact to this many rounds. When no round can gain more than
// e by playing it differently, no value exceeds the best by more than e times
// the expected rounds of the best play, which the largest value bounds; so a
// round changes its play only for a gain above kTarget / (1 + largest value).
constexpr double kTarget = 1e-9;
// What sums over hundreds of rounds' chances keep of a value, relative to it:
// gains below this are rounding, not better play. It only outweighs the target
// above where values pass some 300 rounds (winning totals above about 13000).
constexpr double kPrecision = 1e-14;
constexpr int kFirstCap = 40;    // cap of the first sweep, before anything is certified
constexpr int kZone = 40;        // rows before the winner where rolling on may pay whatever was risked
// Progress never goes back; the first sweep takes about a quarter of the time.
constexpr double kFirstShare = 0.25;

// The sum of a[k] * b[k] for k < n, in four partial sums that add side by side.
double dot(const double *a, const double *b, int n)
{
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int k = 0;
    for (; k + 3 < n; k += 4) {
        s0 += a[k] * b[k];
        s1 += a[k + 1] * b[k + 1];
        s2 += a[k + 2] * b[k + 2];
        s3 += a[k + 3] * b[k + 3];
    }
    for (; k < n; ++k)
        s0 += a[k] * b[k];
    return (s0 + s1) + (s2 + s3);
}

} // namespace

// One pass of improvement: every total's round solved again against the
// values of the last evaluation.
struct Policy::Pass
{
    int sweeps = 0;
    // The first pass only carries the values a step on, which moves most
    // policies near their best before any is recorded; the next records
    // every round, and from then on only the rounds that improve.
    bool carryOnly = false, recordAll = false;
    double tolerance = 0;
    std::vector<double> fixed;
    Course course;
    Certificate cert;
    mutable std::atomic<int> changed{0};
};

Policy::Policy(qint32 winner, qint32 floor, bool valid, std::vector<double> &values, const Progress &progress)
    : m_c(winner, floor, valid), V(values), m_progress(progress)
{
    m_c.V = &V;
    V.assign(size_t(m_c.N) + 1, 0.0);
    m_out.pf.assign(size_t(m_c.N), 0.0);
    m_out.pp.assign(size_t(m_c.N), 0.0);
    m_out.q.resize(size_t(m_c.N));
}

template<typename Share>
void Policy::inTwo(Share &&share)
{
    std::thread helper(share, 1, false);
    share(0, true);
    helper.join();
}

bool Policy::report(double p)
{
    m_shown = std::max(m_shown, p);
    return m_progress(m_shown);
}

// Downwards, so every bank lands on a value already found; the round's own
// value and the one 100 lower are not known yet and are guessed from the
// values two steps up and beyond. So a round's rows from two steps up need
// nothing of the round just above it, and two threads take turns: one solves
// those rows while the other finishes its round.
bool Policy::firstSweep()
{
    m_known = m_c.N;
    inTwo([this](int first, bool reports) { firstSweepShare(first, reports); });
    return !m_cancelled;
}

void Policy::firstSweepShare(int first, bool reports)
{
    const int N = m_c.N;
    Round<1> r;
    const auto vAt = [&](int k) { return k <= N ? V[size_t(k)] : 0.0; };
    const auto await = [&](int k) {
        while (m_known.load(std::memory_order_acquire) > k) {
            if (m_cancelled)
                return false;
            std::this_thread::yield();
        }
        return true;
    };
    for (int i = N - 1 - first; i >= 0; i -= 2) {
        if (!await(i + 2))
            return;
        if (reports && m_progress && (i % 16) < 2 && !report(kFirstShare * double(N - i) / N)) {
            m_cancelled = true;
            return;
        }
        const double slope = i + 22 <= N ? V[size_t(i) + 2] - V[size_t(i) + 22] : 0.5;
        const double beta = vAt(i + 2) + std::max(0.0, slope);
        const double guess = i + 3 <= N ? 3 * V[size_t(i) + 2] - 2 * V[size_t(i) + 3] : 0.5;
        const double alpha = std::max(guess, vAt(i + 2));
        const int J = std::min(kFirstCap, N - i);
        const RoundAsk ask{i, alpha, beta, J,
                           i + J + kMaxStep >= N - kZone ? N - kZone - i : std::numeric_limits<int>::max()};
        r.begin(m_c, &ask, 1, Keep::Lowest);
        r.down(m_c, 2);
        if (!await(i + 1))
            return;
        r.down(m_c, 0);
        V[size_t(i)] = record(m_c, r.play(0), i, beta);
        m_known.store(i, std::memory_order_release);
    }
}

// Exact values of the policy, then every total's round solved again against
// them (the totals are independent now, so two threads share them); stop
// when no round finds anything better.
int Policy::improve()
{
    int sweeps = 1;
    for (; sweeps < 50; ++sweeps) {
        Pass pass;
        pass.sweeps = sweeps;
        pass.carryOnly = sweeps == 1;
        pass.recordAll = sweeps == 2;
        if (!pass.recordAll)
            evaluate();
        pass.fixed = V;
        const double largest = *std::max_element(pass.fixed.begin(), pass.fixed.end());
        // Rounding can still tip a near tie one way and then the other; from
        // the sixth pass on the tolerance doubles each pass, so the passes end.
        pass.tolerance = std::max(kTarget / (1 + largest), kPrecision * (1 + largest))
                * std::ldexp(1.0, std::max(0, sweeps - 5));
        pass.course = m_c; // the rounds are solved against the values of the last evaluation
        pass.course.V = &pass.fixed;
        pass.cert.build(pass.course, kZone);
        m_done = 0;
        const bool quads = quadsPay();
        inTwo([&](int first, bool reports) {
            if (quads)
                passShare<kLanes>(pass, first, reports);
            else
                passShare<1>(pass, first, reports);
        });
        if (m_cancelled)
            return 0;
        if (pass.changed == 0)
            break;
    }
    return sweeps;
}

template<int W>
void Policy::passShare(const Pass &pass, int first, bool reports)
{
    const Course &fc = pass.course;
    const int N = fc.N;
    // One lane keeps what its flow needs at once; four lanes note their picks
    // only when needed: solving again with them gives the same values to the bit.
    constexpr Keep forFlow = W == 1 ? Keep::Lowest : Keep::Picks;
    const Keep keep = W == 1 || pass.recordAll ? forFlow : Keep::Values;
    Round<W> round;
    for (int i0 = N - 1 - first; i0 >= 0; i0 -= 2 * W) {
        if (m_cancelled)
            return;
        RoundAsk asks[W];
        int count = 0;
        for (int i = i0; i >= 0 && count < W; i -= 2, ++count) {
            const double alpha = pass.fixed[size_t(i)], beta = fc.below(i);
            const int cap = pass.cert.cap(fc, i, alpha, beta);
            asks[count] = RoundAsk{i, alpha, beta, cap, pass.cert.from(i, cap)};
        }
        round.solve(fc, asks, count, keep);
        // Most rounds confirm their value; the others record their better policy.
        bool recording[W] = {}, any = false;
        for (int l = 0; l < count; ++l) {
            const double a = round.start(l);
            if (pass.carryOnly)
                V[size_t(asks[l].i)] = a;
            else
                any |= recording[l] = pass.recordAll || std::fabs(a - asks[l].alpha) > pass.tolerance;
        }
        if (pass.carryOnly)
            pass.changed.fetch_add(count);
        if (any && keep != forFlow)
            round.solve(fc, asks, count, forFlow);
        for (int l = 0; l < count; ++l) {
            if (!recording[l])
                continue;
            V[size_t(asks[l].i)] = record(fc, round.play(l), asks[l].i, asks[l].beta);
            pass.changed.fetch_add(1);
        }
        const int d = m_done.fetch_add(count) + count;
        // Most solves take four passes; a bar that has to wait for a
        // fifth stands still rather than going back.
        const double passes = std::max(4, pass.sweeps + 1);
        if (reports && m_progress && (d % 16) < 2 * kLanes
            && !report(std::min(0.99, kFirstShare + (1 - kFirstShare) * (pass.sweeps - 1 + double(d) / N) / passes)))
            m_cancelled = true;
    }
}

// Records the outcomes of the policy of the round just solved in `r` and
// returns that policy's value with its own value consistent (one Newton step
// in the own value).
double Policy::record(const Course &course, const RoundPlay &r, int i, double beta)
{
    double &f = m_out.pf[size_t(i)], &p = m_out.pp[size_t(i)];
    std::vector<double> &qi = m_out.q[size_t(i)];
    r.flow(course, i, f, p, qi);
    double sum = 1 + p * beta;
    for (int j = 1; j < int(qi.size()) && i + j < course.N; ++j)
        sum += qi[size_t(j)] * (*course.V)[size_t(i + j)];
    return sum / (1 - f);
}

// The values of the recorded policy, by downward sweeps of its linear equations.
void Policy::evaluate()
{
    const int N = m_c.N;
    // Settled when no value moves by more than a few dozen units of its
    // last place: sweeps beyond that only trade rounding for rounding.
    const double settled = kPrecision * (1 + *std::max_element(V.begin(), V.end()));
    for (int it = 0; it < 100000; ++it) {
        double change = 0;
        for (int i = N - 1; i >= 0; --i) {
            const std::vector<double> &qi = m_out.q[size_t(i)];
            const int top = std::min(int(qi.size()) - 1, N - i - 1);
            const double v = (1 + m_out.pp[size_t(i)] * m_c.below(i) + dot(qi.data() + 1, V.data() + i + 1, top))
                    / (1 - m_out.pf[size_t(i)]);
            change = std::max(change, std::fabs(v - V[size_t(i)]));
            V[size_t(i)] = v;
        }
        if (change < settled)
            break;
    }
}

Outcomes Policy::takeOutcomes()
{
    m_out.N = m_c.N;
    return std::move(m_out);
}

// Each round moves the chance of being at each total by the round's recorded
// outcomes: a failure stays, the penalty goes 100 down, a bank goes up or wins.
bool winDistribution(const Outcomes &o, const std::vector<double> &V, int start, double tail,
                     std::vector<double> &dist, double &tailRounds, const std::function<bool()> &goOn)
{
    const int N = o.N;
    dist.clear();
    std::vector<double> p(size_t(N), 0.0), next(size_t(N), 0.0);
    p[size_t(start)] = 1;
    int lo = start, hi = start; // the totals that may hold any chance
    double left = 1;
    // A round banks only once it holds some points: its outcomes start late.
    std::vector<int> first(size_t(N), 1);
    for (int i = 0; i < N; ++i) {
        const std::vector<double> &qi = o.q[size_t(i)];
        while (first[size_t(i)] < int(qi.size()) && qi[size_t(first[size_t(i)])] == 0)
            ++first[size_t(i)];
    }
    // A game this long has a chance far below any tail asked for.
    while (left >= tail && dist.size() < 1000000) {
        if (dist.size() % 16 == 15 && goOn && !goOn())
            return false;
        std::fill(next.begin(), next.end(), 0.0);
        double win = 0;
        int nlo = N, nhi = 0;
        for (int i = lo; i <= hi; ++i) {
            const double m = p[size_t(i)];
            if (m == 0)
                continue;
            next[size_t(i)] += m * o.pf[size_t(i)];
            // Below the floor the chance lies at the floor: it weighs less than 1e-12.
            const int down = std::max(0, i - kPenaltySteps);
            next[size_t(down)] += m * o.pp[size_t(i)];
            const std::vector<double> &qi = o.q[size_t(i)];
            const int top = int(qi.size()) - 1;
            const int inside = std::min(top, N - 1 - i); // banks short of the winner
            const double *q = qi.data();
            double *to = next.data() + i;
            for (int j = first[size_t(i)]; j <= inside; ++j)
                to[j] += m * q[j];
            for (int j = std::max(first[size_t(i)], inside + 1); j <= top; ++j)
                win += m * q[j];
            nlo = std::min(nlo, down);
            nhi = std::max(nhi, std::min(N - 1, i + top));
        }
        dist.push_back(win);
        p.swap(next);
        lo = nlo;
        hi = nhi;
        left = 0;
        for (int i = lo; i <= hi; ++i)
            left += p[size_t(i)];
    }
    const double n = double(dist.size());
    tailRounds = 0;
    for (int i = lo; i <= hi; ++i)
        tailRounds += p[size_t(i)] * (n + V[size_t(i)]);
    return true;
}

} // namespace advisor
