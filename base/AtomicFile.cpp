// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads and writes on POSIX systems.
#include "base/AtomicFile.h"

#include "base/UiTexts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

QString systemReason(int err)
{
    if (err == ENOSPC || err == EDQUOT)
        return uiText("fileWhyDiskFull");
    return QString::fromLocal8Bit(std::strerror(err));
}

// Closes a descriptor when it goes out of scope.
struct Fd
{
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

bool writeAll(int fd, const QByteArray &data, int *err)
{
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            return false;
        }
        if (n == 0) {
            *err = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray enc(const QString &path) { return QFile::encodeName(path); }

// The temporary name a copy of the game with this process id gives a file
// before it renames it into place.
QString tempName(const QString &dir, const QString &base, qint64 pid)
{
    return dir + QStringLiteral("/.") + base + QLatin1Char('.') + QString::number(pid) + QStringLiteral(".kvxnew");
}

// Removes the temporary names of this file left by copies that are gone.
void clearLeftovers(const QString &dir, const QString &base)
{
    const QString prefix = QStringLiteral(".") + base + QLatin1Char('.');
    const QString suffix = QStringLiteral(".kvxnew");
    DIR *d = ::opendir(enc(dir).constData());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const QString name = QFile::decodeName(e->d_name);
        if (!name.startsWith(prefix) || !name.endsWith(suffix))
            continue;
        bool ok = false;
        const qint64 pid = QStringView(name).mid(prefix.size(), name.size() - prefix.size() - suffix.size()).toLongLong(&ok);
        if (!ok || pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue; // its writer may still be at work
        ::unlink(enc(dir + QLatin1Char('/') + name).constData());
    }
    ::closedir(d);
}

// Where a write to path really goes: path itself, or the target of a link
// that stays in the same folder. Empty with *why set when it must not be written.
QString writeTarget(const QString &path, struct stat *st, bool *exists, QString *why)
{
    *exists = false;
    if (::lstat(enc(path).constData(), st) != 0) {
        if (errno == ENOENT)
            return path;
        *why = systemReason(errno);
        return QString();
    }
    QString target = path;
    if (S_ISLNK(st->st_mode)) {
        char resolved[PATH_MAX];
        char folder[PATH_MAX];
        const QString dir = QFileInfo(path).absolutePath();
        if (!::realpath(enc(path).constData(), resolved) || !::realpath(enc(dir).constData(), folder)) {
            *why = uiText("fileWhyLinkOut");
            return QString();
        }
        target = QFile::decodeName(resolved);
        if (QFileInfo(target).absolutePath() != QFile::decodeName(folder)) {
            *why = uiText("fileWhyLinkOut");
            return QString();
        }
        if (::lstat(resolved, st) != 0) {
            *why = systemReason(errno);
            return QString();
        }
    }
    if (!S_ISREG(st->st_mode)) {
        *why = uiText("fileWhyNotRegular");
        return QString();
    }
    // No write bit at all counts as read-only, also for a user (an
    // administrator) whom the system would let write.
    if ((st->st_mode & 0222) == 0 || ::access(enc(target).constData(), W_OK) != 0) {
        *why = uiText("fileWhyReadOnly");
        return QString();
    }
    *exists = true;
    return target;
}

} // namespace

QString writeAtomically(const QString &path, const QByteArray &data)
{
    struct stat st {};
    bool exists = false;
    QString why;
    const QString target = writeTarget(QFileInfo(path).absoluteFilePath(), &st, &exists, &why);
    if (target.isEmpty())
        return why;
    const QFileInfo info(target);
    const QString dir = info.absolutePath();
    const QString base = info.fileName();
    clearLeftovers(dir, base);

    // Unnamed where the system can: a kill while writing leaves nothing.
    int err = 0;
    bool named = false;
    const QString temp = tempName(dir, base, ::getpid());
#ifdef O_TMPFILE
    Fd fd(::open(enc(dir).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
#else
    Fd fd(-1);
#endif
    if (fd.fd < 0) {
        named = true;
        ::unlink(enc(temp).constData());
        fd.fd = ::open(enc(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd.fd < 0)
            return systemReason(errno);
    }
    const auto fail = [&](int e) {
        if (named)
            ::unlink(enc(temp).constData());
        return systemReason(e);
    };
    if (exists) {
        // The replacement keeps the owner and the permissions of the file it replaces.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            if (::fchown(fd.fd, st.st_uid, st.st_gid) != 0 && st.st_uid != ::geteuid())
                return fail(errno);
        }
        if (::fchmod(fd.fd, st.st_mode & 07777) != 0)
            return fail(errno);
    }
    if (!writeAll(fd.fd, data, &err))
        return fail(err);
    if (::fsync(fd.fd) != 0)
        return fail(errno);

    const QByteArray targetName = enc(target);
    if (!named) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd.fd);
        // A new file is linked straight to its name: there is never a moment
        // when it exists only under a temporary one.
        if (!exists && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, targetName.constData(), AT_SYMLINK_FOLLOW) == 0)
            return QString();
        ::unlink(enc(temp).constData());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, enc(temp).constData(), AT_SYMLINK_FOLLOW) != 0)
            return systemReason(errno);
        named = true;
    } else if (!exists && ::link(enc(temp).constData(), targetName.constData()) == 0) {
        ::unlink(enc(temp).constData());
        return QString();
    }
    if (::rename(enc(temp).constData(), targetName.constData()) != 0)
        return fail(errno);
    Fd dfd(::open(enc(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dfd.fd >= 0)
        ::fsync(dfd.fd);
    return QString();
}

namespace {
ReadOutcome readRegular(const QString &path, qint64 maxBytes, bool cut, QByteArray *bytes, QString *why)
{
    const auto refuse = [&](const QString &reason) {
        *why = reason;
        return ReadOutcome::Refused;
    };
    bytes->clear();
    if (path.startsWith(QLatin1Char(':'))) {
        // built into the program
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return ReadOutcome::Missing;
        if (file.size() > maxBytes && !cut)
            return refuse(uiText("fileWhyTooLarge").arg(maxBytes));
        *bytes = file.read(maxBytes);
        return ReadOutcome::Ok;
    }
    // Not waiting at the open: a pipe with no writer would hold it for ever.
    Fd fd(::open(enc(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadOutcome::Missing;
        return refuse(systemReason(errno));
    }
    struct stat st {};
    if (::fstat(fd.fd, &st) != 0)
        return refuse(systemReason(errno));
    if (!S_ISREG(st.st_mode))
        return refuse(uiText("fileWhyNotRegular"));
    const QString tooLarge = uiText("fileWhyTooLarge").arg(maxBytes);
    if (st.st_size > maxBytes && !cut)
        return refuse(tooLarge);
    QByteArray data(qsizetype(std::min<qint64>(st.st_size, maxBytes)) + 1, Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        if (got == data.size()) {
            // it grew while being read
            if (got > maxBytes)
                break;
            data.resize(qsizetype(std::min<qint64>(maxBytes + 1, got * 2 + 4096)));
        }
        const ssize_t n = ::read(fd.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return refuse(systemReason(errno));
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes) {
        if (!cut)
            return refuse(tooLarge);
        got = maxBytes;
    }
    data.truncate(qsizetype(got));
    *bytes = data;
    return ReadOutcome::Ok;
}
} // namespace

ReadOutcome readWholeFile(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *why)
{
    return readRegular(path, maxBytes, false, bytes, why);
}

ReadOutcome readFileStart(const QString &path, qint64 count, QByteArray *bytes, QString *why)
{
    return readRegular(path, count, true, bytes, why);
}
