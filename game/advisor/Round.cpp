// SPDX-License-Identifier: GPL-3.0-or-later
// The round's recurrence over lanes, its inner loop per row, and the rounds
// past the last bank.
#include "game/advisor/Round.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace advisor {

namespace {

constexpr int kBandReach = 200;  // refused rows above the cap still solved exactly (a band is 21 rows)
constexpr int kFill = 360;       // rows above the cap given their bank values

inline double laneOf(double x, int) { return x; }
inline double laneOf(const Quad &x, int l) { return x[l]; }
inline void setLane(double &x, int, double v) { x = v; }
inline void setLane(Quad &x, int l, double v) { x[l] = v; }

inline void notePicks(double pick, Pick *to) { *to = Pick(pick); }
inline void notePicks(const Quad &pick, Pick *to)
{
    typedef int PickInts __attribute__((vector_size(kLanes * sizeof(int))));
    typedef signed char PickBytes __attribute__((vector_size(kLanes * sizeof(int))));
    const PickBytes bytes = PickBytes(__builtin_convertvector(pick, PickInts));
    const auto low = __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12);
    __builtin_memcpy(to, &low, kLanes);
}

// The row's inner loop. Two groups at a time, each with two partial minima,
// so the chains of dependent minima and sums run side by side; picks are
// counted in doubles alongside (c0 and c1 number the options; ties go to the
// earlier option).
template<int W, Keep K>
inline __attribute__((always_inline)) void beforeBody(const typename LaneType<W>::T *row,
                                                      const typename LaneType<W>::T &none,
                                                      const typename LaneType<W>::T &F,
                                                      const typename LaneType<W>::T &P,
                                                      typename LaneType<W>::T w[7],
                                                      typename LaneType<W>::T *lowest, Pick *picks)
{
    using L = typename LaneType<W>::T;
    const FlatDice &fd = flatDice();
    const int *of = fd.off.data();
    for (int n = 1; n <= 6; ++n) {
        L acc0 = fd.bust[n] * (n == 6 ? P : F), acc1 = L{};
        int g = fd.groupBegin[n];
        const int gEnd = fd.groupBegin[n + 1];
        int o = fd.optBegin[size_t(g)];
        for (; g < gEnd; ++g) {
            const int oEnd = fd.optEnd[size_t(g)];
            L b0 = none, b1 = none;
            L p0 = L{} - 1, p1 = p0, c0 = L{}, c1 = c0 + 1;
            for (; o + 1 < oEnd; o += 2) {
                const L x0 = row[of[o]], x1 = row[of[o + 1]];
                if constexpr (K == Keep::Picks) {
                    p0 = x0 < b0 ? c0 : p0;
                    p1 = x1 < b1 ? c1 : p1;
                    c0 += 2;
                    c1 += 2;
                }
                b0 = x0 < b0 ? x0 : b0;
                b1 = x1 < b1 ? x1 : b1;
            }
            if (o < oEnd) {
                const L x0 = row[of[o]];
                if constexpr (K == Keep::Picks)
                    p0 = x0 < b0 ? c0 : p0;
                b0 = x0 < b0 ? x0 : b0;
                ++o;
            }
            const L b = b1 < b0 ? b1 : b0;
            if constexpr (K == Keep::Picks)
                notePicks(b1 < b0 || (b1 == b0 && p1 < p0) ? p1 : p0, picks + ptrdiff_t(g) * W);
            if constexpr (K == Keep::Lowest)
                lowest[g] = b;
            const L t = fd.prob[size_t(g)] * b;
            if (g & 1)
                acc1 += t;
            else
                acc0 += t;
        }
        w[n] = acc0 + acc1;
    }
}

template<int W>
inline __attribute__((always_inline)) void beforeKeeping(const typename LaneType<W>::T *row,
                                                         const typename LaneType<W>::T &none,
                                                         const typename LaneType<W>::T &F,
                                                         const typename LaneType<W>::T &P,
                                                         typename LaneType<W>::T w[7], Keep keep,
                                                         typename LaneType<W>::T *lowest, Pick *picks)
{
    switch (keep) {
    case Keep::Values:
        return beforeBody<W, Keep::Values>(row, none, F, P, w, lowest, picks);
    case Keep::Lowest:
        return beforeBody<W, Keep::Lowest>(row, none, F, P, w, lowest, picks);
    case Keep::Picks:
        return beforeBody<W, Keep::Picks>(row, none, F, P, w, lowest, picks);
    }
}

} // namespace

// Four lanes only pay with wide registers: AVX2 on x86-64, chosen at run
// time. Other processors, and builds without KORVEX_WIDE_VECTORS, solve
// rounds one by one.
#if defined(KORVEX_WIDE_VECTORS) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KORVEX_AVX2 1
#define KORVEX_WIDE_TARGET __attribute__((target("avx2")))
#else
#define KORVEX_AVX2 0
#define KORVEX_WIDE_TARGET
#endif

void beforeRoll(const double *row, const double &none, const double &F, const double &P, double w[7], Keep keep,
                double *lowest, Pick *picks)
{
    beforeKeeping<1>(row, none, F, P, w, keep, lowest, picks);
}

KORVEX_WIDE_TARGET void beforeRoll(const Quad *row, const Quad &none, const Quad &F, const Quad &P, Quad w[7],
                                   Keep keep, Quad *lowest, Pick *picks)
{
    beforeKeeping<kLanes>(row, none, F, P, w, keep, lowest, picks);
}

bool quadsPay()
{
#if KORVEX_AVX2
    static const bool wide = __builtin_cpu_supports("avx2");
    return wide;
#else
    return false;
#endif
}

void deadRound(double F, double P, Val dead[7])
{
    const FlatDice &fd = flatDice();
    for (int n = 1; n <= 6; ++n)
        dead[n] = Val{F, 1};
    for (int it = 0; it < 10000; ++it) {
        double change = 0;
        for (int n = 1; n <= 6; ++n) {
            Val acc = n == 6 ? Val{fd.bust[n] * P, 0} : Val{fd.bust[n] * F, fd.bust[n]};
            for (int g = fd.groupBegin[n]; g < fd.groupBegin[n + 1]; ++g) {
                Val best{F, 1};
                for (int o = fd.optBegin[size_t(g)]; o < fd.optEnd[size_t(g)]; ++o) {
                    const Val &x = dead[fd.off[size_t(o)] % kStride];
                    if (x.v < best.v)
                        best = x;
                }
                acc.v += fd.prob[size_t(g)] * best.v;
                acc.d += fd.prob[size_t(g)] * best.d;
            }
            change = std::max(change, std::fabs(acc.v - dead[n].v));
            dead[n] = acc;
        }
        if (change < 1e-15)
            break;
    }
}

template<int W>
void Round<W>::begin(const Course &c, const RoundAsk *asks, int count, Keep keep)
{
    m_keep = keep;
    top = 0;
    for (int l = 0; l < W; ++l) {
        const RoundAsk &a = asks[std::min(l, count - 1)];
        Lane &ln = lane[l];
        ln.i = a.i;
        ln.D = c.N - a.i;
        ln.J = std::min(a.cap, ln.D);
        ln.from = a.from;
        ln.top = ln.J >= ln.D || ln.from <= ln.D ? ln.D : std::min(ln.D, ln.J + kFill);
        ln.F = 1 + a.alpha;
        ln.P = 1 + a.beta;
        if (ln.top + kMaxStep > ln.D)
            deadRound(ln.F, ln.P, ln.dead);
        setLane(m_F, l, ln.F);
        setLane(m_P, l, ln.P);
        top = std::max(top, ln.top);
    }
    rows = top + kMaxStep + 1;
    m_avStore.resize(size_t(rows) * kStride * W);
    m_bvStore.resize(size_t(top + 1) * kStride * W);
    av = reinterpret_cast<L *>(m_avStore.data());
    bv = reinterpret_cast<L *>(m_bvStore.data());
    kind.resize(size_t(rows) * W);
    m_solvedAny.assign(size_t(top + 1), 0);
    const size_t G = size_t(flatDice().groupBegin[7]);
    if (keep == Keep::Lowest)
        m_lowestStore.resize(size_t(top + 1) * G * W);
    if (keep == Keep::Picks)
        m_picks.resize(size_t(top + 1) * G * W);

    // Per lane: the kind of each row and the values of the rows it fills.
    for (int l = 0; l < W; ++l) {
        const Lane &ln = lane[l];
        for (int j = 0; j < rows; ++j) {
            const bool ok = ln.okRow(c, j);
            unsigned char k;
            if (j > ln.top)
                k = j > ln.D ? Dead : ok ? Banks : Fails;
            else if (j > ln.J && j < ln.from && (ok || j > ln.J + kBandReach))
                k = ok ? Banks : Fails;
            else
                k = Solved;
            kind[size_t(j) * W + size_t(l)] = k;
            if (k == Solved) {
                m_solvedAny[size_t(j)] = 1;
                continue;
            }
            L *a = av + size_t(j) * kStride;
            for (int m = 1; m <= 6; ++m)
                setLane(a[m], l, k == Dead ? std::min(ln.dead[m].v, ln.F) : k == Banks ? c.bankValue(ln.i + j) : ln.F);
        }
    }
    m_next = top;
}

template<int W>
void Round<W>::down(const Course &c, int last)
{
    const int G = flatDice().groupBegin[7];
    for (int j = m_next; j >= last; --j) {
        if (!m_solvedAny[size_t(j)])
            continue;
        L bank;
        for (int l = 0; l < W; ++l) {
            const Lane &ln = lane[l];
            setLane(bank, l, j == 0 ? std::numeric_limits<double>::infinity() : ln.okRow(c, j) ? c.bankValue(ln.i + j) : ln.F);
        }
        L w[7];
        beforeRoll(av + size_t(j) * kStride, bank, m_F, m_P, w, m_keep,
                   m_keep == Keep::Lowest ? reinterpret_cast<L *>(m_lowestStore.data()) + size_t(j) * G : nullptr,
                   m_keep == Keep::Picks ? m_picks.data() + size_t(j) * G * W : nullptr);
        for (int m = 1; m <= 6; ++m) // a plain loop: std::copy would assume whole-vector alignment
            bv[size_t(j) * kStride + m] = w[m];
        if (j == 0)
            continue;
        L *out = av + size_t(j) * kStride;
        for (int l = 0; l < W; ++l) {
            if (kind[size_t(j) * W + size_t(l)] != Solved)
                continue;
            const double b = laneOf(bank, l);
            for (int m = 1; m <= 6; ++m)
                setLane(out[m], l, laneOf(w[m], l) <= b ? laneOf(w[m], l) : b);
        }
    }
    m_next = std::min(m_next, last - 1);
}

template<int W>
double Round<W>::start(int l) const
{
    return laneOf(bv[6], l);
}

template<int W>
RoundPlay Round<W>::play(int l) const
{
    const Lane &ln = lane[l];
    const bool picked = m_keep == Keep::Picks;
    // The values after taking dice and the lowest values are read unstrided:
    // flow needs them with one lane only.
    return RoundPlay{ln.D, ln.top, ln.top + kMaxStep + 1, ln.F, ln.dead, kind.data() + l,
                     m_bvStore.data() + l, picked ? m_picks.data() + l : nullptr,
                     picked ? nullptr : m_avStore.data(), picked ? nullptr : m_lowestStore.data(), W};
}

template struct Round<1>;
template struct Round<kLanes>;

} // namespace advisor
