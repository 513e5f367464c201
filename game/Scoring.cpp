// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Scoring.h"

#include "settings/UiTexts.h"

#include <cmath>
#include <limits>

namespace {

// 10 x 2^(count - 3) x unit, rounded half to even; exact for every count that occurs.
qint32 setValue(int count, int unit)
{
    const double v = std::ldexp(10.0, count - 3) * unit;
    return std::isfinite(v) ? qint32(std::llrint(v)) : 0;
}

} // namespace

qint32 setPoints(int face, int count)
{
    if (face < 1 || face > 6 || count < 0 || count > 6)
        return 0;
    if (face == 1 || face == 5) {
        const int unit = face == 1 ? 10 : 5;
        return count < 3 ? count * unit : setValue(count, unit);
    }
    return count < 3 ? 0 : setValue(count, face);
}

QVector<ChoiceEntry> choiceEntries(int face, int count)
{
    QVector<ChoiceEntry> out;
    if ((face != 1 && face != 5) || count < 3 || count > 6)
        return out;
    const int unit = face == 1 ? 10 : 5;
    const QString single = face == 1 ? QStringLiteral(" * 10") : QStringLiteral(" * 5");
    const qint32 full = setValue(count, unit);
    out.append({uiText("sFull").arg(full), full});
    for (int k = 1; k <= count - 3; ++k) {
        const qint32 part = setValue(count - k, unit);
        out.append({QString::number(part) + QStringLiteral(" + (") + QString::number(k) + single
                            + QStringLiteral(")"),
                    part + k * unit});
    }
    out.append({QString::number(count) + single, count * unit});
    return out;
}

BankOutcome bankOutcome(qint32 total, qint32 points, qint32 winner, bool valid)
{
    BankOutcome r;
    r.total = total;
    const qint64 sum = qint64(total) + points;
    // The remainder truncates toward zero, as C++ does.
    const qint64 t = valid ? sum % 1000 : sum;
    if (points > 0 && t > 395 && t < 505) {
        r.verdict = BankVerdict::Band;
        return r;
    }
    if (points > 0 && sum > winner) {
        r.verdict = BankVerdict::Exact;
        return r;
    }
    const qint64 lo = std::numeric_limits<qint32>::min(), hi = std::numeric_limits<qint32>::max();
    r.total = qint32(sum < lo ? lo : sum > hi ? hi : sum);
    r.won = r.total == winner;
    return r;
}

qint64 rating(qint64 total, qint64 rounds)
{
    if (rounds == 0)
        return 0;
    const double v = double(total) / double(rounds) * 100.0;
    // llrint in the default rounding mode sends halves to the even neighbour.
    return std::isfinite(v) ? std::llrint(v) : 0;
}
