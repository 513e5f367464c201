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

} // namespace ProgramDir
