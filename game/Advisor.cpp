// SPDX-License-Identifier: GPL-3.0-or-later
// Policy iteration over whole rounds. Inside a round the only state is the
// points collected so far and the dice to roll next; everything a round can
// end in is a bank (worth the rounds still needed from the new total), a
// failure (bust or refused bank: the rounds needed from the same total) or the
// penalty (from the total 100 lower). So for one total the round is solved
// backwards over its points, given the value of the total itself and of the
// total 100 lower. A first downward sweep guesses those two; then the policy
// of every round is evaluated exactly and improved until nothing improves.
// The solver only solves a round's points up to where banking is certified to
// be best (see Certificate); the tables for a position asked about are solved
// in full.
#include "game/Advisor.h"
#include "game/Scoring.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <thread>

namespace {

constexpr int kMaxStep = 160;   // the most points one roll scores (six ones), in steps of 5
constexpr int kStride = 8;      // slots per points step: dice 1..6
// The values are exact to this many rounds. When no round can gain more than
// e by playing it differently, no value exceeds the best by more than e times
// the expected rounds of the best play, which the largest value bounds; so a
// round changes its play only for a gain above kTarget / (1 + largest value).
constexpr double kTarget = 1e-9;
// What sums over hundreds of rounds' chances keep of a value, relative to it:
// gains below this are rounding, not better play. It only outweighs the target
// above where values pass some 300 rounds (winning totals above about 13000).
constexpr double kPrecision = 1e-14;
// Totals below this many points under zero are never solved: each further 100
// down needs one more bust of all six dice (at most about 4 % a round) before
// anything is banked, so they weigh less than 1e-12 in any value above zero.
constexpr qint32 kFloorDepth = 1000;

// Whether a bank that reaches `total` is accepted: that depends on the total
// reached alone, so a bank of 5 points stands for any.
bool bankReaching(qint64 total, qint32 winner, bool valid)
{
    return bankOutcome(qint32(total - 5), 5, winner, valid).accepted();
}

struct Opt
{
    int off; // (points / 5) * kStride + dice of the next roll
};

struct Group
{
    double prob;
    int begin, end;
};

struct DiceTable
{
    double bust = 0;
    std::vector<Group> groups;
    std::vector<Opt> opts;
};

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

// Rolls that offer the same (points, next dice) choices behave alike and are merged.
const DiceTable &diceTable(int n)
{
    static const std::vector<DiceTable> tables = [] {
        std::vector<DiceTable> t(7);
        for (int dice = 1; dice <= 6; ++dice) {
            std::map<std::vector<int>, double> merged;
            forEachRoll(dice, [&](const int *c, double p) {
                const QVector<KeepOption> keeps = legalKeeps(c);
                if (keeps.isEmpty()) {
                    t[dice].bust += p;
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
            for (const auto &g : merged) {
                Group gr{g.second, int(t[dice].opts.size()), 0};
                for (int off : g.first)
                    t[dice].opts.push_back(Opt{off});
                gr.end = int(t[dice].opts.size());
                t[dice].groups.push_back(gr);
            }
        }
        return t;
    }();
    return tables[n];
}

struct Val
{
    double v; // expected rounds
    double d; // how much of it moves with the value of the round's own total
};

// The tables of one round at one total.
struct RoundTables
{
    int D = 0;                 // round points (in steps of 5) that can still be banked
    std::vector<Val> after;    // after taking dice: the better of rolling on and banking, per step and dice
    std::vector<Val> before;   // before a roll, per step and dice, steps 0..D
    std::vector<Val> bank;     // banking this many steps
    Val dead[7] = {};          // before a roll once nothing can be banked any more

    // Solves the round in full, for the positions asked about, for the given
    // value of its own total (alpha) and of the total 100 lower (beta);
    // `banked(j)` is the value of an accepted bank of j steps, or NaN when it
    // is refused.
    template<typename Banked>
    Val solve(int d, double alpha, double beta, Banked &&banked, bool keepBefore)
    {
        D = d;
        const int top = D + kMaxStep;
        after.assign(size_t(top + 1) * kStride, Val{0, 0});
        bank.assign(size_t(top + 1), Val{1 + alpha, 1});
        for (int j = 1; j <= D; ++j) {
            const double b = banked(j);
            if (!std::isnan(b))
                bank[j] = Val{b, 0};
        }
        if (keepBefore)
            before.assign(size_t(D + 1) * kStride, Val{0, 0});

        const Val fail{1 + alpha, 1};
        const Val penalty{1 + beta, 0};
        // Nothing can be banked: a refused bank ends the round as a failure,
        // rolling on can only fail too, or hit the penalty.
        for (int n = 1; n <= 6; ++n)
            dead[n] = fail;
        for (int it = 0; it < 10000; ++it) {
            double change = 0;
            for (int n = 1; n <= 6; ++n) {
                const DiceTable &t = diceTable(n);
                const Val &b = n == 6 ? penalty : fail;
                Val acc{t.bust * b.v, t.bust * b.d};
                for (const Group &g : t.groups) {
                    Val best = fail;
                    for (int o = g.begin; o < g.end; ++o) {
                        const Val &x = dead[t.opts[o].off % kStride];
                        if (x.v < best.v)
                            best = x;
                    }
                    acc.v += g.prob * best.v;
                    acc.d += g.prob * best.d;
                }
                change = std::max(change, std::fabs(acc.v - dead[n].v));
                dead[n] = acc;
            }
            if (change < 1e-15)
                break;
        }
        for (int j = D + 1; j <= top; ++j)
            for (int m = 1; m <= 6; ++m)
                after[size_t(j) * kStride + m] = dead[m].v < fail.v ? dead[m] : fail;

        Val start{0, 0};
        for (int j = D; j >= 0; --j) {
            const Val *row = after.data() + size_t(j) * kStride;
            Val w[7];
            for (int n = 1; n <= 6; ++n) {
                const DiceTable &t = diceTable(n);
                const Val &b = n == 6 ? penalty : fail;
                Val acc{t.bust * b.v, t.bust * b.d};
                const Val none = j > 0 ? bank[j] : Val{std::numeric_limits<double>::infinity(), 0};
                const Opt *opts = t.opts.data();
                for (const Group &g : t.groups) {
                    Val best = none;
                    for (int o = g.begin; o < g.end; ++o) {
                        const Val &x = row[opts[o].off];
                        if (x.v < best.v)
                            best = x;
                    }
                    acc.v += g.prob * best.v;
                    acc.d += g.prob * best.d;
                }
                w[n] = acc;
            }
            if (keepBefore)
                std::copy(w + 1, w + 7, before.begin() + size_t(j) * kStride + 1);
            if (j > 0) {
                Val *out = after.data() + size_t(j) * kStride;
                for (int m = 1; m <= 6; ++m)
                    out[m] = w[m].v <= bank[j].v ? w[m] : bank[j];
            } else {
                start = w[6];
            }
        }
        return start;
    }
};

} // namespace

// ---------------------------------------------------------------- selections

QVector<KeepOption> legalKeeps(const int rolled[7])
{
    // Per face, every way to take it: (count, entry, points).
    struct Way { int count, entry; qint32 points; };
    QVector<Way> ways[7];
    for (int f = 1; f <= 6; ++f) {
        const int c = std::clamp(rolled[f], 0, 6);
        ways[f].append({0, -1, 0});
        for (int k = 1; k <= c; ++k) {
            if ((f == 1 || f == 5) && k >= 3) {
                const QVector<ChoiceEntry> entries = choiceEntries(f, k);
                for (int e = 0; e < entries.size(); ++e)
                    ways[f].append({k, e, entries[e].value});
            } else if (f == 1 || f == 5 || k >= 3) {
                ways[f].append({k, -1, setPoints(f, k)});
            }
        }
    }
    QVector<KeepOption> out;
    KeepOption cur;
    std::function<void(int)> rec = [&](int f) {
        if (f == 7) {
            if (cur.kept > 0)
                out.append(cur);
            return;
        }
        for (const Way &w : ways[f]) {
            cur.count[f] = w.count;
            if (f == 1)
                cur.onesEntry = w.entry;
            if (f == 5)
                cur.fivesEntry = w.entry;
            cur.points += w.points;
            cur.kept += w.count;
            rec(f + 1);
            cur.points -= w.points;
            cur.kept -= w.count;
        }
        cur.count[f] = 0;
    };
    rec(1);
    return out;
}

QString KeepOption::describe() const
{
    if (kept == 0)
        return QStringLiteral("nothing");
    QStringList parts;
    for (int f = 1; f <= 6; ++f) {
        if (count[f] == 0)
            continue;
        QStringList faces;
        for (int k = 0; k < count[f]; ++k)
            faces << QString::number(f);
        QString part = faces.join(QLatin1Char(' '));
        const int entry = f == 1 ? onesEntry : f == 5 ? fivesEntry : -1;
        if (entry >= 0)
            part += QStringLiteral(" (") + choiceEntries(f, count[f]).value(entry).text + QStringLiteral(")");
        parts << part;
    }
    return parts.join(QStringLiteral(" + "));
}

QString AdvisorAction::describe() const
{
    QString what = keep.empty() ? QStringLiteral("Take nothing")
                                : QStringLiteral("Take ") + keep.describe();
    if (bank)
        what += refused ? QStringLiteral(", bank (refused)") : QStringLiteral(", bank");
    else
        what += QStringLiteral(", roll %1 dice").arg(diceNext);
    return what;
}

// ---------------------------------------------------------------- the solution

struct AdvisorSolution::Round
{
    qint32 total = 0;
    double alpha = 0;
    RoundTables t;
};

double AdvisorSolution::bustChance(int dice)
{
    return dice >= 1 && dice <= 6 ? diceTable(dice).bust : 0.0;
}

double AdvisorSolution::valueAt(qint64 total) const
{
    if (!m_winnable || total > m_winner)
        return std::numeric_limits<double>::infinity();
    if (total == m_winner)
        return 0;
    const qint64 i = (total - m_floor) / 5;
    if (i >= 0)
        return m_v[size_t(i)];
    // Below the floor the values go on in a straight line.
    const double slope = (m_v[0] - m_v[20]) / 100.0;
    return m_v[0] + slope * double(m_floor - total);
}

double AdvisorSolution::roundsFromTotal(qint32 total) const
{
    return valueAt(total);
}

std::shared_ptr<const AdvisorSolution::Round> AdvisorSolution::roundAt(qint32 total) const
{
    {
        std::lock_guard<std::mutex> lock(m_cacheLock);
        if (m_cache && m_cache->total == total)
            return m_cache;
    }
    auto r = std::make_shared<Round>();
    r->total = total;
    r->alpha = valueAt(total);
    const double beta = valueAt(qint64(total) - 100);
    const int D = int((qint64(m_winner) - total) / 5);
    r->t.solve(D, r->alpha, beta,
               [&](int j) {
                   const BankOutcome b = bankOutcome(total, 5 * j, m_winner, m_valid);
                   if (!b.accepted())
                       return std::numeric_limits<double>::quiet_NaN();
                   return 1 + valueAt(b.total);
               },
               true);
    std::lock_guard<std::mutex> lock(m_cacheLock);
    m_cache = r;
    return r;
}

double AdvisorSolution::roundsBeforeRoll(qint32 total, qint32 roundPoints, int dice) const
{
    if (!m_winnable || total >= m_winner || dice < 1 || dice > 6)
        return total == m_winner ? 0 : std::numeric_limits<double>::infinity();
    const auto r = roundAt(total);
    const int j = std::max(0, roundPoints / 5);
    if (j > r->t.D)
        return r->t.dead[dice].v;
    return r->t.before[size_t(j) * kStride + dice].v;
}

QVector<AdvisorAction> AdvisorSolution::rankActions(qint32 total, qint32 roundPoints,
                                                    const int rolled[7]) const
{
    QVector<AdvisorAction> out;
    if (!m_winnable || total >= m_winner)
        return out;
    const auto r = roundAt(total);
    int dice = 0;
    for (int f = 1; f <= 6; ++f)
        dice += std::max(0, rolled[f]);
    const auto bankAction = [&](const KeepOption &k) {
        AdvisorAction a;
        a.keep = k;
        a.bank = true;
        const BankOutcome b = bankOutcome(total, roundPoints + k.points, m_winner, m_valid);
        a.refused = !b.accepted();
        a.rounds = a.refused ? 1 + r->alpha : 1 + valueAt(b.total);
        return a;
    };
    if (roundPoints > 0)
        out.append(bankAction(KeepOption{}));
    for (const KeepOption &k : legalKeeps(rolled)) {
        out.append(bankAction(k));
        AdvisorAction a;
        a.keep = k;
        a.diceNext = k.kept >= dice ? 6 : dice - k.kept;
        const int j = (roundPoints + k.points) / 5;
        a.rounds = j > r->t.D ? r->t.dead[a.diceNext].v : r->t.before[size_t(j) * kStride + a.diceNext].v;
        out.append(a);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const AdvisorAction &a, const AdvisorAction &b) { return a.rounds < b.rounds; });
    return out;
}

// ---------------------------------------------------------------- the solver
//
// The round at a total is solved on its points only up to a cap: above it a
// bank is certified to be best by one look ahead, which is enough because
// points only grow within a round. The look ahead's gain depends on the
// absolute total banked alone, so it is found once per pass for every total,
// and the check per round and row is a single comparison.

namespace {

// The option a policy takes from one group of rolls at one row, counted from
// the group's first option; -1 takes nothing (banks). No group has more than
// a few dozen options.
using Pick = signed char;

// The dice tables of all counts in flat arrays, for the inner loops.
struct FlatDice
{
    double bust[7] = {};
    int groupBegin[8] = {};      // groups of n dice: [groupBegin[n], groupBegin[n + 1])
    std::vector<double> prob;    // per group
    std::vector<int> optEnd;     // per group, end of its options (begin is the previous end)
    std::vector<int> off;        // per option: points step * kStride + dice next
    std::vector<int> optBegin;   // per group

    FlatDice()
    {
        for (int n = 1; n <= 6; ++n) {
            const DiceTable &t = diceTable(n);
            bust[n] = t.bust;
            groupBegin[n] = int(prob.size());
            for (const Group &g : t.groups) {
                prob.push_back(g.prob);
                optBegin.push_back(int(off.size()));
                for (int o = g.begin; o < g.end; ++o)
                    off.push_back(t.opts[size_t(o)].off);
                optEnd.push_back(int(off.size()));
            }
        }
        groupBegin[7] = int(prob.size());
    }

    // The values before a roll of 1..6 dice into `w`, from the row of values
    // after taking dice at the same points; `none` is the value of taking
    // nothing (banking), F and P those of a bust and of the penalty. With
    // `lowest`, also keeps per group the lowest value, which tells the
    // option taken at little cost here (see spread()).
    void before(const double *row, double none, double F, double P, double w[7]) const
    {
        beforeImpl<false>(row, none, F, P, w, nullptr);
    }
    void beforeKeeping(const double *row, double none, double F, double P, double w[7], double *lowest) const
    {
        beforeImpl<true>(row, none, F, P, w, lowest);
    }

    template <bool Keep>
    void beforeImpl(const double *row, double none, double F, double P, double w[7], double *lowest) const
    {
        const int *of = off.data();
        for (int n = 1; n <= 6; ++n) {
            // Two groups at a time, each with two partial minima, so the
            // chains of dependent minima and sums run side by side.
            double acc0 = bust[n] * (n == 6 ? P : F), acc1 = 0;
            int g = groupBegin[n];
            const int gEnd = groupBegin[n + 1];
            int o = optBegin[size_t(g)];
            for (; g < gEnd; ++g) {
                const int oEnd = optEnd[size_t(g)];
                double b0 = none, b1 = none;
                for (; o + 1 < oEnd; o += 2) {
                    b0 = std::min(b0, row[of[o]]);
                    b1 = std::min(b1, row[of[o + 1]]);
                }
                if (o < oEnd)
                    b0 = std::min(b0, row[of[o++]]);
                const double b = std::min(b0, b1);
                if constexpr (Keep)
                    lowest[g] = b;
                const double t = prob[size_t(g)] * b;
                if (g & 1)
                    acc1 += t;
                else
                    acc0 += t;
            }
            w[n] = acc0 + acc1;
        }
    }
};

const FlatDice &flatDice()
{
    static const FlatDice f;
    return f;
}

constexpr int kBandReach = 200;  // refused rows above the cap still solved exactly (a band is 21 rows)
constexpr int kFill = 360;       // rows above the cap given their bank values
constexpr int kFirstCap = 40;    // cap of the first sweep, before anything is certified
constexpr int kZone = 40;        // rows before the winner where rolling on may pay whatever was risked

// The totals of one solve, as indices in steps of 5 from the floor.
struct Course
{
    qint32 winner = 0, floor = 0;
    bool valid = false;
    int N = 0;              // index of the winning total
    std::vector<char> ok;   // ok[k]: a bank that reaches index k (1..N) is accepted
    const std::vector<double> *V = nullptr;

    double bankValue(int k) const { return k == N ? 1.0 : 1.0 + (*V)[size_t(k)]; }
    // The value 100 below index i; below the floor the values go on in a straight line.
    double below(int i) const
    {
        const std::vector<double> &v = *V;
        if (i >= 20)
            return v[size_t(i) - 20];
        return v[0] + (v[0] - v[20]) / 20.0 * (20 - i);
    }
};

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

// A round as solved with `keepBefore`, seen through strides so that a round
// solved in a lane of a vector (see QuadRound) needs no copying out.
struct RoundPlay
{
    enum : unsigned char { Solved, Banks, Fails, Dead };

    int D, top, rows;
    double F;
    const Val *dead;            // dead[1..6]
    const unsigned char *kind;  // per row
    const double *bv;           // per solved row and dice
    const Pick *picks;          // per solved row and group; or, when null,
    const double *av;           // the values after taking dice and
    const double *lowest;       // per solved row and group the lowest value
    int stride;                 // elements between neighbouring entries of each table

    bool okRow(const Course &c, int i, int j) const { return j > 0 && j <= D && c.ok[size_t(i + j)]; }

    // Where the round at index i played by its policy ends: the chance of a
    // failure, of the penalty, and of each accepted bank (per step).
    void flow(const Course &c, int i, double &pf, double &pp, std::vector<double> &q) const
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
};

// One round at one total, solved on its points up to a cap.
struct FastRound
{
    enum : unsigned char { Solved = RoundPlay::Solved, Banks = RoundPlay::Banks, Fails = RoundPlay::Fails,
                           Dead = RoundPlay::Dead };

    int D = 0, J = 0, top = 0, rows = 0;
    double F = 0, P = 0;
    std::vector<double> av;     // after taking dice
    std::vector<double> bv;     // before a roll, solved rows
    std::vector<unsigned char> kind;
    Val dead[7] = {};
    std::vector<double> lowest; // with `keepBefore`: per solved row, groupBegin[7] lowest values

    void computeDead()
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

    bool okRow(const Course &c, int i, int j) const { return j > 0 && j <= D && c.ok[size_t(i + j)]; }

    // The round at index i for its own value alpha and the value 100 lower
    // beta, solving rows up to `cap`; returns the value before the first
    // roll. Keeps the values before a roll for `flow` when `keepBefore`.
    // Rows from `from` on (the stretch before the winner) are solved as well.
    double solve(const Course &c, int i, double alpha, double beta, int cap, int from, bool keepBefore)
    {
        begin(c, i, alpha, beta, cap, from, keepBefore);
        down(c, i, 0);
        return start;
    }

    // solve() in two steps: the set-up, then the rows from the top down to
    // `last`, so that rows needing only banks above `last` may run early.
    int next = 0, from = 0;
    bool keep = false;
    double start = 0;

    void begin(const Course &c, int i, double alpha, double beta, int cap, int fromRow, bool keepBefore)
    {
        const FlatDice &fd = flatDice();
        from = fromRow;
        keep = keepBefore;
        D = c.N - i;
        J = std::min(cap, D);
        top = J >= D || from <= D ? D : std::min(D, J + kFill);
        rows = top + kMaxStep + 1;
        F = 1 + alpha;
        P = 1 + beta;
        av.resize(size_t(rows) * kStride);
        kind.resize(size_t(rows));
        if (keepBefore) {
            bv.resize(size_t(top + 1) * kStride);
            lowest.resize(size_t(top + 1) * size_t(fd.groupBegin[7]));
        }
        if (top + kMaxStep > D)
            computeDead();

        const auto fill = [&](int j, unsigned char k, double v) {
            kind[size_t(j)] = k;
            double *a = av.data() + size_t(j) * kStride;
            for (int m = 1; m <= 6; ++m)
                a[m] = v;
        };
        for (int j = top + 1; j < rows; ++j) {
            if (j > D) {
                kind[size_t(j)] = Dead;
                for (int m = 1; m <= 6; ++m)
                    av[size_t(j) * kStride + m] = std::min(dead[m].v, F);
            } else if (c.ok[size_t(i + j)]) {
                fill(j, Banks, c.bankValue(i + j));
            } else {
                fill(j, Fails, F);
            }
        }
        next = top;
        start = 0;
    }

    void down(const Course &c, int i, int last)
    {
        const FlatDice &fd = flatDice();
        const int G = fd.groupBegin[7];
        const auto fill = [&](int j, unsigned char k, double v) {
            kind[size_t(j)] = k;
            double *a = av.data() + size_t(j) * kStride;
            for (int m = 1; m <= 6; ++m)
                a[m] = v;
        };
        for (int j = next; j >= last; --j) {
            const bool ok = okRow(c, i, j);
            if (j > J && j < from && (ok || j > J + kBandReach)) {
                if (ok)
                    fill(j, Banks, c.bankValue(i + j));
                else
                    fill(j, Fails, F);
                continue;
            }
            kind[size_t(j)] = Solved;
            const double bank = j == 0 ? std::numeric_limits<double>::infinity() : ok ? c.bankValue(i + j) : F;
            const double *row = av.data() + size_t(j) * kStride;
            double w[7];
            if (keep)
                fd.beforeKeeping(row, bank, F, P, w, lowest.data() + size_t(j) * G);
            else
                fd.before(row, bank, F, P, w);
            if (keep)
                std::copy(w + 1, w + 7, bv.begin() + ptrdiff_t(j) * kStride + 1);
            if (j > 0) {
                double *out = av.data() + size_t(j) * kStride;
                for (int m = 1; m <= 6; ++m)
                    out[m] = w[m] <= bank ? w[m] : bank;
            } else {
                start = w[6];
            }
        }
        next = std::min(next, last - 1);
    }

    RoundPlay play() const
    {
        return RoundPlay{D, top, rows, F, dead, kind.data(), bv.data(), nullptr, av.data(), lowest.data(), 1};
    }
};

// Four rounds at once, one per lane of a vector: their rows share the dice
// tables and differ only in the values, so every option is one load and one
// minimum for all four. Each lane's rows are filled or solved exactly as
// FastRound would, so its values and policy are FastRound's to the bit.
constexpr int kLanes = 4;
// Aligned as plain doubles: the tables live in ordinary vectors.
typedef double Quad __attribute__((vector_size(kLanes * sizeof(double)), aligned(sizeof(double))));

typedef int PickInts __attribute__((vector_size(kLanes * sizeof(int))));
typedef signed char PickBytes __attribute__((vector_size(kLanes * sizeof(int))));

// With `Picking`, also notes per group the option each lane takes, as the
// scalar row does (ties go to the earlier option).
template<bool Picking>
inline __attribute__((always_inline)) void beforeQuadBody(const Quad *row, const Quad &none, const Quad &F,
                                                          const Quad &P, Quad w[7], Pick *picks)
{
    const FlatDice &fd = flatDice();
    const int *of = fd.off.data();
    for (int n = 1; n <= 6; ++n) {
        Quad acc0 = fd.bust[n] * (n == 6 ? P : F), acc1 = Quad{} ;
        int g = fd.groupBegin[n];
        const int gEnd = fd.groupBegin[n + 1];
        int o = fd.optBegin[size_t(g)];
        for (; g < gEnd; ++g) {
            const int oEnd = fd.optEnd[size_t(g)];
            Quad b0 = none, b1 = none;
            // Picks are counted in doubles alongside: c0 and c1 number the options.
            Quad p0 = Quad{} - 1, p1 = p0, c0 = Quad{}, c1 = c0 + 1;
            for (; o + 1 < oEnd; o += 2) {
                const Quad x0 = row[of[o]], x1 = row[of[o + 1]];
                if constexpr (Picking) {
                    p0 = x0 < b0 ? c0 : p0;
                    p1 = x1 < b1 ? c1 : p1;
                    c0 += 2;
                    c1 += 2;
                }
                b0 = x0 < b0 ? x0 : b0;
                b1 = x1 < b1 ? x1 : b1;
            }
            if (o < oEnd) {
                const Quad x0 = row[of[o]];
                if constexpr (Picking)
                    p0 = x0 < b0 ? c0 : p0;
                b0 = x0 < b0 ? x0 : b0;
                ++o;
            }
            if constexpr (Picking) {
                const Quad pick = b1 < b0 || (b1 == b0 && p1 < p0) ? p1 : p0;
                const PickBytes bytes = PickBytes(__builtin_convertvector(pick, PickInts));
                const auto low = __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12);
                __builtin_memcpy(picks + ptrdiff_t(g) * kLanes, &low, kLanes);
            }
            const Quad t = fd.prob[size_t(g)] * (b1 < b0 ? b1 : b0);
            if (g & 1)
                acc1 += t;
            else
                acc0 += t;
        }
        w[n] = acc0 + acc1;
    }
}

// Only worth it with wide registers: AVX2 on x86-64, chosen at run time. Other
// processors, and builds without KORVEX_WIDE_VECTORS, solve rounds one by one.
#if defined(KORVEX_WIDE_VECTORS) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KORVEX_AVX2 1
#define KORVEX_WIDE_TARGET __attribute__((target("avx2")))
#else
#define KORVEX_AVX2 0
#define KORVEX_WIDE_TARGET
#endif

KORVEX_WIDE_TARGET void beforeQuad(const Quad *row, const Quad &none, const Quad &F, const Quad &P, Quad w[7])
{
    beforeQuadBody<false>(row, none, F, P, w, nullptr);
}
KORVEX_WIDE_TARGET void beforeQuadPicking(const Quad *row, const Quad &none, const Quad &F, const Quad &P,
                                          Quad w[7], Pick *picks)
{
    beforeQuadBody<true>(row, none, F, P, w, picks);
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

struct QuadRound
{
    struct Lane
    {
        int i = 0, D = 0, J = 0, top = 0, from = 0;
        double F = 0, P = 0;
        Val dead[7] = {};
    };
    Lane lane[kLanes];
    int top = 0, rows = 0;
    std::vector<double> avStore, bvStore;
    Quad *av = nullptr, *bv = nullptr;
    std::vector<unsigned char> kind; // per row and lane
    std::vector<Pick> picks;         // with `picking`: per solved row, group and lane
    FastRound scratch;

    // Lanes past `count` repeat the last one.
    void solve(const Course &c, const int *is, const double *alphas, const double *betas,
               const int *caps, const int *froms, int count, bool picking)
    {
        top = 0;
        for (int l = 0; l < kLanes; ++l) {
            const int k = std::min(l, count - 1);
            Lane &L = lane[l];
            L.i = is[k];
            L.D = c.N - L.i;
            L.J = std::min(caps[k], L.D);
            L.from = froms[k];
            L.top = L.J >= L.D || L.from <= L.D ? L.D : std::min(L.D, L.J + kFill);
            L.F = 1 + alphas[k];
            L.P = 1 + betas[k];
            if (L.top + kMaxStep > L.D) {
                scratch.F = L.F;
                scratch.P = L.P;
                scratch.computeDead();
                std::copy(scratch.dead, scratch.dead + 7, L.dead);
            }
            top = std::max(top, L.top);
        }
        rows = top + kMaxStep + 1;
        avStore.resize(size_t(rows) * kStride * kLanes);
        bvStore.resize(size_t(top + 1) * kStride * kLanes);
        av = reinterpret_cast<Quad *>(avStore.data());
        bv = reinterpret_cast<Quad *>(bvStore.data());
        kind.resize(size_t(rows) * kLanes);
        const int G = flatDice().groupBegin[7];
        if (picking)
            picks.resize(size_t(top + 1) * size_t(G) * kLanes);

        // Per lane: the kind of each row and the values of the rows it fills.
        std::vector<char> solvedAny(size_t(top + 1), 0);
        for (int l = 0; l < kLanes; ++l) {
            const Lane &L = lane[l];
            for (int j = 0; j < rows; ++j) {
                unsigned char k;
                double v = 0;
                const bool ok = j > 0 && j <= L.D && c.ok[size_t(L.i + j)];
                if (j > L.top) {
                    k = j > L.D ? FastRound::Dead : ok ? FastRound::Banks : FastRound::Fails;
                } else if (j > L.J && j < L.from && (ok || j > L.J + kBandReach)) {
                    k = ok ? FastRound::Banks : FastRound::Fails;
                } else {
                    k = FastRound::Solved;
                    solvedAny[size_t(j)] = 1;
                }
                kind[size_t(j) * kLanes + l] = k;
                if (k == FastRound::Solved)
                    continue;
                Quad *a = av + size_t(j) * kStride;
                for (int m = 1; m <= 6; ++m) {
                    if (k == FastRound::Dead)
                        v = std::min(L.dead[m].v, L.F);
                    else if (k == FastRound::Banks)
                        v = c.bankValue(L.i + j);
                    else
                        v = L.F;
                    a[m][l] = v;
                }
            }
        }

        const Quad F{lane[0].F, lane[1].F, lane[2].F, lane[3].F};
        const Quad P{lane[0].P, lane[1].P, lane[2].P, lane[3].P};
        for (int j = top; j >= 0; --j) {
            if (!solvedAny[size_t(j)])
                continue;
            Quad bank;
            for (int l = 0; l < kLanes; ++l) {
                const Lane &L = lane[l];
                const bool ok = j > 0 && j <= L.D && c.ok[size_t(L.i + j)];
                bank[l] = j == 0 ? std::numeric_limits<double>::infinity() : ok ? c.bankValue(L.i + j) : L.F;
            }
            Quad w[7];
            if (picking)
                beforeQuadPicking(av + size_t(j) * kStride, bank, F, P, w, picks.data() + size_t(j) * G * kLanes);
            else
                beforeQuad(av + size_t(j) * kStride, bank, F, P, w);
            for (int m = 1; m <= 6; ++m) // a plain loop: std::copy would assume whole-vector alignment
                bv[size_t(j) * kStride + m] = w[m];
            if (j == 0)
                continue;
            Quad *out = av + size_t(j) * kStride;
            for (int l = 0; l < kLanes; ++l) {
                if (kind[size_t(j) * kLanes + l] != FastRound::Solved)
                    continue;
                for (int m = 1; m <= 6; ++m)
                    out[m][l] = w[m][l] <= bank[l] ? w[m][l] : bank[l];
            }
        }
    }

    double start(int l) const { return bv[6][l]; }

    // Lane l as solved, for its flow (needs a solve with `picking`).
    RoundPlay play(int l) const
    {
        const Lane &L = lane[l];
        return RoundPlay{L.D, L.top, L.top + kMaxStep + 1, L.F, L.dead, kind.data() + l,
                         bvStore.data() + l, picks.data() + l, nullptr, nullptr, kLanes};
    }
};

// Per pass, for every total a bank can reach: how much one more roll could
// gain over banking there at best (`gain`, per dice count). Rows where rolling
// on may pay whatever was risked -- the refused rows of a band and the last
// stretch before the winner -- are valued with fail values no higher than
// those of any round that checks a row reaching them, which keeps the gain an
// upper bound there. Such a stretch is valued at a few levels of fail values:
// rounds far below it fail at a higher cost, and their bound is tighter.
struct Certificate
{
    static constexpr int kLevels = 4;
    static constexpr int kLevelRows[kLevels] = {0, 100, 200, 400}; // how far below the stretch a round starts

    std::vector<double> gain;   // kLevels x (N + 1) x kStride
    std::vector<double> low;    // (N + kMaxStep + 1) x kStride, one level: bank values, bounds, +inf past the winner
    std::vector<char> special;
    std::vector<int> reaches;   // per row: first index of the stretch a roll can reach from it, or 0
    std::vector<double> phi;    // per first index of a stretch and level: its fail value
    int zone = 0;               // first index of the stretch before the winner

    void build(const Course &c, int zoneRows)
    {
        const FlatDice &fd = flatDice();
        const int N = c.N;
        const std::vector<double> &V = *c.V;
        const double inf = std::numeric_limits<double>::infinity();
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
                fd.before(x, b, f, f, w);
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
                fd.before(low.data() + size_t(k) * kStride, b, b, b, w);
                double *g = gain.data() + (size_t(level) * (N + 1) + size_t(k)) * kStride;
                for (int n = 1; n <= 6; ++n)
                    g[n] = b - w[n];
            }
        }
    }

    // The lowest cap above which banking is best in the round at index i:
    // every row above it banks except in the stretches, which the round
    // solves exactly where it can reach them (see from()).
    int cap(const Course &c, int i, double alpha, double beta) const
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

    // The first row of the round at index i solved in full: the stretch
    // before the winner when the rows up to the cap reach it.
    int from(int i, int cap) const { return i + cap + kMaxStep >= zone ? zone - i : std::numeric_limits<int>::max(); }
};

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

// The values of the start of a round per total, and the policy's outcome
// distributions from the last time each total's round was solved.
struct Solver
{
    Course c;
    std::vector<double> &V;
    std::vector<double> pf, pp;
    std::vector<std::vector<double>> q;
    std::atomic<bool> cancelled{false};
    std::atomic<int> done{0};

    Solver(qint32 w, qint32 f, bool v, std::vector<double> &values) : V(values)
    {
        c.winner = w;
        c.floor = f;
        c.valid = v;
        c.N = (w - f) / 5;
        c.V = &V;
        c.ok.assign(size_t(c.N) + 1, 0);
        for (int k = 1; k <= c.N; ++k)
            c.ok[size_t(k)] = bankReaching(f + 5 * k, w, v);
        V.assign(size_t(c.N) + 1, 0.0);
        pf.assign(size_t(c.N), 0.0);
        pp.assign(size_t(c.N), 0.0);
        q.resize(size_t(c.N));
    }

    // Records the outcomes of the policy of the round just solved in `r`
    // (with `keepBefore`) and returns that policy's value with its own value
    // consistent (one Newton step in the own value).
    double record(const Course &cc, const RoundPlay &r, int i, double beta)
    {
        double &f = pf[size_t(i)], &p = pp[size_t(i)];
        std::vector<double> &qi = q[size_t(i)];
        r.flow(cc, i, f, p, qi);
        double sum = 1 + p * beta;
        for (int j = 1; j < int(qi.size()) && i + j < cc.N; ++j)
            sum += qi[size_t(j)] * (*cc.V)[size_t(i + j)];
        return sum / (1 - f);
    }

    // The values of the recorded policy, by downward sweeps of its linear equations.
    void evaluate()
    {
        const int N = c.N;
        // Settled when no value moves by more than a few dozen units of its
        // last place: sweeps beyond that only trade rounding for rounding.
        const double settled = kPrecision * (1 + *std::max_element(V.begin(), V.end()));
        for (int it = 0; it < 100000; ++it) {
            double change = 0;
            for (int i = N - 1; i >= 0; --i) {
                const std::vector<double> &qi = q[size_t(i)];
                const int top = std::min(int(qi.size()) - 1, N - i - 1);
                const double v = (1 + pp[size_t(i)] * c.below(i) + dot(qi.data() + 1, V.data() + i + 1, top))
                        / (1 - pf[size_t(i)]);
                change = std::max(change, std::fabs(v - V[size_t(i)]));
                V[size_t(i)] = v;
            }
            if (change < settled)
                break;
        }
    }
};

} // namespace

bool Advisor::everyThousandMatters(qint32 winner)
{
    for (qint64 t = -kFloorDepth; t <= std::min(winner, maxWinner); t += 5)
        if (bankReaching(t, winner, false) != bankReaching(t, winner, true))
            return true;
    return false;
}

std::shared_ptr<const AdvisorSolution> Advisor::solve(qint32 winner, bool valid, const Progress &progress)
{
    const auto started = std::chrono::steady_clock::now();
    auto s = std::make_shared<AdvisorSolution>();
    s->m_winner = winner;
    s->m_valid = valid;
    s->m_floor = -kFloorDepth;
    // Totals move in steps of 5 from 0; the winning bank must pass the band rule.
    s->m_winnable = winner >= 5 && winner <= maxWinner && winner % 5 == 0
            && bankReaching(winner, winner, valid);
    if (!s->m_winnable)
        return s;

    Solver sv(winner, s->m_floor, valid, s->m_v);
    // Progress never goes back; the first sweep takes about a quarter of the time.
    constexpr double kFirstShare = 0.25;
    double shown = 0;
    const auto report = [&](double p) {
        shown = std::max(shown, p);
        return progress(shown);
    };
    std::vector<double> &V = s->m_v;
    const int N = sv.c.N;
    // First sweep, downwards so every bank lands on a value already found;
    // the round's own value and the one 100 lower are not known yet and are
    // guessed from the values two steps up and beyond. So a round's rows from
    // two steps up need nothing of the round just above it, and two threads
    // take turns: one solves those rows while the other finishes its round.
    std::atomic<int> known{N}; // V[k] is final for every k >= known
    const auto firstSweep = [&](int first, bool reports) {
        FastRound r;
        const auto vAt = [&](int k) { return k <= N ? V[size_t(k)] : 0.0; };
        const auto await = [&](int k) {
            while (known.load(std::memory_order_acquire) > k) {
                if (sv.cancelled)
                    return false;
                std::this_thread::yield();
            }
            return true;
        };
        for (int i = N - 1 - first; i >= 0; i -= 2) {
            if (!await(i + 2))
                return;
            if (reports && progress && (i % 16) < 2 && !report(kFirstShare * double(N - i) / N)) {
                sv.cancelled = true;
                return;
            }
            const double slope = i + 22 <= N ? V[size_t(i) + 2] - V[size_t(i) + 22] : 0.5;
            const double beta = vAt(i + 2) + std::max(0.0, slope);
            const double guess = i + 3 <= N ? 3 * V[size_t(i) + 2] - 2 * V[size_t(i) + 3] : 0.5;
            const double alpha = std::max(guess, vAt(i + 2));
            const int J = std::min(kFirstCap, N - i);
            r.begin(sv.c, i, alpha, beta, J, i + J + kMaxStep >= N - kZone ? N - kZone - i : std::numeric_limits<int>::max(), true);
            r.down(sv.c, i, 2);
            if (!await(i + 1))
                return;
            r.down(sv.c, i, 0);
            V[size_t(i)] = sv.record(sv.c, r.play(), i, beta);
            known.store(i, std::memory_order_release);
        }
    };
    {
        std::thread helper(firstSweep, 1, false);
        firstSweep(0, true);
        helper.join();
    }
    if (sv.cancelled)
        return nullptr;

    // Policy iteration: exact values of the policy, then every total's round
    // solved again against them (the totals are independent now, so two
    // threads share them); stop when no round finds anything better.
    int sweeps = 1;
    Certificate cert;
    for (; sweeps < 50; ++sweeps) {
        // The first pass only carries the values a step on, which moves most
        // policies near their best before any is recorded; the next records
        // every round, and from then on only the rounds that improve.
        const bool carryOnly = sweeps == 1;
        const bool recordAll = sweeps == 2;
        if (!recordAll)
            sv.evaluate();
        const std::vector<double> fixed = V;
        const double largest = *std::max_element(fixed.begin(), fixed.end());
        // Rounding can still tip a near tie one way and then the other; from
        // the sixth pass on the tolerance doubles each pass, so the passes end.
        const double tolerance = std::max(kTarget / (1 + largest), kPrecision * (1 + largest))
                * std::ldexp(1.0, std::max(0, sweeps - 5));
        Course fc = sv.c; // the rounds are solved against the values of the last evaluation
        fc.V = &fixed;
        cert.build(fc, kZone);
        std::atomic<int> changed{0};
        sv.done = 0;
        const auto worker = [&](int first, bool reports) {
            FastRound w;
            QuadRound quad;
            const int lanes = quadsPay() ? kLanes : 1;
            for (int i0 = N - 1 - first; i0 >= 0; i0 -= 2 * lanes) {
                if (sv.cancelled)
                    return;
                int is[kLanes], caps[kLanes], froms[kLanes], count = 0;
                double alphas[kLanes], betas[kLanes];
                for (int i = i0; i >= 0 && count < lanes; i -= 2, ++count) {
                    is[count] = i;
                    alphas[count] = fixed[size_t(i)];
                    betas[count] = fc.below(i);
                    caps[count] = cert.cap(fc, i, alphas[count], betas[count]);
                    froms[count] = cert.from(i, caps[count]);
                }
                double starts[kLanes] = {};
                if (lanes == 1)
                    starts[0] = w.solve(fc, is[0], alphas[0], betas[0], caps[0], froms[0], true);
                else
                    quad.solve(fc, is, alphas, betas, caps, froms, count, recordAll);
                // Most rounds confirm their value; the others record their better policy.
                bool recording[kLanes] = {}, any = false;
                for (int l = 0; l < count; ++l) {
                    const double a = lanes == 1 ? starts[0] : quad.start(l);
                    if (carryOnly)
                        V[size_t(is[l])] = a;
                    else
                        any |= recording[l] = recordAll || std::fabs(a - alphas[l]) > tolerance;
                }
                if (carryOnly)
                    changed.fetch_add(count);
                // The picks of the options taken are only noted when needed:
                // solving again with them gives the same values to the bit.
                if (any && lanes > 1 && !recordAll)
                    quad.solve(fc, is, alphas, betas, caps, froms, count, true);
                for (int l = 0; l < count; ++l) {
                    if (!recording[l])
                        continue;
                    V[size_t(is[l])] = sv.record(fc, lanes > 1 ? quad.play(l) : w.play(), is[l], betas[l]);
                    changed.fetch_add(1);
                }
                const int d = sv.done.fetch_add(count) + count;
                // Most solves take four passes; a bar that has to wait for a
                // fifth stands still rather than going back.
                const double passes = std::max(4, sweeps + 1);
                if (reports && progress && (d % 16) < 2 * kLanes
                    && !report(std::min(0.99, kFirstShare + (1 - kFirstShare) * (sweeps - 1 + double(d) / N) / passes)))
                    sv.cancelled = true;
            }
        };
        std::thread helper(worker, 1, false);
        worker(0, true);
        helper.join();
        if (sv.cancelled)
            return nullptr;
        if (changed == 0)
            break;
    }
    s->m_sweeps = sweeps;
    s->m_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (progress)
        progress(1.0);
    return s;
}
