// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FileLock.h"

#include "game/KvxError.h"

#include <QDir>

SharedFileLock::SharedFileLock(const QString &path, int waitMs) : m_lock(path + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(kStaleMs);
    if (m_lock.tryLock(waitMs))
        return;
    QString reason;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        reason = QStringLiteral("in use by another copy of the game");
        break;
    case QLockFile::PermissionError:
        reason = QStringLiteral("Permission denied");
        break;
    default:
        reason = QStringLiteral("Unable to lock");
    }
    throw KvxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason));
}

SharedFileLock::~SharedFileLock() = default;
