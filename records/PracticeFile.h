// SPDX-License-Identifier: GPL-3.0-or-later
// The practice file "KVXPractice.ini": the player's own costly decisions, when
// each position is due again, and every answer given, for the progress.
// Widget-free. Written whole and atomically under the statistics' lock; bounded in size,
// the oldest going first; a file it cannot use is kept aside, never lost.
#pragma once

#include "game/Practice.h"

#include <QDate>
#include <QList>
#include <QString>

#include <utility>

// One answer.
struct PracticeAttempt
{
    QDateTime when;
    PracticeSource source = PracticeSource::Mine;
    qint32 winner = 1000;
    bool band = false;
    double lost = 0;     // rounds lost against the best play
    bool best = false;   // answered with the best play
};

struct PracticeData
{
    enum Status { Absent, Ok, Partial, Future, Damaged };
    Status status = Absent;
    QString problem;     // why it is Damaged, in the player's language
    int skipped = 0;     // lines that could not be read (kept as they are)
    int version = 1;
    qint64 turn = 0;     // answers given so far, the scheduling's clock

    // Oldest first: the player's own positions, and the built-in positions
    // answered (for when they are due again).
    QVector<PracticePosition> positions;
    QVector<PracticeAttempt> attempts;

    // What the file held that this version does not read, written back as it was.
    QList<std::pair<QString, QString>> otherKeys, unreadPositions, unreadAttempts;
    QList<std::pair<QString, QList<std::pair<QString, QString>>>> otherSections;

    // Adds a position of the player's own, or refreshes the one at the same
    // place (its cost, and due now); drops the oldest past the bound.
    void addMine(const PracticePosition &p);
    // Records an answer to p at this turn and schedules p again.
    void answer(const PracticePosition &p, const PracticeVerdict &v, const QDateTime &when);
    // Keeps the newest within the bounds.
    void bound();
    // Numbers the turn and the due turns afresh, in the same order, where
    // one lies past what a read takes (GameLimits::maxTurn).
    void keepTurnsInRange();
    // Drops answers, then positions (unread lines of each first, then the
    // oldest), until the file written is within PracticeFile::kMaxBytes;
    // false when the lines kept besides them are too large alone.
    bool fit();
    // The player's positions of these rules, and the built-in set with the
    // due turns the file holds for it.
    QVector<PracticePosition> mine(const RuleSet &rules) const;
    QVector<PracticePosition> scheduled(QVector<PracticePosition> builtIn) const;
    // Positions of other rules the file holds (kept, not offered).
    int otherRules(const RuleSet &rules) const;
};

// The progress of one source: in all, and day by day.
struct PracticeProgressRow
{
    QDate day;            // invalid for the whole
    int tried = 0, best = 0;
    double lost = 0;      // rounds lost in all
    double shareBest() const { return tried ? double(best) / tried : 0; }
    double lostPer() const { return tried ? lost / tried : 0; }
};
struct PracticeProgress
{
    PracticeProgressRow whole;
    QVector<PracticeProgressRow> days; // oldest first
};
PracticeProgress practiceProgress(const PracticeData &d, PracticeSource source);

namespace PracticeFile {

constexpr int kVersion = 1;
constexpr int kMaxMine = 300;      // the player's positions kept
constexpr int kMaxBuiltIn = 300;   // built-in positions with a schedule
constexpr int kMaxAttempts = 5000; // answers kept for the progress
// A larger file was not written by the game (the bounds above take well under
// half a megabyte): it is not read, so that it cannot hold the game up.
constexpr qint64 kMaxBytes = 1024 * 1024;

// ProgramDir + "KVXPractice.ini".
QString fileName();

PracticeData parse(const QByteArray &bytes);
QByteArray format(const PracticeData &d);
// Reads the file; never creates it, never throws.
PracticeData load(const QString &path);

// The read-modify-writes, each under the lock of the statistics beside the
// file (Statistics::fileNameIn). A damaged file is kept
// aside first (as the statistics keep theirs); its new name is returned then,
// else empty. Throw KvxError naming the file when it cannot be locked or written.
QString addMine(const QString &path, const QVector<PracticePosition> &positions);
QString answer(const QString &path, const PracticePosition &p, const PracticeVerdict &v);

// A position's line and back; false when the text is not one.
QString positionLine(const PracticePosition &p);
bool parsePosition(const QString &text, PracticePosition *p);
QString attemptLine(const PracticeAttempt &a);
bool parseAttempt(const QString &text, PracticeAttempt *a);

} // namespace PracticeFile
