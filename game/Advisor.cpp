// SPDX-License-Identifier: GPL-3.0-or-later
// The advisor's public face: the legal selections from a roll, the questions a
// solution answers, and the solve in its steps (the solver itself lives in
// game/advisor/). Policy iteration over whole rounds: inside a round the only
// state is the points collected so far and the dice to roll next; everything
// a round can end in is a bank (worth the rounds still needed from the new
// total), a failure (bust or refused bank: the rounds needed from the same
// total) or the penalty (from the total 100 lower). So for one total the round
// is solved backwards over its points, given the value of the total itself
// and of the total 100 lower.
#include "game/Advisor.h"
#include "game/GameLimits.h"
#include "game/Scoring.h"
#include "game/advisor/Policy.h"
#include "game/advisor/Round.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

using advisor::kStride;

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
            const bool single = singlePoints(f) > 0;
            if (single && k >= 3) {
                // One way per entry of the choice list: the full set, ..., all singles.
                for (int e = 0; e <= k - 2; ++e)
                    ways[f].append({k, e, setPoints(f, k, e)});
            } else if (single || k >= 3) {
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

// ---------------------------------------------------------------- the solution

// The round at one total solved in full, against the solution's values.
struct AdvisorSolution::Round
{
    qint32 total = 0;
    double alpha = 0;
    std::vector<double> values; // from the round's total (index 0) up to the winner
    advisor::Course course;
    advisor::Round<1> t;

    // The value before a roll of n dice with j steps of points collected.
    double before(int j, int n) const
    {
        return j > t.lane[0].D ? t.lane[0].dead[n].v : t.bv[size_t(j) * kStride + n];
    }
};

double AdvisorSolution::bustChance(int dice)
{
    return dice >= 1 && dice <= 6 ? advisor::flatDice().bust[dice] : 0.0;
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

bool AdvisorSolution::canWeigh(qint64 total, qint64 roundPoints) const
{
    return m_winnable && total % 5 == 0 && total >= GameLimits::lowestTotal && total <= m_winner
            && roundPoints >= 0 && roundPoints % 5 == 0 && roundPoints <= GameLimits::maxPoints;
}

double AdvisorSolution::roundsFromTotal(qint32 total) const
{
    if (m_winnable && total <= m_winner && !canWeigh(total))
        return std::numeric_limits<double>::quiet_NaN();
    return valueAt(total);
}

const std::vector<double> &AdvisorSolution::roundsDistribution() const
{
    static const std::vector<double> none;
    return hasDistribution() ? m_dist : none;
}

double AdvisorSolution::chanceWithin(int n) const
{
    const std::vector<double> &dist = roundsDistribution();
    double sum = 0;
    for (int k = 0; k < n && k < int(dist.size()); ++k)
        sum += dist[size_t(k)];
    return std::min(1.0, sum);
}

double AdvisorSolution::distributionMean() const
{
    if (!hasDistribution())
        return m_winnable ? roundsFromTotal(0) : std::numeric_limits<double>::infinity();
    double mean = m_tailRounds;
    for (size_t k = 0; k < m_dist.size(); ++k)
        mean += double(k + 1) * m_dist[k];
    return mean;
}

int AdvisorSolution::roundsForChance(double chance) const
{
    const std::vector<double> &dist = roundsDistribution();
    double sum = 0;
    for (size_t k = 0; k < dist.size(); ++k) {
        sum += dist[k];
        if (sum >= chance)
            return int(k + 1);
    }
    return int(dist.size()) + 1;
}

// Below the floor the values go on in a straight line, so a round there
// differs from the round at deepestRound() only by the value of its own total:
// every way the round can end moves by that much. That round answers for all
// the deeper ones, so no round is solved over a longer course than its own.
// (A bank from down there that reaches past the floor is valued on the
// straight line; so many points in one round are out of reach in practice.)
qint32 AdvisorSolution::deepestRound() const
{
    return m_floor - 2000;
}

std::shared_ptr<const AdvisorSolution::Round> AdvisorSolution::roundAt(qint32 total) const
{
    total = std::max(total, deepestRound());
    {
        std::lock_guard<std::mutex> lock(m_cacheLock);
        if (m_cache && m_cache->total == total)
            return m_cache;
    }
    auto r = std::make_shared<Round>();
    r->total = total;
    r->alpha = valueAt(total);
    // The totals a bank can reach, counted from this round's own.
    r->course = advisor::Course(m_winner, total, m_valid);
    r->values.resize(size_t(r->course.N) + 1);
    for (int k = 0; k <= r->course.N; ++k)
        r->values[size_t(k)] = valueAt(qint64(total) + 5 * k);
    r->course.V = &r->values;
    const advisor::RoundAsk ask{0, r->alpha, valueAt(qint64(total) + bustPenalty), r->course.N,
                                std::numeric_limits<int>::max()};
    r->t.solve(r->course, &ask, 1, advisor::Keep::Values);
    std::lock_guard<std::mutex> lock(m_cacheLock);
    m_cache = r;
    return r;
}

double AdvisorSolution::before(const Round &r, qint32 total, qint64 points, int dice) const
{
    // Points past every bank all lead to the same dead round.
    const int j = int(std::min<qint64>(points / 5, std::numeric_limits<int>::max()));
    const double shift = total == r.total ? 0.0 : valueAt(total) - r.alpha;
    return r.before(j, dice) + shift;
}

double AdvisorSolution::roundsBeforeRoll(qint32 total, qint32 roundPoints, int dice) const
{
    if (!m_winnable || total >= m_winner || dice < 1 || dice > 6)
        return total == m_winner ? 0 : std::numeric_limits<double>::infinity();
    if (!canWeigh(total, roundPoints))
        return std::numeric_limits<double>::quiet_NaN();
    return before(*roundAt(total), total, roundPoints, dice);
}

QVector<AdvisorAction> AdvisorSolution::rankActions(qint32 total, qint32 roundPoints,
                                                    const int rolled[7]) const
{
    QVector<AdvisorAction> out;
    if (!m_winnable || total >= m_winner || !canWeigh(total, roundPoints))
        return out;
    const auto r = roundAt(total);
    const double alpha = valueAt(total);
    int dice = 0;
    for (int f = 1; f <= 6; ++f)
        dice += std::clamp(rolled[f], 0, 6);
    const auto bankAction = [&](const KeepOption &k) {
        AdvisorAction a;
        a.keep = k;
        a.bank = true;
        const qint64 points = std::min<qint64>(qint64(roundPoints) + k.points, std::numeric_limits<qint32>::max());
        const BankOutcome b = bankOutcome(total, qint32(points), m_winner, m_valid);
        a.refused = !b.accepted();
        a.rounds = a.refused ? 1 + alpha : 1 + valueAt(b.total);
        return a;
    };
    if (roundPoints > 0)
        out.append(bankAction(KeepOption{}));
    for (const KeepOption &k : legalKeeps(rolled)) {
        out.append(bankAction(k));
        AdvisorAction a;
        a.keep = k;
        a.diceNext = k.kept >= dice ? 6 : dice - k.kept;
        a.rounds = before(*r, total, qint64(roundPoints) + k.points, a.diceNext);
        out.append(a);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const AdvisorAction &a, const AdvisorAction &b) { return a.rounds < b.rounds; });
    return out;
}

bool Advisor::everyThousandMatters(qint32 winner)
{
    for (qint64 t = -advisor::kFloorDepth; t <= std::min(winner, maxWinner); t += 5)
        if (advisor::bankReaching(t, {winner, false}) != advisor::bankReaching(t, {winner, true}))
            return true;
    return false;
}

std::shared_ptr<const AdvisorSolution> Advisor::solve(const RuleSet &rules, const Progress &progress)
{
    Steps steps = solveInSteps(rules, progress);
    if (steps.distribution && !steps.distribution([&progress] { return !progress || progress(1.0); }))
        return nullptr;
    return steps.solution;
}

Advisor::Steps Advisor::solveInSteps(const RuleSet &rules, const Progress &progress)
{
    const qint32 winner = rules.winner;
    const bool valid = rules.band;
    const auto started = std::chrono::steady_clock::now();
    auto s = std::make_shared<AdvisorSolution>();
    s->m_winner = winner;
    s->m_valid = valid;
    s->m_floor = -advisor::kFloorDepth;
    // Totals move in steps of 5 from 0; the winning bank must pass the band rule.
    s->m_winnable = winner >= 5 && winner <= maxWinner && winner % 5 == 0
            && advisor::bankReaching(winner, rules);
    if (!s->m_winnable)
        return {s, {}};

    advisor::Policy policy(winner, s->m_floor, valid, s->m_v, progress);
    if (!policy.firstSweep())
        return {};
    s->m_sweeps = policy.improve();
    if (s->m_sweeps == 0)
        return {};
    s->m_tailRounds = s->roundsFromTotal(0);
    s->m_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (progress)
        progress(1.0);
    if (winner > AdvisorSolution::distributionLimit)
        return {s, {}};
    // The spread of rounds follows the policy's outcomes through the game;
    // everything it writes is published by the flag, set last.
    auto outcomes = std::make_shared<advisor::Outcomes>(policy.takeOutcomes());
    auto distribution = [s, outcomes](const std::function<bool()> &goOn) {
        if (s->hasDistribution())
            return true;
        const auto begun = std::chrono::steady_clock::now();
        std::vector<double> dist;
        double tail = s->m_tailRounds;
        if (!advisor::winDistribution(*outcomes, s->m_v, int(-s->m_floor / 5), 1e-9, dist, tail, goOn))
            return false;
        s->m_dist = std::move(dist);
        s->m_tailRounds = tail;
        s->m_distSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        s->m_hasDistribution.store(true, std::memory_order_release);
        return true;
    };
    return {s, distribution};
}
