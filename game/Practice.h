// SPDX-License-Identifier: GPL-3.0-or-later
// Practice: single decisions taken out of a game, answered, and judged against
// the advisor's ranking of the same moment. A position comes from the
// player's own reviewed games (the costly decisions) or from a set drawn from
// the solver (where the best play parts from the plain rules players use).
// Widget-free; everything here is quick once the rule set is solved, but the
// built-in set is worked out on a worker.
#pragma once

#include "game/Advisor.h"
#include "game/GameRecord.h"

#include <QDateTime>
#include <QString>
#include <QVector>

struct GameReview;

enum class PracticeSource : qint8 { Mine, BuiltIn };

// The plain rules of thumb a built-in position is chosen to break.
enum class PlainRule : qint8 {
    None,
    TakeAll,     // take everything that scores
    BankAt300,   // bank once the round holds 300 points
    BankFewDice  // bank with two dice or fewer left to roll
};

// What a decision needs: the rules, the totals and the dice.
struct PracticePosition
{
    PracticeSource source = PracticeSource::Mine;
    qint32 winner = 1000;
    bool band = false;        // the 400-500 band in every thousand
    RuleSet rules() const { return {winner, band}; }
    qint32 total = 0;
    qint32 roundPoints = 0;   // points of the round's earlier rolls
    int kept[7] = {};         // dice kept back from the earlier rolls, per face (shown only)
    int rolled[7] = {};       // the dice just rolled, per face
    double cost = 0;          // mine: what the play made cost; built-in: what the plain rule costs
    PlainRule rule = PlainRule::None;
    // Scheduling: the turn from which it is offered again (lower comes first).
    qint64 due = 0;
    QDateTime added;

    int keptCount() const;
    int rolledCount() const;
    // Six dice in all, at least one rolled, something scoring, totals on the
    // steps of 5 and below the winning total: a decision the game can meet.
    bool sound() const;
    // The same rules, totals and dice (the source and the figures aside).
    bool samePlace(const PracticePosition &o) const;
    // "1 1 5" for the rolled dice, "-" when none.
    static QString facesText(const int counts[7]);
};

// What the player chose: the dice taken (with a choice list's entry for three
// or more ones or fives) and whether the round is banked after taking them.
struct PracticeChoice
{
    KeepOption keep;
    bool bank = false;
};

// Why the best play is best, in one sentence's worth of figures.
enum class PracticeReason : qint8 {
    BankRefused,     // the other play's bank is refused: lands in the band or past the winner
    BustRisk,        // rolling on risks this much: banking is better
    LowRisk,         // the dice left bust seldom: rolling on is worth more than the bank
    MoreDice,        // keeping fewer dice leaves more to roll, with less risk of a bust
    BankTotal,       // both bank: one lands on a better total
    MorePoints,      // both roll the same dice, one with more points
    FewerPoints,     // both roll the same dice, fewer points fit the finish or the band better
    Same             // as good as the other play
};

struct PracticeVerdict
{
    bool legal = false;        // the choice is a play the game accepts here
    AdvisorAction chosen, best;
    double cost = 0;           // rounds lost against the best play
    bool answeredBest = false; // within PracticeRules::bestWithin
    int rank = 0;              // place of the choice in the ranking, 1 for the best (ties share)
    QVector<AdvisorAction> top;// the first few plays, best first
    // The sentence why: the play compared with the best, and its figures.
    PracticeReason reason = PracticeReason::Same;
    AdvisorAction other;       // the play the reason compares the best with
    double bustBest = 0, bustOther = 0; // bust chances of the next roll of each (0 for a bank)
    qint32 landing = 0;        // BankRefused: the total the bank would reach
    bool pastWinner = false;   // BankRefused: past the winning total (else in the band)
};

struct PracticeRules
{
    // An answer this close to the best play counts as the best.
    static constexpr double bestWithin = 0.005;
    // Decisions of a reviewed game that cost at least this much are kept to practise.
    static constexpr double keepFrom = 0.2;
    // Plays shown in a verdict.
    static constexpr int topCount = 5;
    // An answer off the best comes back after this many other positions.
    static constexpr int againAfter = 2;
};

// The verdict of a choice, from the advisor's ranking of the position.
PracticeVerdict judgePractice(const AdvisorSolution &solution, const PracticePosition &p, const PracticeChoice &c);

// The play the plain rules make: every scoring die taken at its full value,
// then bank once the round holds 300 or two dice or fewer are left.
PracticeChoice plainPlay(const PracticePosition &p);
// Which plain rule the best play breaks here (None when it agrees).
PlainRule brokenRule(const PracticePosition &p, const AdvisorAction &best);

// The built-in set for a solved rule set: positions where the best play parts
// from the plain rules, spread over the start, the totals around the band and
// the exact finish, each with what the plain rule costs. Deterministic.
QVector<PracticePosition> builtInPractice(const AdvisorSolution &solution, bool band);

// The decisions of a reviewed game worth practising: valued, costing at least
// PracticeRules::keepFrom. Needs the record the review was made from.
QVector<PracticePosition> practiceFromReview(const GameRecord &record, const GameReview &review);

// The dice of a position as the game lays them out: kept dice first, then
// the rolled ones, each with its face and whether it is kept back.
struct PracticeDie
{
    int face = 1;
    bool kept = false;
};
void practiceLayout(const PracticePosition &p, PracticeDie out[7]);

// Taking dice as the game's dice do: a one or a five alone, a face of a set
// three at a time (and one by one past three). `selected` marks dice 1..6.
// Returns false when the die cannot be taken (kept back, or no set).
bool practiceToggle(const PracticeDie dice[7], bool selected[7], int n);
// The dice selected as counts per face.
void selectedCounts(const PracticeDie dice[7], const bool selected[7], int out[7]);
// The play a selection makes with a choice list's entries; an empty keep when
// nothing is selected. `legal` false when the selection is no legal take.
PracticeChoice choiceOf(const int counts[7], int onesEntry, int fivesEntry, bool bank, bool *legal);

// The next position to offer: the one of lowest due among those offered
// (the rules in force); -1 when none.
int nextPractice(const QVector<PracticePosition> &list, const RuleSet &rules);
// Whether a position of these rules is offered under the rules in force
// (both band rules share one where the every-thousand rule changes nothing).
bool practiceRulesMatch(const PracticePosition &p, const RuleSet &rules);
// The due turn after an answer at `turn`: the back of the queue for the best
// play, soon again otherwise.
qint64 dueAfter(bool answeredBest, qint64 turn, qint64 lastDue);
