// SPDX-License-Identifier: GPL-3.0-or-later
// What every record file of the game (the statistics, the practice, the top
// ten, the saved game) does alike: it is read whole within a bound and written
// in one step (see AtomicFile), a damaged one is kept aside before anything
// replaces it, and a file that cannot be used is named as "<file>: <reason>".
#pragma once

#include "base/KvxError.h"
#include "base/AtomicFile.h"

#include <QByteArray>
#include <QString>

// "<file>: <reason>", the way the game names a file it could not use.
QString fileProblem(const QString &path, const QString &reason);
// The same, as the error thrown.
KvxError fileError(const QString &path, const QString &reason);

// A record file as read.
struct RecordRead
{
    ReadOutcome outcome = ReadOutcome::Missing;
    QByteArray bytes;
    QString why; // the reason for a refusal
    bool refused() const { return outcome == ReadOutcome::Refused; }
    // No file, or one that holds blanks only: nothing recorded yet.
    bool blank() const { return outcome == ReadOutcome::Missing || (!refused() && bytes.trimmed().isEmpty()); }
};
// Reads a whole record file of at most maxBytes, as readWholeFile does.
RecordRead readRecord(const QString &path, qint64 maxBytes);

// Writes a record file in one step; throws fileError when it cannot.
void writeRecord(const QString &path, const QByteArray &data);

// Where a damaged file is kept: path + ".damaged", numbered from 2 on when
// that name is taken.
QString keepAsideName(const QString &path);
// Moves a damaged file aside whole, before anything replaces it, and returns
// the name it is kept under; throws fileError when it cannot.
QString keepDamaged(const QString &path);
