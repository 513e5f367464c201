// SPDX-License-Identifier: GPL-3.0-or-later
// The one random generator of the game; a known seed replays a roll exactly.
#pragma once

#include <QtGlobal>

class GameRandom
{
public:
    // A number from 0 to n - 1 (n > 0): the linear congruential step, then the
    // upper half of the 64-bit product of n and the new seed.
    int random(int n)
    {
        m_seed = m_seed * 134775813u + 1u;
        return int((quint64(quint32(n)) * m_seed) >> 32);
    }
    void setSeed(quint32 seed) { m_seed = seed; }
    quint32 seed() const { return m_seed; }
    // Reseeds with the milliseconds since midnight (UTC) of the time given.
    void randomize(qint64 msecsSinceMidnightUtc) { m_seed = quint32(msecsSinceMidnightUtc); }

private:
    quint32 m_seed = 0;
};
