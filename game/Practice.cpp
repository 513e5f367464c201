// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Practice.h"

#include "game/Review.h"
#include "game/Scoring.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

namespace {

bool samePlay(const AdvisorAction &a, const AdvisorAction &b)
{
    return a.bank == b.bank && a.keep.sameAs(b.keep);
}

qint32 landingOf(const PracticePosition &p, const AdvisorAction &a)
{
    return qint32(std::clamp<qint64>(qint64(p.total) + p.roundPoints + a.keep.points, -(1 << 30), 1 << 30));
}

// The sentence's figures: why `best` beats `other`.
void explain(const PracticePosition &p, PracticeVerdict &v)
{
    const AdvisorAction &b = v.best, &o = v.other;
    v.bustBest = b.bank ? 0.0 : AdvisorSolution::bustChance(b.diceNext);
    v.bustOther = o.bank ? 0.0 : AdvisorSolution::bustChance(o.diceNext);
    if (o.bank && o.refused) {
        v.reason = PracticeReason::BankRefused;
        v.landing = landingOf(p, o);
        v.pastWinner = v.landing > p.winner;
    } else if (b.bank && !o.bank) {
        v.reason = PracticeReason::BustRisk;
    } else if (!b.bank && o.bank) {
        v.reason = PracticeReason::LowRisk;
    } else if (b.bank && o.bank) {
        v.reason = PracticeReason::BankTotal;
        v.landing = landingOf(p, b);
    } else if (b.diceNext != o.diceNext) {
        v.reason = PracticeReason::MoreDice;
    } else if (b.keep.points > o.keep.points) {
        v.reason = PracticeReason::MorePoints;
    } else if (b.keep.points < o.keep.points) {
        v.reason = PracticeReason::FewerPoints;
    } else {
        v.reason = PracticeReason::Same;
    }
}

} // namespace

// ---------------------------------------------------------------- positions

int PracticePosition::keptCount() const
{
    return diceIn(kept);
}

int PracticePosition::rolledCount() const
{
    return diceIn(rolled);
}

bool PracticePosition::sound() const
{
    for (int f = 1; f <= 6; ++f)
        if (kept[f] < 0 || kept[f] > 6 || rolled[f] < 0 || rolled[f] > 6)
            return false;
    const int r = rolledCount();
    return r >= 1 && r + keptCount() == 6 && !isBust(rolled) && winner >= 5 && winner <= Advisor::maxWinner
            && total % 5 == 0 && roundPoints % 5 == 0 && roundPoints >= 0 && roundPoints <= winner
            && total < winner && total > -Advisor::maxWinner;
}

bool PracticePosition::samePlace(const PracticePosition &o) const
{
    return winner == o.winner && band == o.band && total == o.total && roundPoints == o.roundPoints
            && std::equal(rolled + 1, rolled + 7, o.rolled + 1) && std::equal(kept + 1, kept + 7, o.kept + 1);
}

QString PracticePosition::facesText(const int counts[7])
{
    QStringList faces;
    for (int f = 1; f <= 6; ++f)
        for (int k = 0; k < counts[f]; ++k)
            faces << QString::number(f);
    return faces.isEmpty() ? QStringLiteral("-") : faces.join(QLatin1Char(' '));
}

// ---------------------------------------------------------------- verdicts

PracticeVerdict judgePractice(const AdvisorSolution &solution, const PracticePosition &p, const PracticeChoice &c)
{
    PracticeVerdict v;
    if (!p.sound())
        return v;
    const QVector<AdvisorAction> ranking = solution.rankActions(p.total, p.roundPoints, p.rolled);
    if (ranking.isEmpty())
        return v;
    v.best = ranking.first();
    for (int k = 0; k < ranking.size() && k < PracticeRules::topCount; ++k)
        v.top.append(ranking[k]);
    for (int k = 0; k < ranking.size(); ++k) {
        const AdvisorAction &a = ranking[k];
        if (a.bank != c.bank || !a.keep.sameAs(c.keep))
            continue;
        v.legal = true;
        v.chosen = a;
        v.rank = k + 1;
        while (v.rank > 1 && ranking[v.rank - 2].rounds == a.rounds)
            v.rank -= 1;
        v.cost = std::max(0.0, a.rounds - v.best.rounds);
        v.answeredBest = v.cost <= PracticeRules::bestWithin;
        break;
    }
    // The reason compares the best with the play made, or, for the best play,
    // with the next play that differs from it.
    if (v.legal && !samePlay(v.chosen, v.best)) {
        v.other = v.chosen;
    } else if (ranking.size() > 1) {
        v.other = ranking[1];
    } else {
        v.other = v.best;
    }
    explain(p, v);
    return v;
}

PracticeChoice plainPlay(const PracticePosition &p)
{
    PracticeChoice c;
    for (int f = 1; f <= 6; ++f) {
        const bool single = singlePoints(f) > 0;
        if (single || p.rolled[f] >= 3)
            c.keep.count[f] = p.rolled[f];
        c.keep.kept += c.keep.count[f];
        if (single && p.rolled[f] >= 3)
            (f == 1 ? c.keep.onesEntry : c.keep.fivesEntry) = 0;
    }
    c.keep.points = keepPoints(c.keep.count);
    const int left = c.keep.kept >= p.rolledCount() ? 6 : p.rolledCount() - c.keep.kept;
    c.bank = p.roundPoints + c.keep.points >= 300 || left <= 2;
    // Nobody banks into a refusal on purpose: then the plain player rolls on.
    if (c.bank && !bankOutcome(p.total, p.roundPoints + c.keep.points, p.winner, p.band).accepted())
        c.bank = false;
    return c;
}

PlainRule brokenRule(const PracticePosition &p, const AdvisorAction &best)
{
    const PracticeChoice plain = plainPlay(p);
    if (!std::equal(plain.keep.count + 1, plain.keep.count + 7, best.keep.count + 1))
        return PlainRule::TakeAll;
    // The same dice, valued otherwise in a choice list: none of the plain
    // rules is to blame, so the position teaches none of them.
    if (!plain.keep.sameAs(best.keep))
        return PlainRule::None;
    if (plain.bank == best.bank)
        return PlainRule::None;
    const int left = plain.keep.kept >= p.rolledCount() ? 6 : p.rolledCount() - plain.keep.kept;
    if (plain.bank && p.roundPoints + plain.keep.points < 300 && left <= 2)
        return PlainRule::BankFewDice;
    if (!plain.bank && left <= 2 && p.roundPoints + plain.keep.points < 300)
        return PlainRule::BankFewDice; // refused there, and the best play banks otherwise
    return PlainRule::BankAt300;
}

// ---------------------------------------------------------------- the built-in set

namespace {

// Every way to lay `n` dice, as counts per face, in a fixed order.
void multisets(int n, int face, FaceCounts &counts, QVector<FaceCounts> &out)
{
    if (face == 6) {
        counts[6] = n;
        out.append(counts);
        counts[6] = 0;
        return;
    }
    for (int k = n; k >= 0; --k) {
        counts[face] = k;
        multisets(n - k, face + 1, counts, out);
    }
    counts[face] = 0;
}

struct Candidate
{
    PracticePosition p;
    int zone = 0;
};

// The totals of the three stretches of a game (zone 0, 1, 2): its start,
// around the first band, its finish.
QVector<std::pair<qint32, int>> practiceTotals(qint32 w)
{
    QVector<std::pair<qint32, int>> totals;
    const auto addTotal = [&](qint32 t, int zone) {
        if (t < 0 || t >= w || t % 5 != 0)
            return;
        for (const auto &e : totals)
            if (e.first == t)
                return;
        totals.append({t, zone});
    };
    for (qint32 t : {0, 50, 100, 150, 200})
        addTotal(t, 0);
    for (qint32 t : {250, 300, 330, 350, 370, 390, 505, 550})
        addTotal(t, 1);
    for (qint32 d : {5, 10, 20, 25, 40, 50, 75, 100, 150, 200})
        addTotal(w - d, 2);
    return totals;
}

// The dice kept back from the round's earlier rolls and the points they
// brought, a hot-dice turn's points included where the round holds more.
struct Kept
{
    FaceCounts faces;
    qint32 points;
};
const Kept kKeptSets[] = {
    {{0, 0, 0, 0, 0, 0, 0}, 0},   {{0, 1, 0, 0, 0, 0, 0}, 10},  {{0, 0, 0, 0, 0, 1, 0}, 5},
    {{0, 1, 0, 0, 0, 1, 0}, 15},  {{0, 2, 0, 0, 0, 0, 0}, 20},  {{0, 1, 0, 0, 0, 2, 0}, 20},
    {{0, 3, 0, 0, 0, 0, 0}, 100}, {{0, 0, 0, 0, 0, 3, 0}, 50},  {{0, 3, 0, 0, 0, 1, 0}, 105},
    {{0, 1, 0, 0, 3, 0, 0}, 50},  {{0, 2, 0, 0, 0, 2, 0}, 30},  {{0, 0, 0, 3, 0, 1, 1}, 35},
    {{0, 0, 0, 0, 0, 0, 0}, 150}, {{0, 1, 0, 0, 0, 0, 0}, 210}, {{0, 2, 0, 0, 0, 0, 0}, 270},
    {{0, 3, 0, 0, 0, 0, 0}, 300}, {{0, 1, 0, 0, 0, 1, 0}, 315},
};

// Every position of those totals and kept dice where a plain rule loses
// against the best play, with what it loses.
QVector<Candidate> practiceCandidates(const AdvisorSolution &solution, bool band)
{
    const qint32 w = solution.winner();
    QVector<FaceCounts> rolls[7];
    for (int n = 1; n <= 6; ++n) {
        FaceCounts counts{};
        multisets(n, 1, counts, rolls[n]);
    }
    QVector<Candidate> found;
    for (const auto &[total, zone] : practiceTotals(w)) {
        for (const Kept &k : kKeptSets) {
            const int keptCount = diceIn(k.faces);
            if (k.points + total >= w && zone != 2)
                continue;
            const int n = 6 - keptCount;
            if (n < 1)
                continue;
            for (const auto &r : rolls[n]) {
                PracticePosition p;
                p.source = PracticeSource::BuiltIn;
                p.winner = w;
                p.band = band;
                p.total = total;
                p.roundPoints = k.points;
                std::copy(k.faces.begin(), k.faces.end(), p.kept);
                std::copy(r.begin(), r.end(), p.rolled);
                if (!p.sound())
                    continue;
                const PracticeVerdict v = judgePractice(solution, p, plainPlay(p));
                // Lessons, not curiosities: rolls of five or six alike are left out,
                // and so are the rare positions where the plain rule throws
                // whole games away.
                if (!v.legal || v.cost < 0.05 || v.cost > 3.0 || *std::max_element(r.begin() + 1, r.end()) >= 5)
                    continue;
                p.rule = brokenRule(p, v.best);
                if (p.rule == PlainRule::None)
                    continue;
                p.cost = v.cost;
                found.append({p, zone});
            }
        }
    }
    return found;
}

// Per stretch, the rules in turn, each time the costliest position left
// whose total is not yet used twice and whose dice were not yet shown.
QVector<PracticePosition> pickSpread(QVector<Candidate> found)
{
    constexpr int kPerZone = 12;
    QVector<PracticePosition> out;
    std::stable_sort(found.begin(), found.end(),
                     [](const Candidate &a, const Candidate &b) { return a.p.cost > b.p.cost; });
    for (int zone = 0; zone < 3; ++zone) {
        std::map<qint32, int> perTotal, perPoints;
        std::set<FaceCounts> seenRolls;
        std::vector<bool> used(size_t(found.size()), false);
        int taken = 0;
        bool progress = true;
        while (taken < kPerZone && progress) {
            progress = false;
            for (PlainRule rule : {PlainRule::TakeAll, PlainRule::BankAt300, PlainRule::BankFewDice}) {
                for (int i = 0; i < found.size() && taken < kPerZone; ++i) {
                    const Candidate &c = found[i];
                    // Rolls that differ only in dice that score nothing teach the same.
                    FaceCounts r{};
                    for (int f = 1; f <= 6; ++f) {
                        const bool counts = f == 1 || f == 5 || c.p.rolled[f] >= 3;
                        r[size_t(counts ? f : 0)] += c.p.rolled[f];
                    }
                    if (used[size_t(i)] || c.zone != zone || c.p.rule != rule || perTotal[c.p.total] >= 2
                        || perPoints[c.p.roundPoints] >= 3 || seenRolls.count(r))
                        continue;
                    used[size_t(i)] = true;
                    perTotal[c.p.total] += 1;
                    perPoints[c.p.roundPoints] += 1;
                    seenRolls.insert(r);
                    out.append(c.p);
                    taken += 1;
                    progress = true;
                    break;
                }
            }
        }
    }
    return out;
}

} // namespace

QVector<PracticePosition> builtInPractice(const AdvisorSolution &solution, bool band)
{
    if (!solution.winnable())
        return {};
    QVector<PracticePosition> out = pickSpread(practiceCandidates(solution, band));
    // A fixed order that mixes the stretches, so that the first few already show each.
    std::stable_sort(out.begin(), out.end(), [](const PracticePosition &a, const PracticePosition &b) {
        return a.total < b.total;
    });
    for (int i = 0; i < out.size(); ++i)
        out[i].due = -qint64(out.size()) + ((i * 7) % out.size());
    return out;
}

// ---------------------------------------------------------------- the player's own

QVector<PracticePosition> practiceFromReview(const GameRecord &record, const GameReview &review)
{
    QVector<PracticePosition> out;
    const auto &steps = record.steps();
    for (const ReviewDecision &d : review.decisions) {
        if (!d.valued || d.cost < PracticeRules::keepFrom || d.rollStep < 0 || d.rollStep >= int(steps.size()))
            continue;
        PracticePosition p;
        p.source = PracticeSource::Mine;
        p.winner = record.start().winner;
        p.band = record.start().valid;
        p.total = d.total;
        p.roundPoints = d.roundPoints;
        std::copy(d.rolled, d.rolled + 7, p.rolled);
        // The dice kept back show what they showed when last rolled this round.
        const RecordStep &roll = steps[size_t(d.rollStep)];
        int face[7] = {};
        for (int n = 1; n <= 6; ++n)
            face[n] = roll.faces[n] ? 0 : -1;
        for (int k = d.rollStep - 1; k >= 0 && steps[size_t(k)].kind != RecordStep::RoundEnd; --k)
            for (int n = 1; n <= 6; ++n)
                if (face[n] == -1 && steps[size_t(k)].kind == RecordStep::Roll && steps[size_t(k)].faces[n])
                    face[n] = steps[size_t(k)].faces[n];
        for (int n = 1; n <= 6; ++n)
            if (face[n] >= 1 && face[n] <= 6)
                p.kept[face[n]] += 1;
        // A record that does not tell the kept dice's faces shows them as ones.
        const int missing = 6 - p.rolledCount() - p.keptCount();
        if (missing > 0)
            p.kept[1] += missing;
        p.cost = d.cost;
        p.added = QDateTime::currentDateTime();
        if (p.sound())
            out.append(p);
    }
    return out;
}

// ---------------------------------------------------------------- the dice

void practiceLayout(const PracticePosition &p, PracticeDie out[7])
{
    int n = 1;
    for (int f = 1; f <= 6; ++f)
        for (int k = 0; k < p.kept[f] && n <= 6; ++k)
            out[n++] = PracticeDie{f, true};
    for (int f = 1; f <= 6; ++f)
        for (int k = 0; k < p.rolled[f] && n <= 6; ++k)
            out[n++] = PracticeDie{f, false};
    for (; n <= 6; ++n)
        out[n] = PracticeDie{1, true};
}

bool practiceToggle(const PracticeDie dice[7], bool selected[7], int n)
{
    int faces[7] = {};
    bool takeable[7] = {};
    for (int k = 1; k <= 6; ++k) {
        faces[k] = dice[k].face;
        takeable[k] = !dice[k].kept;
    }
    return toggleSelection(faces, takeable, selected, n);
}

void selectedCounts(const PracticeDie dice[7], const bool selected[7], int out[7])
{
    std::fill(out, out + 7, 0);
    for (int n = 1; n <= 6; ++n)
        if (selected[n] && !dice[n].kept && dice[n].face >= 1 && dice[n].face <= 6)
            out[dice[n].face] += 1;
}

PracticeChoice choiceOf(const int counts[7], int onesEntry, int fivesEntry, bool bank, bool *legal)
{
    PracticeChoice c;
    c.bank = bank;
    bool ok = true;
    for (int f = 1; f <= 6; ++f) {
        const int k = counts[f];
        if (k < 0 || k > 6) {
            ok = false;
            continue;
        }
        c.keep.count[f] = k;
        c.keep.kept += k;
        if (singlePoints(f) > 0 && k >= 3)
            // The list holds k - 1 entries: the full set, ..., all singles.
            (f == 1 ? c.keep.onesEntry : c.keep.fivesEntry) = std::clamp(f == 1 ? onesEntry : fivesEntry, 0, k - 2);
        else if (singlePoints(f) == 0 && k > 0 && k < 3)
            ok = false;
    }
    c.keep.points = keepPoints(c.keep.count, c.keep.onesEntry, c.keep.fivesEntry);
    if (c.keep.kept == 0 && !bank)
        ok = false;
    if (legal)
        *legal = ok;
    return c;
}

// ---------------------------------------------------------------- scheduling

bool practiceRulesMatch(const PracticePosition &p, const RuleSet &rules)
{
    return p.winner == rules.winner && (p.band == rules.band || !Advisor::everyThousandMatters(rules.winner));
}

int nextPractice(const QVector<PracticePosition> &list, const RuleSet &rules)
{
    const qint32 winner = rules.winner;
    const bool band = rules.band;
    const bool bandMatters = Advisor::everyThousandMatters(winner);
    int at = -1;
    for (int i = 0; i < list.size(); ++i) {
        const PracticePosition &p = list[i];
        if (p.winner != winner || (bandMatters && p.band != band) || !p.sound())
            continue;
        if (at < 0 || p.due < list[at].due)
            at = i;
    }
    return at;
}

qint64 dueAfter(bool answeredBest, qint64 turn, qint64 lastDue)
{
    return answeredBest ? std::max(lastDue, turn) + 1 : turn + PracticeRules::againAfter;
}
