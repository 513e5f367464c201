// SPDX-License-Identifier: GPL-3.0-or-later
// A lock held around one read-modify-write of a file that two copies of the
// game may change at the same moment (the statistics and the practice file,
// the top-ten tables).
#pragma once

#include "base/KvxError.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// The lock of a file stayed taken by another copy of the game (or another
// thread of this one) for the whole wait. Nothing was read or written: the
// same write may simply be tried again later.
class FileInUse : public KvxError
{
public:
    using KvxError::KvxError;
};

class SharedFileLock
{
public:
    // How long a lock may stand before it counts as left behind by a copy that
    // died holding it; a read-modify-write takes milliseconds.
    static constexpr int kStaleMs = 10000;
    // How long a write waits for another copy to let go, unless told otherwise.
    static constexpr int kWaitMs = 5000;

    // Takes "<path>.lock", waiting up to waitMs (kWaitMs when negative) for
    // another copy (or another thread) to let go; a LockWait takes the place
    // of either. Within one thread the lock is re-entrant: a write that
    // already holds it takes it again at no cost. Throws FileInUse
    // naming shownAs (path when empty) when the lock stays taken, KvxError
    // when it cannot be made at all.
    explicit SharedFileLock(const QString &path, int waitMs = -1, const QString &shownAs = QString());
    ~SharedFileLock();

    SharedFileLock(const SharedFileLock &) = delete;
    SharedFileLock &operator=(const SharedFileLock &) = delete;

private:
    QString m_lockPath;
};

// For its lifetime, every lock taken waits up to ms, whatever wait the write
// asks for: longer when the game closes (its writer threads are done by
// then), shorter in a test. Nested waits restore the one before.
class LockWait
{
public:
    explicit LockWait(int ms);
    ~LockWait();
    LockWait(const LockWait &) = delete;
    LockWait &operator=(const LockWait &) = delete;

    // The wait in force; negative when none is set.
    static int current();

private:
    int m_before;
};

// Writes that found their file in use, kept in the order they came to be
// tried again later (at the next win, when the game closes). A write that
// comes while others wait goes behind them, so a later change never lands
// before an earlier one. Used from one thread at a time.
class LaterWrites
{
public:
    using Write = std::function<void()>;
    // The wait of the last try, when the game closes: three times the usual,
    // past the time after which a lock left by a copy that hangs is taken over.
    static constexpr int kLastWaitMs = 3 * SharedFileLock::kWaitMs;

    // Runs the write now, unless writes wait already. True when it was done;
    // false when it waits (its file was in use). Any other failure throws as
    // the write threw it.
    bool run(Write write);
    // Tries the waiting writes again, oldest first, and stops at the first
    // whose file is still in use. A write that fails otherwise is dropped and
    // its message returned; it would fail the same way again.
    QStringList retry();
    // How many writes wait.
    int waiting() const { return int(m_waiting.size()); }
    // Forgets the waiting writes (they will not be written).
    void clear() { m_waiting.clear(); }

private:
    std::deque<Write> m_waiting;
};
