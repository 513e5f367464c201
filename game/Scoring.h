// SPDX-License-Identifier: GPL-3.0-or-later
// The scoring and banking rules as pure functions, shared by the engine and
// the advisor so that both always count the same way.
#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

struct ChoiceEntry
{
    QString text;
    qint32 value = 0;
};

// Points of `count` selected dice of one face, a choice list taken at its
// first (full) entry: singles for ones and fives below three, sets of three
// or more otherwise, nothing for fewer than three of faces 2, 3, 4 and 6.
qint32 setPoints(int face, int count);

// The rating of a game: total / rounds * 100, halves to the even neighbour;
// 0 for no rounds (and for a result that is not a number).
qint64 rating(qint64 total, qint64 rounds);

// The entries of the choice list for `count` (3..6) selected ones (face 1)
// or fives (face 5), in list order; empty for anything else.
QVector<ChoiceEntry> choiceEntries(int face, int count);

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
