// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FileLock.h"

#include "game/KvxError.h"

#include "settings/UiTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace {
// A lock file that cannot be made on a full disk says no more than that it
// failed; the folder's free space tells why.
bool diskFull(const QString &path)
{
    struct statvfs vfs {};
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    return ::statvfs(dir.constData(), &vfs) == 0 && (vfs.f_bavail == 0 || (vfs.f_files > 0 && vfs.f_favail == 0));
}
} // namespace

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
        reason = diskFull(path) ? uiText("fileWhyDiskFull") : QStringLiteral("Unable to lock");
    }
    throw KvxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason));
}

SharedFileLock::~SharedFileLock() = default;
