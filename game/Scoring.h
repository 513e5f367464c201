// SPDX-License-Identifier: GPL-3.0-or-later
// The scoring and banking rules as pure functions, shared by the engine and
// the advisor so that both always count the same way.
#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>

struct ChoiceEntry
{
    QString text;
    qint32 value = 0;
};

// A count per face, slots 1..6 (slot 0 unused).
using FaceCounts = std::array<int, 7>;
// The dice counted in slots 1..6.
int diceIn(const int counts[7]);
inline int diceIn(const FaceCounts &counts) { return diceIn(counts.data()); }

// What a bust of all six dice costs.
constexpr qint32 bustPenalty = -100;

// Points of one one (10) or one five (5) taken alone; 0 for other faces.
constexpr qint32 singlePoints(int face) { return face == 1 ? 10 : face == 5 ? 5 : 0; }

// Points of `count` selected dice of one face: singles for ones and fives
// below three, sets of three or more otherwise, nothing for fewer than three
// of faces 2, 3, 4 and 6. Three or more ones or fives count as the entry
// `entry` of their choice list (clamped to the list; 0 the full set).
qint32 setPoints(int face, int count, int entry = 0);
// Points of a chosen set of dice, count[f] of each face, the choice lists of
// ones and fives taken at these entries.
qint32 keepPoints(const int count[7], int onesEntry = 0, int fivesEntry = 0);

// The rating of a game: total / rounds * 100, halves to the even neighbour;
// 0 for no rounds (and for a result that is not a number).
qint64 rating(qint64 total, qint64 rounds);

// The entries of the choice list for `count` (3..6) selected ones (face 1)
// or fives (face 5), in list order; empty for anything else.
QVector<ChoiceEntry> choiceEntries(int face, int count);

// True when a roll (dice per face, slots 1..6) holds nothing that scores:
// no one, no five and no three of a kind.
bool isBust(const int rolled[7]);

// One legal way to take scoring dice from a roll.
struct KeepOption
{
    int count[7] = {};   // dice taken per face; slot 0 unused
    int onesEntry = -1;  // entry of the ones' choice list, -1 when no list
    int fivesEntry = -1; // the same for fives
    qint32 points = 0;
    int kept = 0;        // dice taken
    bool empty() const { return kept == 0; }
    // The same dice, and the same entry of each choice list they open.
    bool sameAs(const KeepOption &o) const;
    // The text of the entry taken from the choice list of face 1 or 5; empty
    // when the list is taken at its first (full) entry or there is none.
    QString entryText(int face) const;
};

// The dice a keep of count[f] dice per face takes from a roll, as the game
// takes them: the first takeable dice showing each face, in position order.
// faces[n] is the face of die n (1..6), takeable[n] false for a die kept back;
// taken[n] is set for each die taken. False when the roll does not hold them.
bool diceTaken(const int count[7], const int faces[7], const bool takeable[7], bool taken[7]);

// A click on die n as the game answers it: a one or a five is selected or
// freed alone; of another face, nothing below three takeable, then the set of
// three as a whole, and past three one by one. False when the click does nothing.
bool toggleSelection(const int faces[7], const bool takeable[7], bool selected[7], int n);

enum class BankVerdict { Banked, Band, Exact };

struct BankOutcome
{
    BankVerdict verdict = BankVerdict::Banked;
    qint32 total = 0;   // the total after the round
    bool won = false;   // the total reached the winning total
    bool accepted() const { return verdict == BankVerdict::Banked; }
};

// How a round ending with `points` leaves `total`: the band rule first, then
// the exact finish; busts (0) and the penalty (negative) are never refused.
BankOutcome bankOutcome(qint32 total, qint32 points, qint32 winner, bool valid);
