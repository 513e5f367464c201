// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Challenge.h"

#include <string>

namespace challenge {

namespace {
constexpr quint64 golden = 0x9E3779B97F4A7C15ull;
// Sets the challenge stream apart from any other use of the same mix.
constexpr quint64 streamTag = 0x4B56584348414C31ull; // "KVXCHAL1"
constexpr quint64 dailyTag = 0x4B56584441494C59ull;  // "KVXDAILY"
constexpr quint64 codeSpace = 656100000000ull;       // 30^8
} // namespace

quint64 mix64(quint64 z)
{
    z ^= z >> 30;
    z *= 0xBF58476D1CE4E5B9ull;
    z ^= z >> 27;
    z *= 0x94D049BB133111EBull;
    z ^= z >> 31;
    return z;
}

quint64 absorb(quint64 h, quint64 v)
{
    return mix64(h ^ mix64(v + golden));
}

int challengeFace(quint64 key, quint64 round, quint64 roll, quint64 die)
{
    const quint64 h = absorb(absorb(absorb(mix64(key ^ streamTag), round), roll), die);
    for (quint64 attempt = 0;; ++attempt) {
        const quint64 w = absorb(h, attempt);
        // 21 draws of 3 bits, highest first; 6 and 7 are thrown away.
        for (int i = 0; i < 21; ++i) {
            const int v = int((w >> (61 - 3 * i)) & 7u);
            if (v < 6)
                return v + 1;
        }
    }
}

} // namespace challenge

using namespace challenge;

ChallengeCode ChallengeCode::parse(const QString &text)
{
    QString s;
    for (const QChar c : text) {
        if (c.isSpace() || c == QLatin1Char('-'))
            continue;
        const QChar u = c.toUpper();
        if (u.unicode() > 127 || !std::char_traits<char>::find(alphabet, symbolCount, char(u.unicode())))
            return {};
        s += u;
        if (s.size() > codeLength)
            return {};
    }
    ChallengeCode code;
    if (s.size() == codeLength)
        code.m_symbols = s;
    return code;
}

ChallengeCode ChallengeCode::fromNumber(quint64 n)
{
    n %= codeSpace;
    QString s(codeLength, QLatin1Char(' '));
    for (int i = codeLength - 1; i >= 0; --i) {
        s[i] = QLatin1Char(alphabet[n % symbolCount]);
        n /= symbolCount;
    }
    ChallengeCode code;
    code.m_symbols = s;
    return code;
}

ChallengeCode ChallengeCode::random(quint64 seed)
{
    // 40 bits at a time; values past the last whole multiple of 30^8 are
    // thrown away, so every code is as likely as every other.
    for (quint64 i = 0;; ++i) {
        const quint64 n = mix64(seed + golden * (i + 1)) >> 24;
        if (n < codeSpace)
            return fromNumber(n);
    }
}

ChallengeCode ChallengeCode::daily(const QDate &date)
{
    const quint64 ymd = quint64(date.year() * 10000 + date.month() * 100 + date.day());
    return random(mix64(dailyTag ^ ymd));
}

QString ChallengeCode::text() const
{
    return isEmpty() ? QString() : m_symbols.left(4) + QLatin1Char('-') + m_symbols.mid(4);
}

QString ChallengeCode::spelt() const
{
    QString out;
    for (int i = 0; i < m_symbols.size(); ++i) {
        if (i == 4)
            out += QLatin1Char(',');
        if (i > 0)
            out += QLatin1Char(' ');
        out += m_symbols[i];
    }
    return out;
}

quint64 ChallengeCode::number() const
{
    quint64 n = 0;
    for (const QChar c : m_symbols)
        n = n * symbolCount
                + quint64(std::char_traits<char>::find(alphabet, symbolCount, char(c.unicode())) - alphabet);
    return n;
}

quint64 ChallengeCode::key() const
{
    return number();
}

void ChallengeDice::newGame()
{
    m_code = m_armed;
    m_armed = {};
    m_round = 0;
    m_roll = 0;
}

void ChallengeDice::nextRoll(qint32 roundNo)
{
    if (roundNo != m_round) {
        m_round = roundNo;
        m_roll = 1;
    } else if (m_roll < 0x7FFFFFFF) {
        m_roll += 1;
    }
}

int ChallengeDice::face(int k) const
{
    if (!active() || m_round < 1 || m_roll < 1 || k < 1 || k > 6)
        return 0;
    return challengeFace(m_code.key(), quint64(m_round), quint64(m_roll), quint64(k));
}

void ChallengeDice::restore(const ChallengeCode &code, qint32 round, qint32 roll)
{
    m_code = code;
    m_armed = {};
    m_round = code.isEmpty() ? 0 : round;
    m_roll = code.isEmpty() ? 0 : roll;
}
