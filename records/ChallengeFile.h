// SPDX-License-Identifier: GPL-3.0-or-later
// What challenge games leave behind: the challenge table "KVXChallenge.ini"
// (every challenge won on this machine, and how often each code was begun)
// and the place in the dice that a saved challenge game carries after the
// 116 bytes of an ordinary saved game. Widget-free.
#pragma once

#include "game/Challenge.h"
#include "game/Game.h"
#include "game/RuleSet.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One challenge won.
struct ChallengeResult
{
    ChallengeCode code;
    QDateTime when;
    RuleSet rules;
    QString name;          // as the player typed it; shown as plain text
    qint32 rounds = 0;
    qint32 seconds = 0;
    qint32 bestRounds = 0; // the best play's rounds on the same dice; 0 unknown
    bool first = false;    // the first time the code was begun on this machine
};

// The table as read. Lines this version does not understand are kept for
// the next write, so that no write loses them.
struct ChallengeTable
{
    enum Status { Absent, Ok, Partial, Damaged };
    Status status = Absent;
    QString problem;                // why it is Damaged
    QList<ChallengeResult> results; // oldest first
    QList<QPair<ChallengeCode, qint32>> begun; // codes begun, how often, oldest first
    QList<QByteArray> otherLines;

    // The results of one code, fewest rounds (then least time) first.
    QList<ChallengeResult> resultsFor(const ChallengeCode &code) const;
    qint32 timesBegun(const ChallengeCode &code) const;
};

namespace ChallengeFile {

constexpr int kMaxResults = 5000; // the oldest give way beyond
constexpr int kMaxCodes = 5000;   // codes whose beginnings are counted
constexpr qint64 kMaxBytes = 2 * 1024 * 1024;
constexpr int kMaxNameLength = 60;

QString fileName(); // ProgramDir + "KVXChallenge.ini"
QString fileNameIn(const QString &dir);

ChallengeTable parse(const QByteArray &bytes);
QByteArray format(const ChallengeTable &t);
// Reads the file; never creates it, never throws.
ChallengeTable load(const QString &path);

// Under the file's lock: counts a play of the code begun; true when it is
// the first. A damaged file is first kept aside (*aside names it).
bool beginPlay(const QString &path, const ChallengeCode &code, QString *aside = nullptr);
// Under the file's lock: adds a challenge won.
void addResult(const QString &path, const ChallengeResult &r, QString *aside = nullptr);

// --- saved challenge games ---
// The trailer after the 116 bytes: "KVXC", version 1, the eight symbols of
// the code, the round and the roll of the last roll made (little-endian
// 32-bit), 24 bytes in all.
constexpr int kTrailerSize = 24;
QByteArray encodeTrailer(const ChallengeDice &dice);
// The code and place of a trailer; none when the bytes hold no trailer.
// Throws KvxError when they begin like one but cannot be one.
std::optional<ChallengeDice> decodeTrailer(const QByteArray &afterRecord, qint32 roundNo);
// A challenge game: the ordinary record followed by the trailer. An ordinary
// game is written exactly as writeSavedGame writes it.
void writeGame(const QString &path, const Game::Snapshot &s, const ChallengeDice &dice);
// The code and place saved with the game at path, or none (an ordinary game).
std::optional<ChallengeDice> readPlace(const QString &path, qint32 roundNo);

} // namespace ChallengeFile
