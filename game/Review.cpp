// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Review.h"
#include "game/Scoring.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

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
    int played = 0;         // rounds ended
    QVector<AdvisorAction> ranking; // of the open choice

    // Any position a game reaches is weighed; one no game reaches is not.
    bool valuable(qint64 total) const
    {
        return r.rulesMatch && sol.canWeigh(total);
    }
    bool valuableRound(qint64 total, qint64 points) const
    {
        return valuable(total) && total < winner && sol.canWeigh(total, points);
    }
    // Expected rounds, this one included, right after a roll of these dice.
    double afterRollValue(qint32 total, qint32 points, const int dice[7], int count)
    {
        ranking.clear();
        if (!valuableRound(total, points) || count < 1 || count > 6)
            return kUnknown;
        if (isBust(dice)) {
            // All six dice down to nothing cost 100 points; fewer lose the round's.
            const qint32 after = count == 6 ? bankOutcome(total, bustPenalty, winner, valid).total : total;
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
    double value(double v) const { return r.rulesMatch ? v : kUnknown; }

    // Where the record begins: its value, and the position.
    void begin(const RecordStart &start)
    {
        double startValue = kUnknown;
        if (start.newRound) {
            if (valuableRound(start.total, start.roundPoints))
                startValue = start.roundPoints == 0 ? sol.roundsFromTotal(start.total)
                                                    : sol.roundsBeforeRoll(start.total, start.roundPoints, 6);
            diceNext = 6;
        } else {
            int count = 0;
            bool sound = start.keptDice >= 0 && start.keptDice < 6;
            for (int f = 1; f <= 6; ++f) {
                sound = sound && start.rolled[f] >= 0 && start.rolled[f] <= 6;
                rolled[f] = qBound(0, start.rolled[f], 6);
                count += rolled[f];
            }
            // The dice on the table: the rolled ones and those kept back make six.
            sound = sound && count + start.keptDice == 6;
            startValue = sound ? afterRollValue(start.total, start.roundPoints, rolled, count) : kUnknown;
            afterRoll = !isBust(rolled);
            bustOpen = !afterRoll;
        }
        startValue = value(startValue);
        known = std::isfinite(startValue);
        cur = startValue;
        r.chart[0] = startValue;
        if (!known)
            r.complete = false;
    }

    void roll(int i, const RecordStep &s)
    {
        int dice[7];
        s.counts(dice);
        const int count = s.diceRolled();
        ReviewRoll roll;
        roll.step = i;
        // A roll over an open choice replaced the dice (a test button);
        // so does any roll of other dice than the position holds.
        roll.test = s.test || afterRoll || bustOpen || count != diceNext;
        const double after = value(double(played) + afterRollValue(s.total, s.roundPoints, dice, count));
        const double before = cur;
        roll.valued = known && std::isfinite(after);
        double change = 0;
        moveTo(i, after, &change);
        if (roll.valued) {
            if (roll.test) {
                r.testShift += change;
            } else {
                roll.luck = before - after;
                r.luck += roll.luck;
            }
        }
        r.rolls.push_back(roll);
        std::copy(dice, dice + 7, rolled);
        bustOpen = isBust(dice);
        afterRoll = !bustOpen;
        rollStep = i;
    }

    // The play made, valued against the ranking of the open choice.
    ReviewDecision decision(int i, const RecordStep &s) const
    {
        ReviewDecision d;
        d.step = i;
        d.rollStep = afterRoll ? rollStep : -1;
        d.round = s.roundNo;
        d.total = s.total;
        d.roundPoints = s.roundPoints;
        int diceBefore = 0;
        if (afterRoll) {
            std::copy(rolled, rolled + 7, d.rolled);
            for (int f = 1; f <= 6; ++f)
                diceBefore += rolled[f];
        }
        d.made = playOf(s, diceBefore);
        if (!afterRoll || ranking.isEmpty() || !r.rulesMatch)
            return d;
        for (int k = 0; k < ranking.size(); ++k) {
            const AdvisorAction &a = ranking[k];
            if (a.bank != s.bank || !a.keep.sameAs(d.made.keep))
                continue;
            d.valued = true;
            d.made = a;
            d.best = ranking.first();
            // Ties rank together: the first play as good as this one.
            d.rank = k + 1;
            while (d.rank > 1 && ranking[d.rank - 2].rounds == a.rounds)
                d.rank -= 1;
            d.cost = std::max(0.0, a.rounds - d.best.rounds);
            d.cls = classifyCost(d.cost);
            break;
        }
        return d;
    }

    void keep(int i, const RecordStep &s)
    {
        ReviewDecision d = decision(i, s);
        const double after = d.valued ? double(played) + d.made.rounds : kUnknown;
        if (d.valued && known) {
            // The line stood at the best play's value; the play made moves it by its cost.
            r.testShift += double(played) + d.best.rounds - cur;
            r.decisionsLost += d.cost;
            r.count[int(d.cls)] += 1;
            cur = double(played) + d.best.rounds;
            moveTo(i, after, nullptr);
        } else {
            d.valued = d.valued && known;
            moveTo(i, after, nullptr);
        }
        r.decisionAt[size_t(i)] = int(r.decisions.size());
        r.decisions.push_back(d);
        afterRoll = false;
        ranking.clear();
        diceNext = d.made.diceNext;
    }

    void roundEnd(int i, const RecordStep &s)
    {
        played += 1;
        double after = kUnknown;
        if (s.total == winner && sol.winnable())
            after = double(played);
        else if (valuable(s.total))
            after = double(played) + sol.roundsFromTotal(s.total);
        double change = 0;
        moveTo(i, value(after), &change);
        r.testShift += change;
        afterRoll = false;
        bustOpen = false;
        ranking.clear();
        diceNext = 6;
    }
};

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
    w.begin(start);
    for (int i = 0; i < int(steps.size()); ++i) {
        const RecordStep &s = steps[size_t(i)];
        switch (s.kind) {
        case RecordStep::Roll:
            w.roll(i, s);
            break;
        case RecordStep::Keep:
            w.keep(i, s);
            break;
        case RecordStep::RoundEnd:
            w.roundEnd(i, s);
            break;
        }
    }
    r.roundsPlayed = w.played;
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
