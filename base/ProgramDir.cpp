// SPDX-License-Identifier: GPL-3.0-or-later
// The program folder: computed once at start-up, read everywhere.
#include "base/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include "base/UiTexts.h"

#include <map>

#include <fcntl.h>
#include <unistd.h>

#ifndef KORVEX_REL_DATADIR
#define KORVEX_REL_DATADIR "../share/games/korvex"
#endif

namespace ProgramDir {

namespace {
QString &current()
{
    static QString dir;
    return dir;
}
} // namespace

QString fromExecutable(const QString &exePath)
{
    int cut = -1;
    for (int i = exePath.size() - 1; i >= 0; --i) {
        const QChar c = exePath.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')) {
            cut = i;
            break;
        }
    }
    QString dir = exePath.left(cut + 1);
    // Everything before the last separator; the separator itself is kept once.
    while (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))
           && (dir.at(dir.size() - 2) == QLatin1Char('/') || dir.at(dir.size() - 2) == QLatin1Char('\\')))
        dir.chop(1);
    if (dir.isEmpty())
        return QStringLiteral("./");
    if (!dir.endsWith(QLatin1Char('/')) && !dir.endsWith(QLatin1Char('\\')))
        dir += dir.endsWith(QLatin1Char(':')) ? QLatin1Char('\\') : QLatin1Char('/');
    return dir;
}

const QString &get() { return current(); }

void set(const QString &dir) { current() = dir; }

QString file(const QString &name) { return current() + name; }

namespace {
const QString kRules = QStringLiteral("KVXRules.rtf");

QString withSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}
} // namespace

QString userDataHome(const QString &xdgDataHome, const QString &home)
{
    // A relative XDG_DATA_HOME is invalid and ignored, like an unset one.
    QString base;
    if (QDir::isAbsolutePath(xdgDataHome))
        base = xdgDataHome;
    else if (QDir::isAbsolutePath(home))
        base = withSlash(home) + QStringLiteral(".local/share");
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString userFolder(const QString &dataHome)
{
    if (dataHome.isEmpty())
        return QString();
    return withSlash(dataHome) + QStringLiteral("Korvex/");
}

QString choose(const QString &exeDir, const QString &dataHome, bool exeDirWritable,
               const QString &installedRules)
{
    if (exeDirWritable && installedRules.isEmpty())
        return exeDir;
    const QString user = userFolder(dataHome);
    // Without any home the executable's folder is all there is; writes then
    // fail with the game's own messages.
    return user.isEmpty() ? exeDir : user;
}

bool isWritableDir(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(withSlash(dir) + QStringLiteral(".korvex-probe-XXXXXX"));
    return probe.open(); // removed again when probe goes
}

QString installedRulesOf(const QString &exeDir, const QString &relDataDir)
{
    if (exeDir.isEmpty() || relDataDir.isEmpty())
        return QString();
    const QString path = QDir::cleanPath(withSlash(exeDir) + relDataDir + QLatin1Char('/') + kRules);
    return QFileInfo(path).isFile() ? path : QString();
}

namespace {
// Copies a regular file (a pipe or a device would block or never end) to a
// target that does not exist yet, atomically.
bool copyNew(const QString &source, const QString &target)
{
    if (QFileInfo::exists(target))
        return true;
    if (!QFileInfo(source).isFile())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buf[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buf, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}
} // namespace

bool provide(const QString &dir, const QString &rulesSource)
{
    if (!QDir().mkpath(dir))
        return false;
    if (rulesSource.isEmpty())
        return true;
    if (!copyNew(rulesSource, withSlash(dir) + kRules))
        return false;
    // The rules in the other languages lie beside the English ones.
    const QFileInfo source(rulesSource);
    const QStringList translated = source.dir().entryList({QStringLiteral("KVXRules.*.rtf")}, QDir::Files);
    bool all = true;
    for (const QString &name : translated)
        all = copyNew(source.dir().filePath(name), withSlash(dir) + name) && all;
    return all;
}

namespace {
// The start-up rule once the executable's folder and any installed rules are known.
QString resolveIn(const QString &exeDir, const QString &installed, const QString &xdgDataHome, const QString &home)
{
    const bool writable = installed.isEmpty() && isWritableDir(exeDir);
    const QString dir = choose(exeDir, userDataHome(xdgDataHome, home), writable, installed);
    if (dir == exeDir)
        return dir;
    const QString source = installed.isEmpty() ? exeDir + kRules : installed;
    provide(dir, QFileInfo(source).isFile() ? source : QString());
    // A folder that cannot be made leaves the executable's folder, whose files
    // can at least be read.
    return QFileInfo(dir).isDir() ? dir : exeDir;
}

// The folder passed over at start-up, when it could not be reached.
QString &unreachedAtStartup()
{
    static QString folder;
    return folder;
}
} // namespace

QString resolve(const QString &exePath, const QString &xdgDataHome, const QString &home,
                const QString &relDataDir)
{
    const QString exeDir = fromExecutable(exePath);
    return resolveIn(exeDir, installedRulesOf(exeDir, relDataDir), xdgDataHome, home);
}

QString reachableFolder(const QByteArray &dirBytes)
{
    if (dirBytes.isEmpty())
        return QString();
    const QString asText = QFile::decodeName(dirBytes);
    if (QFile::encodeName(asText) == dirBytes)
        return withSlash(asText);
    // One handle for each folder, however often it is asked for.
    static std::map<QByteArray, QString> handles;
    const auto known = handles.find(dirBytes);
    if (known != handles.end())
        return known->second;
#ifdef O_PATH
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    const int fd = ::open(dirBytes.constData(), flags);
    if (fd < 0)
        return QString();
    const QString handle = QStringLiteral("/proc/self/fd/%1/").arg(fd);
    if (!QFileInfo(handle).isDir()) { // no /proc here
        ::close(fd);
        return QString();
    }
    handles.emplace(dirBytes, handle);
    return handle;
}

QString resolveBytes(const QByteArray &exePath, const QString &xdgDataHome, const QString &home,
                     const QString &relDataDir, QString *unreached)
{
    const QString asText = QFile::decodeName(exePath);
    if (QFile::encodeName(asText) == exePath)
        return resolve(asText, xdgDataHome, home, relDataDir);
    const qsizetype cut = exePath.lastIndexOf('/');
    const QByteArray dirBytes = cut < 0 ? QByteArray(".") : cut == 0 ? QByteArray("/") : exePath.left(cut);
    const QString exeDir = reachableFolder(dirBytes);
    if (exeDir.isEmpty()) {
        const QString dir = resolveIn(fromExecutable(asText), QString(), xdgDataHome, home);
        if (unreached && dir != fromExecutable(asText))
            *unreached = fromExecutable(asText);
        return dir;
    }
    // The installed layout is looked for through the bytes too: ".." in a
    // handle's path is the folder's real parent only to the system.
    QString installed;
    if (!relDataDir.isEmpty()) {
        const QString data = reachableFolder(dirBytes + '/' + QFile::encodeName(relDataDir));
        if (!data.isEmpty() && QFileInfo(data + kRules).isFile())
            installed = data + kRules;
    }
    return resolveIn(exeDir, installed, xdgDataHome, home);
}

QByteArray executableBytes()
{
    QByteArray path(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), size_t(path.size()));
        if (n < 0)
            return QFile::encodeName(QCoreApplication::applicationFilePath());
        if (n < path.size()) {
            path.truncate(n);
            return path;
        }
        if (path.size() >= 1 << 20)
            return QFile::encodeName(QCoreApplication::applicationFilePath());
        path.resize(path.size() * 2);
    }
}

QString startupNotice()
{
    if (unreachedAtStartup().isEmpty())
        return QString();
    return uiText("folderNotReached").arg(QDir::toNativeSeparators(unreachedAtStartup()),
                                          QDir::toNativeSeparators(get()));
}

QString relDataDir() { return QStringLiteral(KORVEX_REL_DATADIR); }

void resolveAtStartup()
{
    if (!get().isEmpty())
        return;
    // By the bytes of its path, which need not be text in any encoding.
    set(resolveBytes(executableBytes(), qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME"),
                     relDataDir(), &unreachedAtStartup()));
}

bool isGameFile(const QString &path)
{
    static const QRegularExpression own(
            QStringLiteral("^(korvex\\.(cnf|lng)|kvx(scr[pt]|stats|practice|challenge)\\.ini(\\.damaged\\d*)?|kvxrules(\\.[^.]+)?\\.rtf)$"),
            QRegularExpression::CaseInsensitiveOption);
    const auto named = [](const QString &p) { return own.match(QFileInfo(p).fileName()).hasMatch(); };
    if (named(path))
        return true;
    const QFileInfo info(path);
    QString leadsTo;
    if (info.exists())
        leadsTo = info.canonicalFilePath();
    else if (info.isSymLink())
        leadsTo = info.symLinkTarget(); // a link to a file not made yet
    if (leadsTo.isEmpty())
        return false;
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    return named(leadsTo) || (!program.isEmpty() && leadsTo == program);
}

} // namespace ProgramDir
