// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/ChallengeFile.h"
#include "records/SavedGame.h"

#include "game/GameLimits.h"
#include "base/KvxError.h"
#include "base/RecordFile.h"
#include "base/FileLock.h"
#include "base/ProgramDir.h"
#include "base/UiTexts.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {

const QByteArray kHeader = "; Korvex challenge table, version 1";
const QByteArray kTrailerMagic = "KVXC";
constexpr auto kStamp = Qt::ISODate;

// A whole number of at most 10 digits within [lo, hi].
bool number(const QByteArray &s, qint64 lo, qint64 hi, qint64 *v)
{
    if (s.isEmpty() || s.size() > 10)
        return false;
    qint64 n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    *v = n;
    return n >= lo && n <= hi;
}

// Names keep to one line and to the field: control characters become blanks.
QString cleanName(const QString &name)
{
    QString out;
    for (const QChar c : name)
        out += c.category() == QChar::Other_Control ? QChar(QLatin1Char(' ')) : c;
    return out.left(ChallengeFile::kMaxNameLength);
}

// "won;CODE;stamp;winner;band;rounds;seconds;best;first;name" (the name
// last, so that it may hold the separator).
std::optional<ChallengeResult> readResult(const QByteArray &line)
{
    const QList<QByteArray> f = line.split(';');
    if (f.size() < 10 || f[0] != "won")
        return std::nullopt;
    ChallengeResult r;
    r.code = ChallengeCode::parse(QString::fromLatin1(f[1]));
    r.when = QDateTime::fromString(QString::fromLatin1(f[2]), kStamp);
    qint64 winner, band, rounds, seconds, best, first;
    if (r.code.isEmpty() || !r.when.isValid() || !number(f[3], GameLimits::minWinner, GameLimits::maxWinner, &winner)
        || !number(f[4], 0, 1, &band) || !number(f[5], 1, GameLimits::maxRounds, &rounds)
        || !number(f[6], 0, GameLimits::maxSeconds, &seconds) || !number(f[7], 0, GameLimits::maxRounds, &best)
        || !number(f[8], 0, 1, &first))
        return std::nullopt;
    const QByteArray name = line.mid(f[0].size() + f[1].size() + f[2].size() + f[3].size() + f[4].size()
                                     + f[5].size() + f[6].size() + f[7].size() + f[8].size() + 9);
    r.name = cleanName(QString::fromUtf8(name));
    r.rules = {qint32(winner), band != 0};
    r.rounds = qint32(rounds);
    r.seconds = qint32(seconds);
    r.bestRounds = qint32(best);
    r.first = first != 0;
    return r;
}

QByteArray resultLine(const ChallengeResult &r)
{
    const auto n = [](qint64 v) { return QByteArray::number(v); };
    return "won;" + r.code.symbols().toLatin1() + ';' + r.when.toString(kStamp).toLatin1() + ';' + n(r.rules.winner)
         + ';' + n(r.rules.band ? 1 : 0) + ';' + n(r.rounds) + ';' + n(r.seconds) + ';' + n(r.bestRounds) + ';'
         + n(r.first ? 1 : 0) + ';' + cleanName(r.name).toUtf8();
}

ChallengeTable damaged(const QString &why)
{
    ChallengeTable t;
    t.status = ChallengeTable::Damaged;
    t.problem = why;
    return t;
}

// Takes the lock, reads, keeps a damaged file aside, lets `change` work on
// the table and writes it back.
template <typename F>
void update(const QString &path, QString *aside, F &&change)
{
    const SharedFileLock lock(path);
    ChallengeTable t = ChallengeFile::load(path);
    if (t.status == ChallengeTable::Damaged) {
        const QString to = keepDamaged(path);
        if (aside)
            *aside = to;
        t = ChallengeTable();
    }
    change(t);
    while (t.results.size() > ChallengeFile::kMaxResults)
        t.results.removeFirst();
    while (t.begun.size() > ChallengeFile::kMaxCodes)
        t.begun.removeFirst();
    QByteArray bytes = ChallengeFile::format(t);
    // Within what a read takes: lines not understood give way first, then the oldest results.
    while (bytes.size() > ChallengeFile::kMaxBytes && !(t.otherLines.isEmpty() && t.results.isEmpty())) {
        if (!t.otherLines.isEmpty())
            t.otherLines.removeFirst();
        else
            t.results.removeFirst();
        bytes = ChallengeFile::format(t);
    }
    writeRecord(path, bytes);
}

} // namespace

QList<ChallengeResult> ChallengeTable::resultsFor(const ChallengeCode &code) const
{
    QList<ChallengeResult> out;
    for (const ChallengeResult &r : results)
        if (r.code == code)
            out << r;
    std::stable_sort(out.begin(), out.end(), [](const ChallengeResult &a, const ChallengeResult &b) {
        return std::tie(a.rounds, a.seconds) < std::tie(b.rounds, b.seconds);
    });
    return out;
}

qint32 ChallengeTable::timesBegun(const ChallengeCode &code) const
{
    for (const auto &b : begun)
        if (b.first == code)
            return b.second;
    return 0;
}

namespace ChallengeFile {

QString fileName()
{
    return fileNameIn(ProgramDir::get());
}

QString fileNameIn(const QString &dir)
{
    return QDir(dir).filePath(QStringLiteral("KVXChallenge.ini"));
}

ChallengeTable parse(const QByteArray &bytes)
{
    ChallengeTable t;
    if (bytes.isEmpty())
        return t;
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty() || lines.first() != kHeader)
        return damaged(uiText("challengeWhyHeader"));
    t.status = ChallengeTable::Ok;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray &l = lines[i];
        if (const auto r = readResult(l)) {
            t.results << *r;
            continue;
        }
        const QList<QByteArray> f = l.split(';');
        qint64 count = 0;
        if (f.size() == 3 && f[0] == "begun" && number(f[2], 1, GameLimits::maxGames, &count)) {
            const ChallengeCode c = ChallengeCode::parse(QString::fromLatin1(f[1]));
            if (!c.isEmpty() && t.timesBegun(c) == 0) {
                t.begun.append({c, qint32(std::min<qint64>(count, 0x7FFFFFFF))});
                continue;
            }
        }
        t.otherLines << l;
        t.status = ChallengeTable::Partial;
    }
    return t;
}

QByteArray format(const ChallengeTable &t)
{
    QByteArray out = kHeader + "\r\n";
    for (const auto &b : t.begun)
        out += "begun;" + b.first.symbols().toLatin1() + ';' + QByteArray::number(b.second) + "\r\n";
    for (const ChallengeResult &r : t.results)
        out += resultLine(r) + "\r\n";
    for (const QByteArray &l : t.otherLines)
        out += l + "\r\n";
    return out;
}

ChallengeTable load(const QString &path)
{
    const RecordRead read = readRecord(path, kMaxBytes);
    if (read.outcome == ReadOutcome::Missing)
        return ChallengeTable();
    if (read.refused())
        return damaged(read.why);
    return parse(read.bytes);
}

bool beginPlay(const QString &path, const ChallengeCode &code, QString *aside)
{
    bool first = false;
    update(path, aside, [&](ChallengeTable &t) {
        for (int i = 0; i < t.begun.size(); ++i) {
            if (t.begun[i].first == code) {
                auto b = t.begun.takeAt(i); // the newest go last, the oldest give way
                b.second = b.second < 0x7FFFFFFF ? b.second + 1 : b.second;
                t.begun.append(b);
                return;
            }
        }
        first = true;
        t.begun.append({code, 1});
    });
    return first;
}

void addResult(const QString &path, const ChallengeResult &r, QString *aside)
{
    update(path, aside, [&](ChallengeTable &t) { t.results << r; });
}

QByteArray encodeTrailer(const ChallengeDice &dice)
{
    QByteArray out = kTrailerMagic;
    char n[4];
    qToLittleEndian<qint32>(1, n);
    out.append(n, 4);
    out += dice.code().symbols().toLatin1();
    qToLittleEndian<qint32>(dice.round(), n);
    out.append(n, 4);
    qToLittleEndian<qint32>(dice.roll(), n);
    out.append(n, 4);
    return out;
}

std::optional<ChallengeDice> decodeTrailer(const QByteArray &after, qint32 roundNo)
{
    if (!after.startsWith(kTrailerMagic))
        return std::nullopt;
    if (after.size() < kTrailerSize)
        throw KvxError(uiText("challengeBadSave"));
    const qint32 version = qFromLittleEndian<qint32>(after.constData() + 4);
    const ChallengeCode code = ChallengeCode::parse(QString::fromLatin1(after.mid(8, 8)));
    const qint32 round = qFromLittleEndian<qint32>(after.constData() + 16);
    const qint32 roll = qFromLittleEndian<qint32>(after.constData() + 20);
    // The last roll made lies in the round on the table or before it, and
    // a roll is counted from 1 in its round.
    if (version != 1 || code.isEmpty() || round < 0 || round > roundNo || roll < 0 || (round == 0) != (roll == 0))
        throw KvxError(uiText("challengeBadSave"));
    ChallengeDice d;
    d.restore(code, round, roll);
    return d;
}

void writeGame(const QString &path, const Game::Snapshot &s, const ChallengeDice &dice)
{
    if (!dice.active()) {
        writeSavedGame(path, s);
        return;
    }
    writeRecord(path, encodeSavedGame(s) + encodeTrailer(dice));
}

std::optional<ChallengeDice> readPlace(const QString &path, qint32 roundNo)
{
    QByteArray bytes;
    QString why;
    if (readFileStart(path, SavedGame::RecordSize + kTrailerSize, &bytes, &why) != ReadOutcome::Ok)
        throw fileError(path, why);
    try {
        return decodeTrailer(bytes.mid(SavedGame::RecordSize), roundNo);
    } catch (const KvxError &e) {
        throw fileError(path, e.message());
    }
}

} // namespace ChallengeFile
