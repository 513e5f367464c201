// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Scoring.h"

#include "base/UiTexts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// 10 x 2^(count - 3) x unit, rounded half to even; exact for every count that occurs.
qint32 setValue(int count, int unit)
{
    const double v = std::ldexp(10.0, count - 3) * unit;
    return std::isfinite(v) ? qint32(std::llrint(v)) : 0;
}

} // namespace

int diceIn(const int counts[7])
{
    return std::accumulate(counts + 1, counts + 7, 0);
}

qint32 setPoints(int face, int count, int entry)
{
    if (face < 1 || face > 6 || count < 0 || count > 6)
        return 0;
    const qint32 unit = singlePoints(face);
    if (unit == 0)
        return count < 3 ? 0 : setValue(count, face);
    if (count < 3)
        return count * unit;
    // The list: the full set, then k (1..count - 3) dice of it as singles,
    // then all of them as singles.
    const int k = std::clamp(entry, 0, count - 2);
    return k == count - 2 ? count * unit : setValue(count - k, unit) + k * unit;
}

qint32 keepPoints(const int count[7], int onesEntry, int fivesEntry)
{
    qint32 points = 0;
    for (int f = 1; f <= 6; ++f)
        points += setPoints(f, count[f], f == 1 ? onesEntry : f == 5 ? fivesEntry : 0);
    return points;
}

QVector<ChoiceEntry> choiceEntries(int face, int count)
{
    QVector<ChoiceEntry> out;
    if ((face != 1 && face != 5) || count < 3 || count > 6)
        return out;
    const QString single = face == 1 ? QStringLiteral(" * 10") : QStringLiteral(" * 5");
    const qint32 full = setPoints(face, count);
    out.append({uiText("sFull").arg(full), full});
    for (int k = 1; k <= count - 3; ++k) {
        out.append({QString::number(setPoints(face, count - k)) + QStringLiteral(" + (") + QString::number(k) + single
                            + QStringLiteral(")"),
                    setPoints(face, count, k)});
    }
    out.append({QString::number(count) + single, setPoints(face, count, count - 2)});
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

bool isBust(const int rolled[7])
{
    return rolled[1] == 0 && rolled[5] == 0 && rolled[2] < 3 && rolled[3] < 3 && rolled[4] < 3 && rolled[6] < 3;
}

bool KeepOption::sameAs(const KeepOption &o) const
{
    if (!std::equal(count + 1, count + 7, o.count + 1))
        return false;
    return (count[1] < 3 || onesEntry == o.onesEntry) && (count[5] < 3 || fivesEntry == o.fivesEntry);
}

QString KeepOption::entryText(int face) const
{
    const int entry = face == 1 ? onesEntry : face == 5 ? fivesEntry : -1;
    return entry > 0 ? choiceEntries(face, count[face]).value(entry).text : QString();
}

bool diceTaken(const int count[7], const int faces[7], const bool takeable[7], bool taken[7])
{
    int left[7];
    std::copy(count, count + 7, left);
    for (int n = 1; n <= 6; ++n) {
        const int f = faces[n];
        taken[n] = takeable[n] && f >= 1 && f <= 6 && left[f] > 0;
        if (taken[n])
            left[f] -= 1;
    }
    return std::all_of(left + 1, left + 7, [](int k) { return k == 0; });
}

bool toggleSelection(const int faces[7], const bool takeable[7], bool selected[7], int n)
{
    if (n < 1 || n > 6 || !takeable[n])
        return false;
    const int v = faces[n];
    if (v == 1 || v == 5) {
        selected[n] = !selected[n];
        return true;
    }
    int rolled = 0, count = 0;
    for (int k = 1; k <= 6; ++k) {
        if (takeable[k] && faces[k] == v) {
            rolled += 1;
            count += selected[k] ? 1 : 0;
        }
    }
    if (rolled < 3)
        return false;
    // Past three, one by one; up to three, the set as a whole (a die of a set
    // left short of three, as only a saved game can hold, is freed alone).
    if (count >= 4 || (count == 3 && !selected[n]) || (count < 3 && selected[n])) {
        selected[n] = !selected[n];
        return true;
    }
    const bool take = !selected[n];
    for (int k = 1; k <= 6; ++k) {
        if (!takeable[k] || faces[k] != v)
            continue;
        if (take && count < 3 && !selected[k]) {
            selected[k] = true;
            count += 1;
        } else if (!take && selected[k]) {
            selected[k] = false;
        }
    }
    return true;
}
