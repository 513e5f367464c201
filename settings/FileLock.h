// SPDX-License-Identifier: GPL-3.0-or-later
// A lock held around one read-modify-write of a file that two copies of the
// game may change at the same moment (the statistics and the practice file,
// the top-ten tables).
#pragma once

#include <QString>

class SharedFileLock
{
public:
    // How long a lock may stand before it counts as left behind by a copy that
    // died holding it; a read-modify-write takes milliseconds.
    static constexpr int kStaleMs = 10000;

    // Takes "<path>.lock", waiting up to waitMs for another copy (or another
    // thread) to let go. Within one thread the lock is re-entrant: a write
    // that already holds it takes it again at no cost. Throws KvxError naming
    // shownAs (path when empty) when the lock cannot be had.
    explicit SharedFileLock(const QString &path, int waitMs = 5000, const QString &shownAs = QString());
    ~SharedFileLock();

    SharedFileLock(const SharedFileLock &) = delete;
    SharedFileLock &operator=(const SharedFileLock &) = delete;

private:
    QString m_lockPath;
};
