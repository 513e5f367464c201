// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics file "KVXStats.ini": one line per won game and running
// totals per rule set. Widget-free.
#pragma once

#include "game/RuleSet.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <map>
#include <optional>
#include <utility>
#include <vector>

// One won game.
struct StatsGame
{
    QDateTime when;
    qint32 winner = 1000;
    bool band = false;   // the 400-500 band in every thousand
    qint32 type = 1;     // 1 Normal, 2 Time
    qint32 rounds = 0;
    qint32 seconds = 0;
    qint32 rating = 0;   // the top-ten score
    bool assisted = false;
    bool testButtons = false;
    // From the game's review; unknown when the game was not reviewed.
    std::optional<double> decisionsLost, luck;

    RuleSet rules() const { return {winner, band}; }
    // Assisted games and games played with the test buttons are set apart
    // from every figure, as they are from the top ten.
    bool counted() const { return !assisted && !testButtons; }
};

// The running totals of every game ever won under one rule set, also those
// no longer kept one by one.
struct StatsTotals
{
    qint64 games = 0;     // counted games
    qint64 setAside = 0;  // assisted or with test buttons
    qint64 roundsSum = 0, secondsSum = 0, ratingSum = 0;
    qint32 bestRounds = 0, bestSeconds = 0; // 0 while no counted game

    void add(const StatsGame &g);
    // Component-wise the larger: what both a stored line and the kept games vouch for.
    void widen(const StatsTotals &o);
};

// The file as read. Everything it held is kept for the next write, also
// what this version does not understand, so that no write loses any of it.
struct StatsData
{
    enum Status {
        Absent,   // no file (or an empty one)
        Ok,
        Partial,  // some lines could not be read; they are kept as they are
        Future,   // written by a newer version: what is understood is used
        Damaged   // nothing usable: kept aside before the next write
    };
    Status status = Absent;
    QString problem;     // why it is Damaged, in the system's words
    int skipped = 0;     // lines of games that could not be read
    int version = 1;

    QList<StatsGame> games; // oldest first
    std::map<RuleSet, StatsTotals> totals;

    // Rule sets with at least one game, counted or set apart.
    QList<RuleSet> ruleSets() const;
    StatsTotals totalsFor(const RuleSet &r) const;
    QList<StatsGame> gamesFor(const RuleSet &r) const;

    // Appends a game as the newest line and counts it in the totals.
    void addGame(const StatsGame &g);
    // Drops the oldest lines of games beyond the last n.
    void keepLast(int n);
    // Drops the oldest lines of games until the file written is one a read
    // accepts (Statistics::kMaxBytes, kMaxLines); false when even the newest
    // game alone does not fit beside the lines this version does not write.
    bool fit();
    // Numbers the lines of games 1, 2, ... again, in their order.
    void renumber();

    // --- what the file held, for writing it back ---
    // Every line not understood is kept byte for byte, whatever its length,
    // each ending in a line break.
    // The lines of [Games], unread ones too.
    QByteArray gameBlock;
    int lineCount = 0;  // lines of gameBlock that hold a key
    qint64 lastKey = 0; // the largest number among their keys
    QByteArray preamble;    // the lines before the first section
    QByteArray otherStats;  // the lines of [Statistics] besides Version
    std::map<RuleSet, QString> totalsExtra; // fields after ours in a totals line
    QByteArray otherTotals; // the lines of [Totals] not understood
    int unreadTotals = 0;   // of them, those that hold a key
    QByteArray otherSections; // every other section, its header included

    // Counts the games of one rule set again from the lines of games.
    void recount(const RuleSet &r);
};

// The figures of one rule set, from the totals and the games kept.
struct StatsFigures
{
    StatsTotals totals;
    double averageRounds = 0, medianRounds = 0, averageSeconds = 0, averageRating = 0;
    std::map<int, int> roundsCount; // counted games kept, per rounds to the win
    int keptGames = 0;              // counted games kept one by one
    QList<StatsGame> reviewed;      // counted games with their rounds lost to decisions, oldest first
};
StatsFigures statsFigures(const StatsData &data, const RuleSet &rules);

// A bar of the rounds chart and a row of the table beside it: the games won
// in `from` to `to` rounds (one round each while the rounds are few), and the
// best play's chance to win in as many.
struct RoundsBucket
{
    int from = 1, to = 1;
    int games = 0;
    double share = 0;     // of the counted games kept
    double bestShare = 0;
};
// Rounds 1 to `last` (at least 1, the longest game or the best play's tail)
// in at most kMaxBuckets buckets of equal width, however long the games:
// `best` is the best play's chance per rounds, from 1 round on.
constexpr int kMaxBuckets = 200;
std::vector<RoundsBucket> roundsBuckets(const std::map<int, int> &roundsCount, int keptGames,
                                        const std::vector<double> &best, int last);

namespace Statistics {

constexpr int kVersion = 1;
// At least this many games are kept one by one; older ones live on in the totals.
constexpr int kKeep = 10000;
// A file larger than this was not written by the game (10,000 games take
// under a megabyte): it is not read, so that it cannot hold the game up.
constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
constexpr int kMaxLines = 40000;
// The largest running total written: 18 digits, the most a read takes.
constexpr qint64 kMaxTotal = 999999999999999999LL;
// The largest key of a game's line: past it the keys are numbered afresh.
constexpr qint64 kMaxKey = 999999999999LL;

// Whether a game or a line of totals holds figures play can produce
// (game/GameLimits.h): a line that does not is not read, and such a game is
// not written.
bool withinPlay(const StatsGame &g);
bool withinPlay(const StatsTotals &t);

// ProgramDir + "KVXStats.ini".
QString fileName();
// The statistics file of a folder; its lock also guards the practice file
// beside it, so that one copy of the game writes either at a time.
QString fileNameIn(const QString &dir);

// Reads the file; never creates it, never throws. Without `games` the
// lines of games are only carried, not read (enough to add one).
StatsData load(const QString &path, bool games = true);
StatsData parse(const QByteArray &bytes, bool games = true);
QByteArray format(const StatsData &data);

// The line of one game.
QString gameLine(const StatsGame &g);

// Adds a won game under the file's lock. A damaged file is first kept as
// keepAsideName(path); its new name is returned then (else empty). `key`
// receives the game's key in the file. Throws KvxError naming the file when
// it cannot be locked or written.
QString addGame(const QString &path, const StatsGame &game, qint64 *key = nullptr);
// Gives the game of that key its review's figures (a review that finished
// after the game was added); false when the game is no longer there.
bool setReview(const QString &path, qint64 key, double decisionsLost, double luck);
// Forgets the games and totals of one rule set, under the lock. A damaged
// file is only kept aside; its new name is returned then (else empty).
QString reset(const QString &path, const RuleSet &rules);

} // namespace Statistics
