// Value iteration over whole rounds. Inside a round the only state is the
// points collected so far and the dice to roll next; everything a round can
// end in is a bank (worth the rounds still needed from the new total), a
// failure (bust or refused bank: the rounds needed from the same total) or the
// penalty (from the total 100 lower). So for one total the round is solved
// backwards over its points, and the two values that loop back into it -- the
// total itself and the total 100 lower -- are settled by Newton steps on the
// first and by repeated downward sweeps on the second.
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
constexpr double kTolerance = 1e-10;
// Totals below this many points under zero are never solved: each further 100
// down needs one more bust of all six dice (at most about 4 % a round) before
// anything is banked, so they weigh less than 1e-12 in any value above zero.
constexpr qint32 kFloorDepth = 1000;

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

    // Solves the round for the given value of its own total (alpha) and of
    // the total 100 lower (beta); `banked(j)` is the value of an accepted
    // bank of j steps, or NaN when it is refused.
    template<typename Banked>
    Val solve(int d, double alpha, double beta, Banked &&banked, bool keepBefore, bool withD = true)
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
                if (withD) {
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
                } else {
                    // Values only: a branch-free minimum.
                    for (const Group &g : t.groups) {
                        double best = none.v;
                        for (int o = g.begin; o < g.end; ++o)
                            best = std::min(best, row[opts[o].off].v);
                        acc.v += g.prob * best;
                    }
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

    // Where a round played by the policy just solved ends: the chance of a
    // failure, of the penalty, and of each accepted bank (per step, 1..D).
    // Needs the tables of a solve with `keepBefore`.
    void flow(double alpha, double &pf, double &pp, double *q) const
    {
        const int top = D + kMaxStep;
        pf = pp = 0;
        std::fill(q, q + D + 1, 0.0);
        std::vector<double> pm(size_t(D + 1) * kStride, 0.0), am(size_t(top + 1) * kStride, 0.0);
        pm[6] = 1;
        const double fail = 1 + alpha;
        for (int j = 0; j <= top; ++j) {
            for (int m = 1; j > 0 && m <= 6; ++m) {
                const double a = am[size_t(j) * kStride + m];
                if (a == 0)
                    continue;
                if (j > D) {
                    if (dead[m].v < fail) {
                        pf += a * dead[m].d;
                        pp += a * (1 - dead[m].d);
                    } else {
                        pf += a;
                    }
                } else if (before[size_t(j) * kStride + m].v <= bank[j].v) {
                    pm[size_t(j) * kStride + m] += a;
                } else if (bank[j].d == 0) {
                    q[j] += a;
                } else {
                    pf += a;
                }
            }
            if (j > D)
                continue;
            const Val *row = after.data() + size_t(j) * kStride;
            const Val none = j > 0 ? bank[j] : Val{std::numeric_limits<double>::infinity(), 0};
            for (int n = 1; n <= 6; ++n) {
                const double mass = pm[size_t(j) * kStride + n];
                if (mass == 0)
                    continue;
                const DiceTable &t = diceTable(n);
                (n == 6 ? pp : pf) += mass * t.bust;
                const Opt *opts = t.opts.data();
                for (const Group &g : t.groups) {
                    double best = none.v;
                    int at = -1;
                    for (int o = g.begin; o < g.end; ++o) {
                        if (row[opts[o].off].v < best) {
                            best = row[opts[o].off].v;
                            at = opts[o].off;
                        }
                    }
                    const double mm = mass * g.prob;
                    if (at >= 0)
                        am[size_t(j) * kStride + at] += mm;
                    else if (bank[j].d == 0)
                        q[j] += mm;
                    else
                        pf += mm;
                }
            }
        }
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

namespace {

// The values of the start of a round per total, and the policy's outcome
// distributions from the last time each total's round was solved.
struct Solver
{
    qint32 winner, floor;
    bool valid;
    int N; // index of the winning total
    std::vector<double> &V;
    std::vector<double> pf, pp, q;
    std::vector<size_t> qAt;
    std::atomic<bool> cancelled{false};
    std::atomic<int> done{0};

    Solver(qint32 w, qint32 f, bool v, std::vector<double> &values)
        : winner(w), floor(f), valid(v), N((w - f) / 5), V(values)
    {
        V.assign(size_t(N) + 1, 0.0);
        pf.assign(size_t(N), 0.0);
        pp.assign(size_t(N), 0.0);
        qAt.resize(size_t(N) + 1);
        size_t at = 0;
        for (int i = 0; i < N; ++i) {
            qAt[size_t(i)] = at;
            at += size_t(N - i) + 1;
        }
        q.assign(at, 0.0);
    }

    // The value 100 below total i; below the floor the values go on in a straight line.
    double below(const std::vector<double> &v, int i) const
    {
        if (i >= 20)
            return v[size_t(i) - 20];
        return v[0] + (v[0] - v[20]) / 20.0 * (20 - i);
    }

    // The round at total i against the values `v`, for its own value
    // `alpha`. `newton`: the value found by one Newton step in the own value,
    // repeated until the policy settles when `settle`, with the policy's
    // outcomes recorded; otherwise the plain one-step value.
    double solveAt(int i, const std::vector<double> &v, double alpha, double beta, RoundTables &work,
                   std::vector<char> &ok, bool newton, bool settle)
    {
        const qint32 total = floor + 5 * i;
        const int D = N - i;
        ok.assign(size_t(D) + 1, 0);
        for (int j = 1; j <= D; ++j)
            ok[size_t(j)] = bankOutcome(total, 5 * j, winner, valid).accepted();
        const auto banked = [&](int j) {
            return ok[size_t(j)] ? (i + j == N ? 1.0 : 1 + v[size_t(i + j)])
                                 : std::numeric_limits<double>::quiet_NaN();
        };
        if (!newton)
            return work.solve(D, alpha, beta, banked, false, false).v;
        for (int it = 0;; ++it) {
            const Val r = work.solve(D, alpha, beta, banked, true, true);
            double next = r.d < 1 ? (r.v - r.d * alpha) / (1 - r.d) : r.v;
            if (!std::isfinite(next))
                next = r.v;
            const bool settled = std::fabs(next - alpha) <= 1e-13 * std::max(1.0, alpha);
            if (!settle || settled || it == 50) {
                // The tables belong to the last alpha; their policy is the one recorded.
                work.flow(alpha, pf[size_t(i)], pp[size_t(i)], q.data() + qAt[size_t(i)]);
                return next;
            }
            alpha = next;
        }
    }

    // The values of the recorded policy, by downward sweeps of its linear equations.
    void evaluate()
    {
        for (int it = 0; it < 100000; ++it) {
            double change = 0;
            for (int i = N - 1; i >= 0; --i) {
                const double *qi = q.data() + qAt[size_t(i)];
                double sum = 1 + pp[size_t(i)] * below(V, i);
                for (int j = 1; i + j < N; ++j)
                    sum += qi[j] * V[size_t(i + j)];
                const double v = sum / (1 - pf[size_t(i)]);
                change = std::max(change, std::fabs(v - V[size_t(i)]));
                V[size_t(i)] = v;
            }
            if (change < 1e-14)
                break;
        }
    }
};

} // namespace

std::shared_ptr<const AdvisorSolution> Advisor::solve(qint32 winner, bool valid, const Progress &progress)
{
    const auto started = std::chrono::steady_clock::now();
    auto s = std::make_shared<AdvisorSolution>();
    s->m_winner = winner;
    s->m_valid = valid;
    s->m_floor = -kFloorDepth;
    // Totals move in steps of 5 from 0; the winning bank must pass the band rule.
    s->m_winnable = winner >= 5 && winner <= maxWinner && winner % 5 == 0
            && bankOutcome(winner - 5, 5, winner, valid).accepted();
    if (!s->m_winnable)
        return s;

    Solver sv(winner, s->m_floor, valid, s->m_v);
    std::vector<double> &V = s->m_v;
    const int N = sv.N;
    RoundTables work;
    std::vector<char> ok;

    // First sweep, downwards so every bank lands on a value already found;
    // the total 100 lower is not known yet and is guessed from the slope above.
    for (int i = N - 1; i >= 0; --i) {
        if (progress && (i % 16) == 0 && !progress(0.5 * double(N - i) / N))
            return nullptr;
        const double slope = i + 21 <= N ? V[size_t(i) + 1] - V[size_t(i) + 21] : 0.5;
        const double beta = V[size_t(i) + 1] + std::max(0.0, slope);
        const double guess = i + 2 <= N ? 2 * V[size_t(i) + 1] - V[size_t(i) + 2] : 0.5;
        V[size_t(i)] = sv.solveAt(i, V, std::max(guess, V[size_t(i) + 1]), beta, work, ok, true, false);
    }

    // Policy iteration: exact values of the policy, then every total's round
    // solved again against them (the totals are independent now, so two
    // threads share them); stop when no round finds anything better.
    int sweeps = 1;
    for (; sweeps < 50; ++sweeps) {
        sv.evaluate();
        const std::vector<double> fixed = V;
        std::atomic<int> changed{0};
        sv.done = 0;
        const auto worker = [&](int first, bool reports) {
            RoundTables w;
            std::vector<char> okw;
            for (int i = N - 1 - first; i >= 0; i -= 2) {
                if (sv.cancelled)
                    return;
                const double beta = sv.below(fixed, i);
                // A first pass without recording: most rounds confirm their value.
                const double a = sv.solveAt(i, fixed, fixed[size_t(i)], beta, w, okw, false, false);
                if (std::fabs(a - fixed[size_t(i)]) > kTolerance * 0.1) {
                    V[size_t(i)] = sv.solveAt(i, fixed, a, beta, w, okw, true, true);
                    changed.fetch_add(1);
                }
                const int d = sv.done.fetch_add(1) + 1;
                if (reports && progress && (d % 16) == 0
                    && !progress(std::min(0.99, 0.5 + 0.5 * (sweeps - 1 + double(d) / N) / sweeps)))
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
