// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FileLock.h"

#include "base/KvxError.h"
#include "base/RecordFile.h"

#include "base/UiTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>

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
// The locks this process holds, by lock file, with how often each is held.
// One gate guards them all: a thread holds the gate for as long as it holds
// any lock, so the same thread may take a lock again and another waits.
struct Held
{
    std::unique_ptr<QLockFile> file;
    int depth = 0;
};

std::recursive_timed_mutex &gate()
{
    static std::recursive_timed_mutex m;
    return m;
}

std::map<QString, Held> &held()
{
    static std::map<QString, Held> h;
    return h;
}

// The wait a LockWait sets, for every thread; -1 when none is.
std::atomic<int> gWait{-1};
} // namespace

SharedFileLock::SharedFileLock(const QString &path, int waitMs, const QString &shownAs)
    : m_lockPath(QFileInfo(path + QStringLiteral(".lock")).absoluteFilePath())
{
    const QString shown = shownAs.isEmpty() ? path : shownAs;
    if (const int set = gWait.load(); set >= 0)
        waitMs = set;
    else if (waitMs < 0)
        waitMs = kWaitMs;
    if (!gate().try_lock_for(std::chrono::milliseconds(waitMs)))
        throw FileInUse(fileProblem(shown, uiText("fileWhyInUse")));
    Held &h = held()[m_lockPath];
    if (h.depth > 0) {
        ++h.depth;
        return;
    }
    h.file = std::make_unique<QLockFile>(m_lockPath);
    h.file->setStaleLockTime(kStaleMs);
    if (h.file->tryLock(waitMs)) {
        h.depth = 1;
        return;
    }
    const bool inUse = h.file->error() == QLockFile::LockFailedError;
    QString reason;
    switch (h.file->error()) {
    case QLockFile::LockFailedError:
        reason = uiText("fileWhyInUse");
        break;
    case QLockFile::PermissionError:
        reason = QStringLiteral("Permission denied");
        break;
    default:
        reason = diskFull(path) ? uiText("fileWhyDiskFull") : QStringLiteral("Unable to lock");
    }
    held().erase(m_lockPath);
    gate().unlock();
    if (inUse)
        throw FileInUse(fileProblem(shown, reason));
    throw KvxError(fileProblem(shown, reason));
}

SharedFileLock::~SharedFileLock()
{
    const auto it = held().find(m_lockPath);
    if (it != held().end() && --it->second.depth == 0)
        held().erase(it); // unlocks
    gate().unlock();
}

LockWait::LockWait(int ms) : m_before(gWait.exchange(ms)) {}

LockWait::~LockWait() { gWait = m_before; }

int LockWait::current() { return gWait.load(); }

bool LaterWrites::run(Write write)
{
    if (!m_waiting.empty()) {
        m_waiting.push_back(std::move(write));
        return false;
    }
    try {
        write();
    } catch (const FileInUse &) {
        m_waiting.push_back(std::move(write));
        return false;
    }
    return true;
}

QStringList LaterWrites::retry()
{
    QStringList failed;
    while (!m_waiting.empty()) {
        try {
            m_waiting.front()();
        } catch (const FileInUse &) {
            break;
        } catch (const KvxError &e) {
            failed << e.message();
        }
        m_waiting.pop_front();
    }
    return failed;
}
