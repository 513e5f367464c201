// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Review.h"
#include "game/Scoring.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// Totals this far below the solution's floor are only reached from hand-made
// files; a round there would be solved over an ever longer course.
constexpr qint32 kBelowFloor = 2000;

bool bust(const int rolled[7])
{
    return rolled[1] == 0 && rolled[5] == 0 && rolled[2] < 3 && rolled[3] < 3 && rolled[4] < 3 && rolled[6] < 3;
}

struct Walker
{
    Walker(const AdvisorSolution &s, GameReview &review, qint32 w, bool v) : sol(s), r(review), winner(w), valid(v) {}
    const AdvisorSolution &sol;
    GameReview &r;
    qint32 winner;
    bool valid;

    // The position between two steps.
    bool known = false;     // the line's value `cur` is known
    double cur = kUnknown;
    bool afterRoll = false; // a choice is open: `rolled` holds the dice
    bool bustOpen = false;  // the roll was a bust; its round end follows
    int rolled[7] = {};
    int rollStep = -1;
    int diceNext = 6;
    QVector<AdvisorAction> ranking; // of the open choice

    bool valuable(qint64 total) const
    {
        return r.rulesMatch && sol.winnable() && total % 5 == 0 && total <= winner && total >= qint64(sol.floorTotal()) - kBelowFloor;
    }
    bool valuableRound(qint64 total, qint64 points) const
    {
        return valuable(total) && total < winner && points >= 0 && points % 5 == 0 && points <= winner;
    }
    // Expected rounds, this one included, right after a roll of these dice.
    double afterRollValue(qint32 total, qint32 points, const int dice[7], int count)
    {
        ranking.clear();
        if (!valuableRound(total, points) || count < 1 || count > 6)
            return kUnknown;
        if (bust(dice)) {
            // All six dice down to nothing cost 100 points; fewer lose the round's.
            const qint32 after = count == 6 ? bankOutcome(total, -100, winner, valid).total : total;
            return valuable(after) ? 1.0 + sol.roundsFromTotal(after) : kUnknown;
        }
        ranking = sol.rankActions(total, points, dice);
        return ranking.isEmpty() ? kUnknown : ranking.first().rounds;
    }
    // Moves the line to `value` after step i; `change` receives how far it moved.
    void moveTo(int i, double value, double *change)
    {
        const bool valueKnown = std::isfinite(value);
        if (known && valueKnown && change)
            *change += value - cur;
        if (!valueKnown) {
            r.unvalued += 1;
        } else if (!known && i >= 0) {
            // The line picks up again after a stretch it could not value.
            r.complete = false;
        }
        known = valueKnown;
        cur = valueKnown ? value : kUnknown;
        r.chart[size_t(i + 1)] = cur;
    }
};

bool sameKeep(const KeepOption &k, const RecordStep &s)
{
    for (int f = 1; f <= 6; ++f)
        if (k.count[f] != int(s.faces[f]))
            return false;
    return (k.count[1] < 3 || k.onesEntry == s.onesEntry) && (k.count[5] < 3 || k.fivesEntry == s.fivesEntry);
}

AdvisorAction playOf(const RecordStep &s, int diceBefore)
{
    AdvisorAction a;
    for (int f = 1; f <= 6; ++f) {
        a.keep.count[f] = s.faces[f];
        a.keep.kept += s.faces[f];
    }
    a.keep.onesEntry = a.keep.count[1] >= 3 ? s.onesEntry : -1;
    a.keep.fivesEntry = a.keep.count[5] >= 3 ? s.fivesEntry : -1;
    a.keep.points = s.points;
    a.bank = s.bank;
    a.diceNext = a.keep.kept >= diceBefore ? 6 : diceBefore - a.keep.kept;
    a.rounds = kUnknown;
    return a;
}

} // namespace

DecisionClass classifyCost(double cost)
{
    if (!(cost >= ReviewThresholds::inaccuracy))
        return DecisionClass::Best;
    if (cost < ReviewThresholds::mistake)
        return DecisionClass::Inaccuracy;
    if (cost < ReviewThresholds::blunder)
        return DecisionClass::Mistake;
    return DecisionClass::Blunder;
}

size_t GameReview::bytes() const
{
    return sizeof(*this) + decisions.capacity() * sizeof(ReviewDecision) + rolls.capacity() * sizeof(ReviewRoll)
            + chart.capacity() * sizeof(double) + decisionAt.capacity() * sizeof(int);
}

GameReview reviewGame(const GameRecord &record, const AdvisorSolution &solution)
{
    GameReview r;
    const RecordStart &start = record.start();
    const std::vector<RecordStep> &steps = record.steps();
    r.finished = record.won();
    r.testSteps = record.hasTestSteps();
    r.chart.assign(steps.size() + 1, kUnknown);
    r.decisionAt.assign(steps.size(), -1);
    // Both band rules share a solution where the every-thousand rule changes nothing.
    r.rulesMatch = solution.winner() == start.winner
            && (solution.valid() == start.valid || !Advisor::everyThousandMatters(start.winner));
    r.complete = r.rulesMatch;

    Walker w{solution, r, start.winner, start.valid};
    if (!r.rulesMatch) {
        // Nothing can be valued, but the decisions are still listed.
        w.r.unvalued = int(steps.size());
    }
    const auto value = [&](double v) { return r.rulesMatch ? v : kUnknown; };

    // Where the record begins.
    int played = 0;
    double startValue = kUnknown;
    if (start.newRound) {
        if (w.valuableRound(start.total, start.roundPoints))
            startValue = start.roundPoints == 0 ? solution.roundsFromTotal(start.total)
                                                : solution.roundsBeforeRoll(start.total, start.roundPoints, 6);
        w.diceNext = 6;
    } else {
        int count = 0;
        bool sound = start.keptDice >= 0 && start.keptDice < 6;
        for (int f = 1; f <= 6; ++f) {
            sound = sound && start.rolled[f] >= 0 && start.rolled[f] <= 6;
            w.rolled[f] = qBound(0, start.rolled[f], 6);
            count += w.rolled[f];
        }
        // The dice on the table: the rolled ones and those kept back make six.
        sound = sound && count + start.keptDice == 6;
        startValue = sound ? w.afterRollValue(start.total, start.roundPoints, w.rolled, count) : kUnknown;
        w.afterRoll = !bust(w.rolled);
        w.bustOpen = !w.afterRoll;
    }
    startValue = value(startValue);
    w.known = std::isfinite(startValue);
    w.cur = startValue;
    r.chart[0] = startValue;
    if (!w.known)
        r.complete = false;

    for (int i = 0; i < int(steps.size()); ++i) {
        const RecordStep &s = steps[size_t(i)];
        switch (s.kind) {
        case RecordStep::Roll: {
            int dice[7];
            s.counts(dice);
            const int count = s.diceRolled();
            ReviewRoll roll;
            roll.step = i;
            // A roll over an open choice replaced the dice (a test button);
            // so does any roll of other dice than the position holds.
            roll.test = s.test || w.afterRoll || w.bustOpen || count != w.diceNext;
            const double after = value(double(played) + w.afterRollValue(s.total, s.roundPoints, dice, count));
            const double before = w.cur;
            roll.valued = w.known && std::isfinite(after);
            double change = 0;
            w.moveTo(i, after, &change);
            if (roll.valued) {
                if (roll.test) {
                    r.testShift += change;
                } else {
                    roll.luck = before - after;
                    r.luck += roll.luck;
                }
            }
            r.rolls.push_back(roll);
            std::copy(dice, dice + 7, w.rolled);
            w.bustOpen = bust(dice);
            w.afterRoll = !w.bustOpen;
            w.rollStep = i;
            break;
        }
        case RecordStep::Keep: {
            ReviewDecision d;
            d.step = i;
            d.rollStep = w.afterRoll ? w.rollStep : -1;
            d.round = s.roundNo;
            d.total = s.total;
            d.roundPoints = s.roundPoints;
            int diceBefore = 0;
            if (w.afterRoll) {
                std::copy(w.rolled, w.rolled + 7, d.rolled);
                for (int f = 1; f <= 6; ++f)
                    diceBefore += w.rolled[f];
            }
            d.made = playOf(s, diceBefore);
            double after = kUnknown;
            if (w.afterRoll && !w.ranking.isEmpty() && r.rulesMatch) {
                for (int k = 0; k < w.ranking.size(); ++k) {
                    const AdvisorAction &a = w.ranking[k];
                    if (a.bank == s.bank && sameKeep(a.keep, s)) {
                        d.valued = true;
                        d.made = a;
                        d.best = w.ranking.first();
                        // Ties rank together: the first play as good as this one.
                        d.rank = k + 1;
                        while (d.rank > 1 && w.ranking[d.rank - 2].rounds == a.rounds)
                            d.rank -= 1;
                        d.cost = std::max(0.0, a.rounds - d.best.rounds);
                        d.cls = classifyCost(d.cost);
                        after = double(played) + a.rounds;
                        break;
                    }
                }
            }
            if (d.valued && w.known) {
                // The line stood at the best play's value; the play made moves it by its cost.
                r.testShift += double(played) + d.best.rounds - w.cur;
                r.decisionsLost += d.cost;
                r.count[int(d.cls)] += 1;
                w.cur = double(played) + d.best.rounds;
                w.moveTo(i, after, nullptr);
            } else {
                d.valued = d.valued && w.known;
                w.moveTo(i, after, nullptr);
            }
            r.decisionAt[size_t(i)] = int(r.decisions.size());
            r.decisions.push_back(d);
            w.afterRoll = false;
            w.ranking.clear();
            w.diceNext = d.made.diceNext;
            break;
        }
        case RecordStep::RoundEnd: {
            played += 1;
            double after = kUnknown;
            if (s.total == start.winner && solution.winnable())
                after = double(played);
            else if (w.valuable(s.total))
                after = double(played) + solution.roundsFromTotal(s.total);
            double change = 0;
            w.moveTo(i, value(after), &change);
            r.testShift += change;
            w.afterRoll = false;
            w.bustOpen = false;
            w.ranking.clear();
            w.diceNext = 6;
            break;
        }
        }
    }
    r.roundsPlayed = played;
    r.expectedAtEnd = r.chart.back();
    // Where the line was first known: from there on the balance holds
    // wherever it runs unbroken.
    r.bestFromStart = 0;
    for (double v : r.chart) {
        if (std::isfinite(v)) {
            r.bestFromStart = v;
            break;
        }
    }
    if (r.unvalued > 0)
        r.complete = false;
    return r;
}
