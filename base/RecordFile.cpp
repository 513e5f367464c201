// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/RecordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString fileProblem(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

KvxError fileError(const QString &path, const QString &reason)
{
    return KvxError(fileProblem(path, reason));
}

RecordRead readRecord(const QString &path, qint64 maxBytes)
{
    RecordRead r;
    r.outcome = readWholeFile(path, maxBytes, &r.bytes, &r.why);
    return r;
}

void writeRecord(const QString &path, const QByteArray &data)
{
    const QString error = writeAtomically(path, data);
    if (!error.isEmpty())
        throw fileError(path, error);
}

QString keepAsideName(const QString &path)
{
    QString name = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = path + QStringLiteral(".damaged") + QString::number(n);
    return name;
}

QString keepDamaged(const QString &path)
{
    const QString aside = keepAsideName(path);
    if (!QFile::rename(path, aside))
        throw fileError(path, QStringLiteral("Unable to keep the damaged file"));
    return aside;
}
