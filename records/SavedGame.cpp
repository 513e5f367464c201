// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/SavedGame.h"
#include "settings/AtomicFile.h"

#include "game/GameState.h"
#include "game/KvxError.h"

#include <QDir>
#include <QFile>
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

KvxError fileError(const QString &path, const QString &reason)
{
    return KvxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason));
}

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

// The game saves only between events, never while dice rotate, so every file
// it writes is in one of two shapes:
//  - a round not rolled yet (after start-up, a round end or a win): RollCount
//    all 0, and every die Free;
//  - after an evaluated roll: RollCount[f] is the number of dice that are not
//    Kept showing f (dice Selected since that roll are not Kept yet, so they
//    count).
// In both, SelCount[f] is the number of Selected dice showing f, and faces
// 2, 3, 4 and 6 are selected in groups of three or more, never once or twice.
// A die state of -1 (none of the three colours) is part of the format; such a
// die counts as neither Selected nor Kept. Faces are judged by their lowest
// byte, as they are read. RoundNo starts at 1, the clock never runs backwards,
// and the engine needs a winning total of at least 1. Scores are not judged:
// the penalty can make Total negative, and a file may carry any Winner.
QString savedGameProblem(const Game::Snapshot &s)
{
    int selected[7] = {};
    int notKept[7] = {};
    int heldDice = 0;
    for (int n = 1; n <= 6; ++n) {
        const int face = s.face[n] & 0xFF;
        if (face < 1 || face > 6)
            return QStringLiteral("die %1 shows %2, which is no face of a die").arg(n).arg(face);
        const qint32 state = s.dieState[n];
        if (state < DieNone || state > DieKept)
            return QStringLiteral("die %1 has the unknown state %2").arg(n).arg(state);
        if (state == DieSelected)
            ++selected[face];
        if (state != DieKept)
            ++notKept[face];
        if (state == DieSelected || state == DieKept)
            ++heldDice;
    }

    if (s.winner < 1)
        return QStringLiteral("the winning total %1 is below 1").arg(s.winner);
    if (s.roundNo < 1)
        return QStringLiteral("the round number %1 is below 1").arg(s.roundNo);
    if (s.elapsedSeconds < 0)
        return QStringLiteral("the playing time %1 is negative").arg(s.elapsedSeconds);

    for (int f = 1; f <= 6; ++f) {
        if (s.selCount[f] != selected[f])
            return QStringLiteral("%1 dice showing %2 are counted as selected, but %3 are")
                    .arg(s.selCount[f]).arg(f).arg(selected[f]);
        if (f != 1 && f != 5 && (selected[f] == 1 || selected[f] == 2))
            return QStringLiteral("%1 dice showing %2 are selected, fewer than a set of three")
                    .arg(selected[f]).arg(f);
    }

    bool rolled = false;
    for (int f = 1; f <= 6; ++f)
        if (s.rollCount[f] != 0)
            rolled = true;
    if (!rolled) {
        if (heldDice > 0)
            return QStringLiteral("dice are selected or kept before the round's first roll");
    } else {
        for (int f = 1; f <= 6; ++f)
            if (s.rollCount[f] != notKept[f])
                return QStringLiteral("%1 dice showing %2 are counted in the last roll, but %3 were rolled")
                        .arg(s.rollCount[f]).arg(f).arg(notKept[f]);
    }
    return QString();
}

void writeSavedGame(const QString &path, const Game::Snapshot &s)
{
    const QByteArray rec = encodeSavedGame(s);
    const QString error = writeAtomically(path, rec);
    if (!error.isEmpty())
        throw fileError(path, error);
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
        throw fileError(path, QStringLiteral("This is not a Korvex saved game: %1.").arg(problem));
    return s;
}

void applySavedGame(Game &game, const Game::Snapshot &s)
{
    game.restore(s);
}
