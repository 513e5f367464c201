// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/SavedGame.h"
#include "base/RecordFile.h"

#include "game/GameLimits.h"
#include "game/GameState.h"
#include "base/KvxError.h"
#include "game/Scoring.h"
#include "base/UiTexts.h"

#include <QStringList>
#include <QtEndian>

#include <cerrno>
#include <cstring>

namespace {

enum Offset : int {
    OffDieState = 0,
    OffFace = 24,
    OffSelCount = 48,
    OffRollCount = 72,
    OffSubScore = 96,
    OffTotal = 100,
    OffRoundNo = 104,
    OffElapsed = 108,
    OffWinner = 112,
};

void put(QByteArray &rec, int offset, qint32 v)
{
    qToLittleEndian<qint32>(v, rec.data() + offset);
}

qint32 get(const QByteArray &rec, int offset)
{
    return qFromLittleEndian<qint32>(rec.constData() + offset);
}

} // namespace

QByteArray encodeSavedGame(const Game::Snapshot &s)
{
    QByteArray rec(SavedGame::RecordSize, '\0');
    for (int n = 1; n <= 6; ++n) {
        const int i = (n - 1) * 4;
        put(rec, OffDieState + i, s.dieState[n]);
        put(rec, OffFace + i, qint32(quint8(s.face[n])));
        put(rec, OffSelCount + i, s.selCount[n]);
        put(rec, OffRollCount + i, s.rollCount[n]);
    }
    put(rec, OffSubScore, s.subScore);
    put(rec, OffTotal, s.total);
    put(rec, OffRoundNo, s.roundNo);
    put(rec, OffElapsed, s.elapsedSeconds);
    put(rec, OffWinner, s.winner);
    return rec;
}

Game::Snapshot decodeSavedGame(const QByteArray &first116)
{
    if (first116.size() < SavedGame::RecordSize)
        throw KvxError(QStringLiteral("Read beyond end of file"));
    Game::Snapshot s{};
    for (int n = 1; n <= 6; ++n) {
        const int i = (n - 1) * 4;
        s.dieState[n] = get(first116, OffDieState + i);
        s.face[n] = quint8(get(first116, OffFace + i));
        s.selCount[n] = get(first116, OffSelCount + i);
        s.rollCount[n] = get(first116, OffRollCount + i);
    }
    s.subScore = get(first116, OffSubScore);
    s.total = get(first116, OffTotal);
    s.roundNo = get(first116, OffRoundNo);
    s.elapsedSeconds = get(first116, OffElapsed);
    s.winner = get(first116, OffWinner);
    return s;
}

// The game saves only between events, never while dice rotate or a message
// waits, so every file it writes is in one of two shapes:
//  - a round not rolled yet (after start-up, a round end or a win): RollCount
//    all 0, every die Free, and no points in the round;
//  - after an evaluated roll that scores (a bust ends its round at once):
//    RollCount[f] is the number of dice that are not Kept showing f (dice
//    Selected since that roll are not Kept yet, so they count).
// In both, SelCount[f] is the number of Selected dice showing f, and faces
// 2, 3, 4 and 6 are selected, and so kept, in groups of three or more, never
// once or twice. A die state of -1 (none of the three colours) is part of the
// format; such a die counts as neither Selected nor Kept. Faces are judged by
// their lowest byte, as they are read.
//
// The scores: every amount of points is a multiple of 5. SubScore holds the
// selections carried by the round's rolls, so it is at least what the Kept
// dice are worth at their least (hot dice carry earlier points on, so it may
// be any amount more). Total never passes the winning total, and sinks at
// most 100 in each round ended. RoundNo runs from 1 to the last round a game
// has, the clock never runs backwards, and the engine needs a winning total
// of at least 1; any larger one is the configuration's, and a file may carry it.
namespace {

QString num(qint64 v)
{
    return QString::number(v);
}

// The least the kept dice can have added to the round: ones and fives one by
// one, other faces as the smallest sets their count allows. Negative when a
// face 2, 3, 4 or 6 is kept once or twice, which no roll leaves.
qint64 leastWorthOfKept(const int kept[7], int *shortFace)
{
    qint64 worth = 0;
    for (int f = 1; f <= 6; ++f) {
        const int k = kept[f];
        if (f == 1 || f == 5) {
            worth += qint64(k) * (f == 1 ? 10 : 5);
        } else if (k == 1 || k == 2) {
            *shortFace = f;
            return -1;
        } else if (k >= 6) {
            worth += 2 * qint64(setPoints(f, 3));
        } else if (k >= 3) {
            worth += setPoints(f, k);
        }
    }
    return worth;
}

QString diceProblem(const Game::Snapshot &s, int selected[7], int notKept[7], int kept[7], int *held)
{
    for (int n = 1; n <= 6; ++n) {
        const int face = s.face[n] & 0xFF;
        if (face < 1 || face > 6)
            return uiText("saveBadFace").arg(num(n), num(face));
        const qint32 state = s.dieState[n];
        if (state < DieNone || state > DieKept)
            return uiText("saveBadState").arg(num(n), num(state));
        if (state == DieSelected)
            ++selected[face];
        if (state == DieKept)
            ++kept[face];
        else
            ++notKept[face];
        if (state == DieSelected || state == DieKept)
            ++*held;
    }
    for (int f = 1; f <= 6; ++f) {
        if (s.selCount[f] != selected[f])
            return uiText("saveSelCount").arg(num(f), num(s.selCount[f]), num(selected[f]));
        if (f != 1 && f != 5 && (selected[f] == 1 || selected[f] == 2))
            return uiText("saveSelShort").arg(num(f));
    }
    return QString();
}

QString countersProblem(const Game::Snapshot &s)
{
    if (s.winner < 1)
        return uiText("saveWinnerBelowOne").arg(num(s.winner));
    if (s.roundNo < 1)
        return uiText("saveRoundBelowOne").arg(num(s.roundNo));
    if (s.roundNo > GameLimits::maxRounds)
        return uiText("saveRoundTooLate").arg(num(s.roundNo), num(GameLimits::maxRounds));
    if (s.elapsedSeconds < 0)
        return uiText("saveTimeNegative").arg(num(s.elapsedSeconds));
    if (s.total % 5 != 0)
        return uiText("saveTotalNotFive").arg(num(s.total));
    if (s.total > s.winner)
        return uiText("saveTotalPastWinner").arg(num(s.total), num(s.winner));
    const qint64 lowest = GameLimits::lowestTotalIn(s.roundNo);
    if (s.total < lowest)
        return uiText("saveTotalTooLow").arg(num(s.total), num(lowest), num(s.roundNo));
    if (s.subScore % 5 != 0)
        return uiText("savePointsNotFive").arg(num(s.subScore));
    if (s.subScore < 0)
        return uiText("savePointsNegative").arg(num(s.subScore));
    return QString();
}

} // namespace

QString savedGameProblem(const Game::Snapshot &s)
{
    int selected[7] = {}, notKept[7] = {}, kept[7] = {};
    int held = 0;
    QString problem = diceProblem(s, selected, notKept, kept, &held);
    if (problem.isEmpty())
        problem = countersProblem(s);
    if (!problem.isEmpty())
        return problem;

    bool rolled = false;
    for (int f = 1; f <= 6; ++f)
        if (s.rollCount[f] != 0)
            rolled = true;
    if (!rolled) {
        if (held > 0)
            return uiText("saveHeldBeforeRoll");
        if (s.subScore != 0)
            return uiText("savePointsBeforeRoll").arg(num(s.subScore));
        return QString();
    }
    for (int f = 1; f <= 6; ++f)
        if (s.rollCount[f] != notKept[f])
            return uiText("saveRollCount").arg(num(f), num(s.rollCount[f]), num(notKept[f]));
    if (isBust(notKept)) {
        QStringList faces;
        for (int f = 1; f <= 6; ++f)
            for (int k = 0; k < notKept[f]; ++k)
                faces << num(f);
        return uiText("saveBustOnTable").arg(faces.join(QLatin1Char(' ')));
    }
    int shortFace = 0;
    const qint64 least = leastWorthOfKept(kept, &shortFace);
    if (least < 0)
        return uiText("saveKeptShort").arg(num(shortFace));
    if (s.subScore < least)
        return uiText("savePointsBelowKept").arg(num(s.subScore), num(least));
    return QString();
}

void writeSavedGame(const QString &path, const Game::Snapshot &s)
{
    const QByteArray rec = encodeSavedGame(s);
    writeRecord(path, rec);
}

Game::Snapshot readSavedGame(const QString &path)
{
    // Without waiting: a pipe or a device is refused, not read.
    QByteArray rec;
    QString why;
    switch (readFileStart(path, SavedGame::RecordSize, &rec, &why)) {
    case ReadOutcome::Missing:
        throw fileError(path, QString::fromLocal8Bit(std::strerror(ENOENT)));
    case ReadOutcome::Refused:
        throw fileError(path, why);
    case ReadOutcome::Ok:
        break;
    }
    if (rec.size() < SavedGame::RecordSize)
        throw fileError(path, QStringLiteral("Read beyond end of file"));

    const Game::Snapshot s = decodeSavedGame(rec);
    const QString problem = savedGameProblem(s);
    if (!problem.isEmpty())
        throw fileError(path, uiText("saveNotSaved").arg(problem));
    return s;
}

void applySavedGame(Game &game, const Game::Snapshot &s)
{
    game.restore(s);
}
