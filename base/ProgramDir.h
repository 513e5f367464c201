// SPDX-License-Identifier: GPL-3.0-or-later
// The folder that holds every file of the game, always ending in one separator.
#pragma once

#include <QString>

namespace ProgramDir {

// The directory part of an executable's path with exactly one trailing '/';
// a root folder stays "/" (and "C:\" stays "C:\").
QString fromExecutable(const QString &exePath);

// The folder in force for this process (set once at start-up).
const QString &get();
void set(const QString &dir);

// get() + a bare file name.
QString file(const QString &name);

// --- finding the folder on this platform ---

// The per-user data home: $XDG_DATA_HOME when it is an absolute path,
// otherwise <home>/.local/share. No trailing separator.
QString userDataHome(const QString &xdgDataHome, const QString &home);

// The per-user program folder below a data home, with a trailing '/'.
QString userFolder(const QString &dataHome);

// The decision: the executable's own folder when the program can write there
// and it is not an installed copy; otherwise the per-user folder.
// An installed copy (installedRules not empty) never writes beside itself,
// not even when run by someone who could.
QString choose(const QString &exeDir, const QString &dataHome, bool exeDirWritable,
               const QString &installedRules);

// True when a file can really be created in dir (permission bits alone do not
// tell: a read-only mount or a virtual file system refuses even root).
bool isWritableDir(const QString &dir);

// The rules document of an installed copy: <exeDir>/<relDataDir>/KVXRules.rtf
// when it exists, else empty.
QString installedRulesOf(const QString &exeDir, const QString &relDataDir);

// Creates dir when needed and copies rulesSource into it as KVXRules.rtf when
// that file is missing there, and so each translated KVXRules.<code>.rtf
// beside rulesSource. False when the folder cannot be made or a copy fails;
// an existing copy is never replaced (the player may have edited it).
bool provide(const QString &dir, const QString &rulesSource);

// The whole start-up rule for an executable path and an environment; the
// folder it returns exists (or is the executable's folder as a last resort).
QString resolve(const QString &exePath, const QString &xdgDataHome, const QString &home,
                const QString &relDataDir);

// The folder `dirBytes` (a path as the system spells it) as a path that every
// file function of this process takes: its name as text when that text
// spells the same bytes again, otherwise a handle on the folder,
// "/proc/self/fd/<n>/", held open for the life of the process. A name that is
// no text in the system's encoding (bytes that are not UTF-8) cannot be put
// into a QString and back. Empty when the folder cannot be opened.
QString reachableFolder(const QByteArray &dirBytes);

// resolve() for an executable path as the system spells it, whatever the
// encoding of its folder's name. When that folder cannot be reached at all,
// the per-user folder is used and *unreached (when given) names the folder
// that was passed over, as near as text can.
QString resolveBytes(const QByteArray &exePath, const QString &xdgDataHome, const QString &home,
                     const QString &relDataDir, QString *unreached = nullptr);

// The running executable's path as the system spells it.
QByteArray executableBytes();

// What the player is told at start-up about where the files are: empty, or
// why the program's own folder was passed over and which is used instead.
QString startupNotice();

// Where this build installs its data, relative to the installed executable's folder.
QString relDataDir();

// Sets the folder for this process from the running executable and the
// environment, unless it is already set.
void resolveAtStartup();

// True when path names a file the game keeps or reads itself: its settings,
// language, top-ten, statistics and practice files (and the damaged copies
// kept beside them), a rules document, or the program. The name counts in any
// case and in any folder, and so does where the path leads through a link or "..".
bool isGameFile(const QString &path);

} // namespace ProgramDir
