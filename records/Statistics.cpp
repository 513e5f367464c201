// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics file, read in one pass and written whole under its lock.
#include "records/Statistics.h"

#include "app/ProgramDir.h"
#include "game/KvxError.h"
#include "settings/AtomicFile.h"
#include "settings/FileLock.h"
#include "settings/TRegAuto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const QString kStatistics = QStringLiteral("Statistics");
const QString kTotals = QStringLiteral("Totals");
const QString kGames = QStringLiteral("Games");
const QString kVersionKey = QStringLiteral("Version");
const QString kStamp = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

bool same(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// "1000" or "1000 band".
QString rulesKey(const StatsRules &r)
{
    return QString::number(r.winner) + (r.band ? QStringLiteral(" band") : QString());
}

bool parseRulesKey(const QString &key, StatsRules *r)
{
    QString k = key.trimmed();
    r->band = k.endsWith(QStringLiteral(" band"), Qt::CaseInsensitive);
    if (r->band)
        k.chop(5);
    int w = 0;
    if (!TRegAuto::parseInteger(k.trimmed(), &w) || w < 1)
        return false;
    r->winner = w;
    return true;
}

bool field(const QStringList &f, int i, qint64 *out)
{
    if (i >= f.size())
        return false;
    bool ok = false;
    *out = f[i].trimmed().toLongLong(&ok);
    return ok && *out >= 0;
}

bool field32(const QStringList &f, int i, qint32 *out)
{
    qint64 v = 0;
    if (!field(f, i, &v) || v > std::numeric_limits<qint32>::max())
        return false;
    *out = qint32(v);
    return true;
}

bool flag(const QStringList &f, int i, bool *out)
{
    if (i >= f.size())
        return false;
    const QString s = f[i].trimmed();
    if (s != QLatin1String("0") && s != QLatin1String("1"))
        return false;
    *out = s == QLatin1String("1");
    return true;
}

bool figure(const QStringList &f, int i, std::optional<double> *out)
{
    if (i >= f.size() || f[i].trimmed().isEmpty()) {
        out->reset();
        return true;
    }
    bool ok = false;
    const double v = f[i].trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

QString figureText(const std::optional<double> &v)
{
    return v ? QString::number(*v, 'g', 10) : QString();
}

constexpr int kTotalsFields = 7;

QString totalsLine(const StatsTotals &t, const QString &extra)
{
    QString s = QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                    .arg(t.games).arg(t.setAside).arg(t.roundsSum).arg(t.secondsSum).arg(t.ratingSum)
                    .arg(t.bestRounds).arg(t.bestSeconds);
    if (!extra.isEmpty())
        s += QLatin1Char(',') + extra;
    return s;
}

bool parseTotals(const QString &text, StatsTotals *t, QString *extra)
{
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() < kTotalsFields)
        return false;
    if (!field(f, 0, &t->games) || !field(f, 1, &t->setAside) || !field(f, 2, &t->roundsSum)
        || !field(f, 3, &t->secondsSum) || !field(f, 4, &t->ratingSum) || !field32(f, 5, &t->bestRounds)
        || !field32(f, 6, &t->bestSeconds))
        return false;
    *extra = f.mid(kTotalsFields).join(QLatin1Char(','));
    return true;
}

StatsData damaged(const QString &problem)
{
    StatsData d;
    d.status = StatsData::Damaged;
    d.problem = problem;
    return d;
}

} // namespace

// ------------------------------------------------------------------ totals

void StatsTotals::add(const StatsGame &g)
{
    if (!g.counted()) {
        ++setAside;
        return;
    }
    ++games;
    roundsSum += g.rounds;
    secondsSum += g.seconds;
    ratingSum += g.rating;
    if (g.rounds > 0 && (bestRounds == 0 || g.rounds < bestRounds))
        bestRounds = g.rounds;
    if (g.seconds > 0 && (bestSeconds == 0 || g.seconds < bestSeconds))
        bestSeconds = g.seconds;
}

void StatsTotals::widen(const StatsTotals &o)
{
    // A stored line that counts fewer games than are kept was edited or cut:
    // the kept games are the better account.
    if (o.games > games) {
        games = o.games;
        roundsSum = o.roundsSum;
        secondsSum = o.secondsSum;
        ratingSum = o.ratingSum;
    }
    setAside = std::max(setAside, o.setAside);
    const auto better = [](qint32 a, qint32 b) { return a == 0 ? b : b == 0 ? a : std::min(a, b); };
    bestRounds = better(bestRounds, o.bestRounds);
    bestSeconds = better(bestSeconds, o.bestSeconds);
}

QList<StatsRules> StatsData::ruleSets() const
{
    QList<StatsRules> out;
    for (const auto &[r, t] : totals)
        if (t.games + t.setAside > 0)
            out.append(r);
    return out;
}

StatsTotals StatsData::totalsFor(const StatsRules &r) const
{
    const auto it = totals.find(r);
    return it == totals.end() ? StatsTotals() : it->second;
}

QList<StatsGame> StatsData::gamesFor(const StatsRules &r) const
{
    QList<StatsGame> out;
    for (const StatsGame &g : games)
        if (g.winner == r.winner && g.band == r.band)
            out.append(g);
    return out;
}

StatsFigures statsFigures(const StatsData &data, const StatsRules &rules)
{
    StatsFigures f;
    f.totals = data.totalsFor(rules);
    std::vector<int> rounds;
    for (const StatsGame &g : data.games) {
        if (g.winner != rules.winner || g.band != rules.band || !g.counted())
            continue;
        rounds.push_back(g.rounds);
        ++f.roundsCount[g.rounds];
        if (g.decisionsLost)
            f.reviewed.append(g);
    }
    f.keptGames = int(rounds.size());
    const StatsTotals &t = f.totals;
    if (t.games > 0) {
        f.averageRounds = double(t.roundsSum) / double(t.games);
        f.averageSeconds = double(t.secondsSum) / double(t.games);
        f.averageRating = double(t.ratingSum) / double(t.games);
    }
    if (!rounds.empty()) {
        const size_t mid = rounds.size() / 2;
        std::nth_element(rounds.begin(), rounds.begin() + mid, rounds.end());
        f.medianRounds = rounds[mid];
        if (rounds.size() % 2 == 0)
            f.medianRounds = (f.medianRounds + *std::max_element(rounds.begin(), rounds.begin() + mid)) / 2;
    }
    return f;
}

// ------------------------------------------------------------------ the file

namespace Statistics {

QString fileName()
{
    return ProgramDir::file(QStringLiteral("KVXStats.ini"));
}

QString damagedName(const QString &path)
{
    QString name = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = path + QStringLiteral(".damaged") + QString::number(n);
    return name;
}

QString gameLine(const StatsGame &g)
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11")
        .arg(g.when.toString(kStamp))
        .arg(g.winner)
        .arg(g.band ? 1 : 0)
        .arg(g.type)
        .arg(g.rounds)
        .arg(g.seconds)
        .arg(g.rating)
        .arg(g.assisted ? 1 : 0)
        .arg(g.testButtons ? 1 : 0)
        .arg(figureText(g.decisionsLost), figureText(g.luck));
}

bool parseGame(const QString &text, StatsGame *out)
{
    // Fields after the eleventh come from a newer version and are passed over.
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() < 9)
        return false;
    StatsGame g;
    g.when = QDateTime::fromString(f[0].trimmed(), kStamp);
    if (!g.when.isValid())
        return false;
    if (!field32(f, 1, &g.winner) || g.winner < 1 || !flag(f, 2, &g.band) || !field32(f, 3, &g.type)
        || !field32(f, 4, &g.rounds) || g.rounds < 1 || !field32(f, 5, &g.seconds) || !field32(f, 6, &g.rating)
        || !flag(f, 7, &g.assisted) || !flag(f, 8, &g.testButtons) || !figure(f, 9, &g.decisionsLost)
        || !figure(f, 10, &g.luck))
        return false;
    *out = g;
    return true;
}

StatsData parse(const QByteArray &bytes)
{
    if (bytes.contains('\0'))
        return damaged(QStringLiteral("not a text file"));
    if (bytes.count('\n') > kMaxLines)
        return damaged(QStringLiteral("too many lines"));
    const QList<TRegAuto::Section> sections = TRegAuto::parseSections(bytes);

    StatsData d;
    bool versionSeen = false;
    bool statsSeen = false, totalsSeen = false, gamesSeen = false;
    std::map<StatsRules, StatsTotals> stored;
    for (const TRegAuto::Section &s : sections) {
        // The first of two equal sections wins, as everywhere in these files.
        if (same(s.name, kStatistics) && !statsSeen) {
            statsSeen = true;
            for (const auto &kv : s.keys) {
                int v = 0;
                if (same(kv.first, kVersionKey) && !versionSeen && TRegAuto::parseInteger(kv.second, &v) && v >= 1) {
                    versionSeen = true;
                    d.version = v;
                } else {
                    d.otherStats.append(kv);
                }
            }
        } else if (same(s.name, kTotals) && !totalsSeen) {
            totalsSeen = true;
            for (const auto &kv : s.keys) {
                StatsRules r;
                StatsTotals t;
                QString extra;
                if (parseRulesKey(kv.first, &r) && !stored.count(r) && parseTotals(kv.second, &t, &extra)) {
                    stored[r] = t;
                    if (!extra.isEmpty())
                        d.totalsExtra[r] = extra;
                } else {
                    d.otherTotals.append(kv);
                }
            }
        } else if (same(s.name, kGames) && !gamesSeen) {
            gamesSeen = true;
            d.gameLines = s.keys;
        } else {
            d.otherSections.append({s.name, s.keys});
        }
    }
    if (!versionSeen)
        return damaged(QStringLiteral("no version"));

    std::map<StatsRules, StatsTotals> kept;
    d.games.reserve(d.gameLines.size());
    for (const auto &kv : d.gameLines) {
        StatsGame g;
        if (!parseGame(kv.second, &g)) {
            ++d.skipped;
            continue;
        }
        d.games.append(g);
        kept[{g.winner, g.band}].add(g);
    }
    d.totals = stored;
    for (const auto &[r, t] : kept)
        d.totals[r].widen(t);

    d.status = d.version > kVersion ? StatsData::Future
            : d.skipped > 0 || !d.otherTotals.isEmpty() ? StatsData::Partial
                                                        : StatsData::Ok;
    return d;
}

StatsData load(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return StatsData();
    if (!info.isFile())
        return damaged(QStringLiteral("not a file"));
    if (info.size() > kMaxBytes)
        return damaged(QStringLiteral("too large"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return damaged(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return damaged(file.errorString());
    if (bytes.trimmed().isEmpty())
        return StatsData();
    return parse(bytes);
}

QByteArray format(const StatsData &d)
{
    QList<TRegAuto::Section> out;
    TRegAuto::Section stats{kStatistics, {{kVersionKey, QString::number(std::max(d.version, kVersion))}}};
    stats.keys += d.otherStats;
    out.append(stats);

    TRegAuto::Section totals{kTotals, {}};
    for (const auto &[r, t] : d.totals) {
        const auto extra = d.totalsExtra.find(r);
        totals.keys.append({rulesKey(r), totalsLine(t, extra == d.totalsExtra.end() ? QString() : extra->second)});
    }
    totals.keys += d.otherTotals;
    out.append(totals);

    out.append(TRegAuto::Section{kGames, d.gameLines});
    for (const auto &[name, keys] : d.otherSections)
        out.append(TRegAuto::Section{name, keys});
    return QByteArray("; Korvex statistics: running totals per winning total, then one line per won game\r\n")
            + TRegAuto::formatSections(out);
}

namespace {

void save(const QString &path, const StatsData &d)
{
    const QString error = writeAtomically(path, format(d));
    if (!error.isEmpty())
        throw KvxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error));
}

// A damaged file goes aside whole before anything replaces it.
QString keepDamaged(const QString &path)
{
    const QString aside = damagedName(path);
    if (!QFile::rename(path, aside))
        throw KvxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                    QStringLiteral("Unable to keep the damaged file")));
    return aside;
}

} // namespace

QString addGame(const QString &path, const StatsGame &game)
{
    const SharedFileLock lock(path);
    StatsData d = load(path);
    QString aside;
    if (d.status == StatsData::Damaged) {
        aside = keepDamaged(path);
        d = StatsData();
    }
    int next = 1;
    for (const auto &kv : d.gameLines) {
        bool ok = false;
        const int n = kv.first.toInt(&ok);
        if (ok)
            next = std::max(next, n + 1);
    }
    d.gameLines.append({QString::number(next), gameLine(game)});
    if (d.gameLines.size() > kKeep)
        d.gameLines.erase(d.gameLines.begin(), d.gameLines.begin() + (d.gameLines.size() - kKeep));
    d.totals[{game.winner, game.band}].add(game);
    save(path, d);
    return aside;
}

void reset(const QString &path, const StatsRules &rules)
{
    const SharedFileLock lock(path);
    StatsData d = load(path);
    if (d.status == StatsData::Absent)
        return;
    if (d.status == StatsData::Damaged) {
        keepDamaged(path);
        return;
    }
    QList<std::pair<QString, QString>> lines;
    for (const auto &kv : d.gameLines) {
        StatsGame g;
        if (parseGame(kv.second, &g) && g.winner == rules.winner && g.band == rules.band)
            continue;
        lines.append(kv);
    }
    d.gameLines = lines;
    d.totals.erase(rules);
    d.totalsExtra.erase(rules);
    save(path, d);
}

} // namespace Statistics
