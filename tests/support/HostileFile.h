// SPDX-License-Identifier: GPL-3.0-or-later
// Files another program may leave where the game expects its own: made at
// `path` by kind. "outside" is a link to `outside`, a file in another folder.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace HostileFile {

inline QStringList kinds() { return {"pipe", "endless device", "folder", "huge", "link out of the folder"}; }

inline bool make(const QString &kind, const QString &path, qint64 hugeSize, const QString &outside)
{
    if (kind == "pipe")
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == "endless device")
        return QFile::link(QStringLiteral("/dev/zero"), path);
    if (kind == "folder")
        return QDir().mkpath(path);
    if (kind == "huge") {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.resize(hugeSize);
    }
    return QFile::link(outside, path);
}

} // namespace HostileFile
