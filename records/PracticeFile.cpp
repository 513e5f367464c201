// SPDX-License-Identifier: GPL-3.0-or-later
// The practice file, read in one pass and written whole under the
// statistics' lock.
#include "records/PracticeFile.h"

#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "game/GameLimits.h"
#include "base/RecordFile.h"
#include "base/FileLock.h"
#include "records/Statistics.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

const QString kPractice = QStringLiteral("Practice");
const QString kPositions = QStringLiteral("Positions");
const QString kAttempts = QStringLiteral("Attempts");
const QString kVersionKey = QStringLiteral("Version");
const QString kTurnKey = QStringLiteral("Turn");
const QString kStamp = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

bool same(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool integer(const QString &s, qint64 *out, qint64 lo, qint64 hi)
{
    bool ok = false;
    const qint64 v = s.trimmed().toLongLong(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// Rounds lost or a position's cost.
constexpr double kMaxCost = 1e6;

bool number(const QString &s, double *out)
{
    bool ok = false;
    const double v = s.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > kMaxCost)
        return false;
    *out = v;
    return true;
}

// A cost as a read takes it.
double costWritten(double v)
{
    return std::isfinite(v) ? std::clamp(v, 0.0, kMaxCost) : 0.0;
}

// "1 1 5" written as "115"; "-" for none.
QString diceField(const int counts[7])
{
    QString s;
    for (int f = 1; f <= 6; ++f)
        s += QString(counts[f], QChar(u'0' + f));
    return s.isEmpty() ? QStringLiteral("-") : s;
}

bool readDice(const QString &s, int counts[7])
{
    std::fill(counts, counts + 7, 0);
    const QString t = s.trimmed();
    if (t == QLatin1String("-"))
        return true;
    if (t.isEmpty() || t.size() > 6)
        return false;
    for (const QChar c : t) {
        if (c < u'1' || c > u'6')
            return false;
        counts[c.unicode() - u'0'] += 1;
    }
    return true;
}

QString sourceField(PracticeSource s) { return s == PracticeSource::Mine ? QStringLiteral("m") : QStringLiteral("b"); }

bool readSource(const QString &s, PracticeSource *out)
{
    const QString t = s.trimmed();
    if (t == QLatin1String("m"))
        *out = PracticeSource::Mine;
    else if (t == QLatin1String("b"))
        *out = PracticeSource::BuiltIn;
    else
        return false;
    return true;
}

PracticeData damaged(const QString &problem)
{
    PracticeData d;
    d.status = PracticeData::Damaged;
    d.problem = problem;
    return d;
}

// Written only as a read takes it again: within the size a read accepts.
void save(const QString &path, PracticeData &d)
{
    if (!d.fit())
        throw KvxError(uiText("pracFull").arg(QDir::toNativeSeparators(path)));
    writeRecord(path, PracticeFile::format(d));
}

// Under the lock: the file as it is, a damaged one kept aside first.
PracticeData loadForWrite(const QString &path, QString *aside)
{
    PracticeData d = PracticeFile::load(path);
    if (d.status == PracticeData::Damaged) {
        *aside = keepDamaged(path);
        d = PracticeData();
    }
    return d;
}

} // namespace

// ---------------------------------------------------------------- the data

void PracticeData::addMine(const PracticePosition &p)
{
    // Only what a read takes again.
    if (!p.sound())
        return;
    for (int i = 0; i < positions.size(); ++i) {
        PracticePosition &q = positions[i];
        if (q.source == PracticeSource::Mine && q.samePlace(p)) {
            // The same decision missed again: the newest cost, due now, and
            // moved to the newest end so that the bound keeps it.
            PracticePosition again = q;
            again.cost = costWritten(p.cost);
            again.due = std::min(q.due, turn);
            again.added = p.added;
            positions.remove(i);
            positions.append(again);
            return;
        }
    }
    PracticePosition n = p;
    n.source = PracticeSource::Mine;
    n.cost = costWritten(p.cost);
    n.due = turn;
    positions.append(n);
    bound();
}

void PracticeData::answer(const PracticePosition &p, const PracticeVerdict &v, const QDateTime &when)
{
    // Only what a read takes again.
    if (!p.sound())
        return;
    PracticeAttempt a;
    a.when = when;
    a.source = p.source;
    a.winner = p.winner;
    a.band = p.band;
    a.lost = costWritten(v.cost);
    a.best = v.answeredBest;
    attempts.append(a);
    turn += 1;
    qint64 lastDue = turn;
    for (const PracticePosition &q : positions)
        lastDue = std::max(lastDue, q.due);
    const qint64 due = dueAfter(v.answeredBest, turn, lastDue);
    bool found = false;
    for (PracticePosition &q : positions) {
        if (q.source == p.source && q.samePlace(p)) {
            q.due = due;
            found = true;
        }
    }
    if (!found && p.source == PracticeSource::BuiltIn) {
        PracticePosition q = p;
        q.cost = costWritten(p.cost);
        q.due = due;
        q.added = when;
        positions.append(q);
    }
    bound();
    keepTurnsInRange();
}

void PracticeData::keepTurnsInRange()
{
    // Only the order of the turns counts (the lowest due comes first, and
    // the clock against them): shifted so that the lowest is 0, or where
    // they lie too far apart even for that, numbered by rank.
    const auto inRange = [this] {
        if (turn < 0 || turn > GameLimits::maxTurn)
            return false;
        for (const PracticePosition &p : positions)
            if (p.due < -GameLimits::maxTurn || p.due > GameLimits::maxTurn)
                return false;
        return true;
    };
    if (inRange())
        return;
    std::vector<qint64> values{turn};
    for (const PracticePosition &p : positions)
        values.push_back(p.due);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    const qint64 low = values.front();
    const bool shift = values.back() - low <= GameLimits::maxTurn;
    const auto renumbered = [&](qint64 v) {
        return shift ? v - low : qint64(std::lower_bound(values.begin(), values.end(), v) - values.begin());
    };
    turn = renumbered(turn);
    for (PracticePosition &p : positions)
        p.due = renumbered(p.due);
}

bool PracticeData::fit()
{
    // Answers go first, then positions, the oldest first; of each, the lines
    // this version cannot read before those it uses. What lies outside those
    // lists stays whole; when it alone is too large, false.
    keepTurnsInRange();
    const auto lineBytes = [](const QString &value) { return qint64(value.toUtf8().size()) + 4; };
    for (;;) {
        qint64 excess = PracticeFile::format(*this).size() - PracticeFile::kMaxBytes;
        if (excess <= 0)
            return true;
        bool dropped = false;
        while (excess > 0) {
            qint64 freed = 0;
            if (!unreadAttempts.isEmpty()) {
                freed = lineBytes(unreadAttempts.front().first) + lineBytes(unreadAttempts.front().second) - 5;
                unreadAttempts.removeFirst();
                skipped = std::max(0, skipped - 1);
            } else if (!attempts.isEmpty()) {
                freed = lineBytes(PracticeFile::attemptLine(attempts.front()));
                attempts.removeFirst();
            } else if (!unreadPositions.isEmpty()) {
                freed = lineBytes(unreadPositions.front().first) + lineBytes(unreadPositions.front().second) - 5;
                unreadPositions.removeFirst();
                skipped = std::max(0, skipped - 1);
            } else if (!positions.isEmpty()) {
                freed = lineBytes(PracticeFile::positionLine(positions.front()));
                positions.removeFirst();
            } else {
                break;
            }
            excess -= freed;
            dropped = true;
        }
        if (!dropped)
            return false;
    }
}

void PracticeData::bound()
{
    // The oldest go first, each source within its own bound.
    int mineCount = 0, builtCount = 0;
    for (const PracticePosition &p : positions)
        (p.source == PracticeSource::Mine ? mineCount : builtCount) += 1;
    for (int i = 0; i < positions.size() && (mineCount > PracticeFile::kMaxMine || builtCount > PracticeFile::kMaxBuiltIn);) {
        int &count = positions[i].source == PracticeSource::Mine ? mineCount : builtCount;
        const int max = positions[i].source == PracticeSource::Mine ? PracticeFile::kMaxMine : PracticeFile::kMaxBuiltIn;
        if (count > max) {
            positions.remove(i);
            count -= 1;
        } else {
            ++i;
        }
    }
    if (attempts.size() > PracticeFile::kMaxAttempts)
        attempts.remove(0, attempts.size() - PracticeFile::kMaxAttempts);
}

QVector<PracticePosition> PracticeData::mine(const RuleSet &rules) const
{
    QVector<PracticePosition> out;
    for (const PracticePosition &p : positions)
        if (p.source == PracticeSource::Mine && practiceRulesMatch(p, rules) && p.sound())
            out.append(p);
    return out;
}

QVector<PracticePosition> PracticeData::scheduled(QVector<PracticePosition> builtIn) const
{
    for (PracticePosition &b : builtIn)
        for (const PracticePosition &q : positions)
            if (q.source == PracticeSource::BuiltIn && q.samePlace(b))
                b.due = q.due;
    return builtIn;
}

int PracticeData::otherRules(const RuleSet &rules) const
{
    int n = 0;
    for (const PracticePosition &p : positions)
        if (p.source == PracticeSource::Mine && !practiceRulesMatch(p, rules))
            n += 1;
    return n;
}

PracticeProgress practiceProgress(const PracticeData &d, PracticeSource source)
{
    PracticeProgress out;
    std::map<QDate, PracticeProgressRow> days;
    for (const PracticeAttempt &a : d.attempts) {
        if (a.source != source)
            continue;
        for (PracticeProgressRow *r : {&out.whole, &days[a.when.date()]}) {
            r->tried += 1;
            r->best += a.best ? 1 : 0;
            r->lost += a.lost;
        }
    }
    for (auto &[day, row] : days) {
        row.day = day;
        out.days.append(row);
    }
    return out;
}

// ---------------------------------------------------------------- the file

namespace PracticeFile {

QString fileName()
{
    return ProgramDir::file(QStringLiteral("KVXPractice.ini"));
}

QString positionLine(const PracticePosition &p)
{
    return QStringList{sourceField(p.source), QString::number(p.winner), QString::number(p.band ? 1 : 0),
                       QString::number(p.total), QString::number(p.roundPoints), diceField(p.kept),
                       diceField(p.rolled), QString::number(p.cost, 'f', 4), QString::number(p.due),
                       QString::number(int(p.rule)),
                       p.added.isValid() ? p.added.toString(kStamp) : QString()}
            .join(QLatin1Char(','));
}

bool parsePosition(const QString &text, PracticePosition *out)
{
    // Fields past the eleventh come from a newer version and are passed over.
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() < 11)
        return false;
    PracticePosition p;
    qint64 winner = 0, band = 0, total = 0, points = 0, due = 0, rule = 0;
    if (!readSource(f[0], &p.source) || !integer(f[1], &winner, 5, Advisor::maxWinner) || !integer(f[2], &band, 0, 1)
        || !integer(f[3], &total, -Advisor::maxWinner, Advisor::maxWinner)
        || !integer(f[4], &points, 0, Advisor::maxWinner) || !readDice(f[5], p.kept) || !readDice(f[6], p.rolled)
        || !number(f[7], &p.cost) || !integer(f[8], &due, -GameLimits::maxTurn, GameLimits::maxTurn)
        || !integer(f[9], &rule, 0, 3))
        return false;
    p.winner = qint32(winner);
    p.band = band == 1;
    p.total = qint32(total);
    p.roundPoints = qint32(points);
    p.due = due;
    p.rule = PlainRule(rule);
    if (!f[10].trimmed().isEmpty()) {
        p.added = QDateTime::fromString(f[10].trimmed(), kStamp);
        if (!p.added.isValid())
            return false;
    }
    if (!p.sound())
        return false;
    *out = p;
    return true;
}

QString attemptLine(const PracticeAttempt &a)
{
    return QStringList{a.when.toString(kStamp), sourceField(a.source), QString::number(a.winner),
                       QString::number(a.band ? 1 : 0), QString::number(a.lost, 'f', 4),
                       QString::number(a.best ? 1 : 0)}
            .join(QLatin1Char(','));
}

bool parseAttempt(const QString &text, PracticeAttempt *out)
{
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() < 6)
        return false;
    PracticeAttempt a;
    qint64 winner = 0, band = 0, best = 0;
    a.when = QDateTime::fromString(f[0].trimmed(), kStamp);
    if (!a.when.isValid() || !readSource(f[1], &a.source) || !integer(f[2], &winner, 5, Advisor::maxWinner)
        || !integer(f[3], &band, 0, 1) || !number(f[4], &a.lost) || !integer(f[5], &best, 0, 1))
        return false;
    a.winner = qint32(winner);
    a.band = band == 1;
    a.best = best == 1;
    *out = a;
    return true;
}

PracticeData parse(const QByteArray &bytes)
{
    if (bytes.contains('\0'))
        return damaged(uiText("statWhyNotText"));
    PracticeData d;
    bool versionSeen = false, turnSeen = false, practiceSeen = false, positionsSeen = false, attemptsSeen = false;
    for (const TRegAuto::Section &s : TRegAuto::parseSections(bytes)) {
        // The first of two equal sections wins, as everywhere in these files.
        if (same(s.name, kPractice) && !practiceSeen) {
            practiceSeen = true;
            for (const auto &kv : s.keys) {
                qint64 v = 0;
                if (same(kv.first, kVersionKey) && !versionSeen && integer(kv.second, &v, 1, 1 << 30)) {
                    versionSeen = true;
                    d.version = int(v);
                } else if (same(kv.first, kTurnKey) && !turnSeen && integer(kv.second, &v, 0, GameLimits::maxTurn)) {
                    turnSeen = true;
                    d.turn = v;
                } else {
                    // A turn past any play makes is not read: kept as it is, and counted.
                    if (same(kv.first, kTurnKey) && !integer(kv.second, &v, 0, GameLimits::maxTurn))
                        d.skipped += 1;
                    d.otherKeys.append(kv);
                }
            }
        } else if (same(s.name, kPositions) && !positionsSeen) {
            positionsSeen = true;
            for (const auto &kv : s.keys) {
                PracticePosition p;
                if (parsePosition(kv.second, &p)) {
                    d.positions.append(p);
                } else {
                    d.unreadPositions.append(kv);
                    d.skipped += 1;
                }
            }
        } else if (same(s.name, kAttempts) && !attemptsSeen) {
            attemptsSeen = true;
            for (const auto &kv : s.keys) {
                PracticeAttempt a;
                if (parseAttempt(kv.second, &a)) {
                    d.attempts.append(a);
                } else {
                    d.unreadAttempts.append(kv);
                    d.skipped += 1;
                }
            }
        } else {
            d.otherSections.append({s.name, s.keys});
        }
    }
    // Without its version line this is somebody else's file.
    if (!versionSeen)
        return damaged(uiText("statWhyNoVersion"));
    d.status = d.version > kVersion ? PracticeData::Future
            : d.skipped > 0         ? PracticeData::Partial
                                    : PracticeData::Ok;
    return d;
}

QByteArray format(const PracticeData &d)
{
    QList<TRegAuto::Section> sections;
    TRegAuto::Section head{kPractice, {{kVersionKey, QString::number(std::max(d.version, kVersion))},
                                       {kTurnKey, QString::number(d.turn)}}};
    head.keys += d.otherKeys;
    sections.append(head);
    TRegAuto::Section positions{kPositions, {}};
    int n = 0;
    for (const PracticePosition &p : d.positions)
        positions.keys.append({QString::number(++n), positionLine(p)});
    positions.keys += d.unreadPositions;
    sections.append(positions);
    TRegAuto::Section attempts{kAttempts, {}};
    n = 0;
    for (const PracticeAttempt &a : d.attempts)
        attempts.keys.append({QString::number(++n), attemptLine(a)});
    attempts.keys += d.unreadAttempts;
    sections.append(attempts);
    for (const auto &[name, keys] : d.otherSections)
        sections.append(TRegAuto::Section{name, keys});
    // For whoever opens the file: what the fields are.
    return QByteArray("; Korvex practice: the decisions to practise and every answer given\r\n"
                      "; Positions: source (m your own, b built-in), winning total, band in every thousand,\r\n"
                      ";   total, points this round, dice kept, dice rolled, cost in rounds, due turn,\r\n"
                      ";   plain rule broken, added on\r\n"
                      "; Attempts: answered on, source, winning total, band, rounds lost, answered best\r\n")
            + TRegAuto::formatSections(sections);
}

PracticeData load(const QString &path)
{
    const RecordRead r = readRecord(path, kMaxBytes);
    if (r.refused())
        return damaged(r.why);
    return r.blank() ? PracticeData() : parse(r.bytes);
}

namespace {
// The practice file is written under the lock of the statistics beside it.
QString lockedWith(const QString &path)
{
    return Statistics::fileNameIn(QFileInfo(path).absolutePath());
}
} // namespace

QString addMine(const QString &path, const QVector<PracticePosition> &positions)
{
    if (positions.isEmpty())
        return QString();
    const SharedFileLock lock(lockedWith(path), 5000, path);
    QString aside;
    PracticeData d = loadForWrite(path, &aside);
    for (const PracticePosition &p : positions)
        d.addMine(p);
    save(path, d);
    return aside;
}

QString answer(const QString &path, const PracticePosition &p, const PracticeVerdict &v)
{
    const SharedFileLock lock(lockedWith(path), 5000, path);
    QString aside;
    PracticeData d = loadForWrite(path, &aside);
    d.answer(p, v, QDateTime::currentDateTime());
    save(path, d);
    return aside;
}

} // namespace PracticeFile
