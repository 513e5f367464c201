// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics file, read in one pass and written whole under its lock.
#include "records/Statistics.h"

#include "settings/ProgramDir.h"
#include "game/KvxError.h"
#include "settings/AtomicFile.h"
#include "settings/FileLock.h"
#include "settings/UiTexts.h"
#include "settings/TRegAuto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <charconv>
#include <limits>
#include <vector>

namespace {

const QString kStamp = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// "1000" or "1000 band".
QString rulesKey(const RuleSet &r)
{
    return QString::number(r.winner) + (r.band ? QStringLiteral(" band") : QString());
}

bool parseRulesKey(const QString &key, RuleSet *r)
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

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n'))
        v.chop(1);
    return v;
}

// Fields of a line of numbers, taken one by one without copying.
class Fields
{
public:
    explicit Fields(QByteArrayView text) : m_rest(text) {}
    bool atEnd() const { return m_done; }
    QByteArrayView next()
    {
        if (m_done)
            return {};
        const qsizetype comma = m_rest.indexOf(',');
        QByteArrayView f = comma < 0 ? m_rest : m_rest.first(comma);
        if (comma < 0)
            m_done = true;
        else
            m_rest = m_rest.sliced(comma + 1);
        return trimmed(f);
    }

private:
    QByteArrayView m_rest;
    bool m_done = false;
};

bool whole(QByteArrayView f, qint64 *out)
{
    if (f.isEmpty() || f.size() > 18)
        return false;
    qint64 v = 0;
    for (const char c : f) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

bool whole32(QByteArrayView f, qint32 *out)
{
    qint64 v = 0;
    if (!whole(f, &v) || v > std::numeric_limits<qint32>::max())
        return false;
    *out = qint32(v);
    return true;
}

bool flag(QByteArrayView f, bool *out)
{
    if (f.size() != 1 || (f[0] != '0' && f[0] != '1'))
        return false;
    *out = f[0] == '1';
    return true;
}

bool figure(QByteArrayView f, std::optional<double> *out)
{
    if (f.isEmpty()) {
        out->reset();
        return true;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (ec != std::errc() || end != f.data() + f.size() || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// "yyyy-MM-ddTHH:mm:ss", local time.
bool stamp(QByteArrayView f, QDateTime *out)
{
    if (f.size() != 19 || f[4] != '-' || f[7] != '-' || f[10] != 'T' || f[13] != ':' || f[16] != ':')
        return false;
    int n[6];
    const int at[6] = {0, 5, 8, 11, 14, 17};
    for (int k = 0; k < 6; ++k) {
        qint64 v = 0;
        if (!whole(f.sliced(at[k], k == 0 ? 4 : 2), &v))
            return false;
        n[k] = int(v);
    }
    const QDate date(n[0], n[1], n[2]);
    const QTime time(n[3], n[4], n[5]);
    if (!date.isValid() || !time.isValid())
        return false;
    *out = QDateTime(date, time);
    return true;
}

// A game from its value. Fields after the eleventh come from a newer version
// and are passed over.
bool readGame(QByteArrayView text, StatsGame *out)
{
    Fields f(text);
    StatsGame g;
    if (!stamp(f.next(), &g.when) || !whole32(f.next(), &g.winner) || g.winner < 1 || !flag(f.next(), &g.band)
        || !whole32(f.next(), &g.type) || !whole32(f.next(), &g.rounds) || g.rounds < 1
        || !whole32(f.next(), &g.seconds) || !whole32(f.next(), &g.rating) || f.atEnd()
        || !flag(f.next(), &g.assisted))
        return false;
    if (f.atEnd() || !flag(f.next(), &g.testButtons))
        return false;
    if (!figure(f.next(), &g.decisionsLost) || !figure(f.next(), &g.luck))
        return false;
    *out = g;
    return true;
}

// One line of the [Games] block: its key and value, as the INI store reads them.
struct GameLine
{
    bool entry = false; // holds a key (not blank, not a comment)
    QByteArrayView key, value;
};

GameLine splitLine(QByteArrayView line)
{
    GameLine l;
    const QByteArrayView t = trimmed(line);
    if (t.isEmpty() || t.front() == ';')
        return l;
    l.entry = true;
    const qsizetype eq = t.indexOf('=');
    l.key = trimmed(eq < 0 ? t : t.first(eq));
    if (eq >= 0) {
        QByteArrayView v = trimmed(t.sliced(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.sliced(1, v.size() - 2);
        l.value = v;
    }
    return l;
}

// Calls f(line) for every line of a block, the line break included in the view.
template<typename F>
void eachLine(const QByteArray &block, F &&f)
{
    qsizetype at = 0;
    while (at < block.size()) {
        qsizetype nl = block.indexOf('\n', at);
        nl = nl < 0 ? block.size() : nl + 1;
        f(QByteArrayView(block.constData() + at, nl - at));
        at = nl;
    }
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
    qint64 *sums[5] = {&t->games, &t->setAside, &t->roundsSum, &t->secondsSum, &t->ratingSum};
    for (int i = 0; i < 5; ++i)
        if (!whole(trimmed(QByteArrayView(f[i].toLatin1())), sums[i]))
            return false;
    if (!whole32(trimmed(QByteArrayView(f[5].toLatin1())), &t->bestRounds)
        || !whole32(trimmed(QByteArrayView(f[6].toLatin1())), &t->bestSeconds))
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

void StatsData::addGame(const StatsGame &g)
{
    ++lastKey;
    ++lineCount;
    gameBlock += QByteArray::number(lastKey) + '=' + Statistics::gameLine(g).toLatin1() + "\r\n";
    games.append(g);
    const RuleSet r{g.winner, g.band};
    StatsTotals &t = totals[r];
    t.add(g);
    // A running total past what a read takes would make the line unreadable:
    // the games kept one by one are the account then.
    if (t.games > Statistics::kMaxTotal || t.setAside > Statistics::kMaxTotal || t.roundsSum > Statistics::kMaxTotal
        || t.secondsSum > Statistics::kMaxTotal || t.ratingSum > Statistics::kMaxTotal)
        recount(r);
}

void StatsData::recount(const RuleSet &r)
{
    StatsTotals t;
    eachLine(gameBlock, [&](QByteArrayView line) {
        StatsGame g;
        if (readGame(splitLine(line).value, &g) && g.winner == r.winner && g.band == r.band)
            t.add(g);
    });
    totals[r] = t;
}

void StatsData::keepLast(int n)
{
    if (lineCount <= n)
        return;
    int drop = lineCount - n;
    qsizetype cut = 0;
    eachLine(gameBlock, [&](QByteArrayView line) {
        if (drop == 0)
            return;
        cut += line.size();
        if (splitLine(line).entry)
            --drop;
    });
    gameBlock.remove(0, cut);
    lineCount = n;
}

QList<RuleSet> StatsData::ruleSets() const
{
    QList<RuleSet> out;
    for (const auto &[r, t] : totals)
        if (t.games + t.setAside > 0)
            out.append(r);
    return out;
}

StatsTotals StatsData::totalsFor(const RuleSet &r) const
{
    const auto it = totals.find(r);
    return it == totals.end() ? StatsTotals() : it->second;
}

QList<StatsGame> StatsData::gamesFor(const RuleSet &r) const
{
    QList<StatsGame> out;
    for (const StatsGame &g : games)
        if (g.winner == r.winner && g.band == r.band)
            out.append(g);
    return out;
}

StatsFigures statsFigures(const StatsData &data, const RuleSet &rules)
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
    return fileNameIn(ProgramDir::get());
}

QString fileNameIn(const QString &dir)
{
    return QDir(dir).filePath(QStringLiteral("KVXStats.ini"));
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

namespace {
const QByteArray kGamesHeader("[Games]\r\n");

// Whether a line opens a section, as the INI store reads it ("[name]", the
// name possibly empty), and its name.
bool sectionOf(QByteArrayView line, QByteArrayView *name)
{
    const QByteArrayView t = trimmed(line);
    if (t.isEmpty() || t.front() != '[')
        return false;
    const qsizetype close = t.indexOf(']');
    if (close <= 0)
        return false;
    *name = trimmed(t.sliced(1, close - 1));
    return true;
}
// Sorts the lines of the file into its parts: the first [Statistics],
// [Totals] and [Games] are read; everything else is carried as it is.
struct PartReader
{
    enum Part { Before, Stats, Totals, Games, Other };
    Part part = Before;
    bool statsSeen = false, totalsSeen = false, gamesSeen = false;
    bool versionSeen = false;
    StatsData d;
    std::map<RuleSet, StatsTotals> stored;

    static void carry(QByteArray &to, QByteArrayView line)
    {
        to += line;
        if (!line.endsWith('\n'))
            to += "\r\n"; // a file cut short: its last line stays whole
    }

    // True when the line opens a section.
    bool section(QByteArrayView line)
    {
        QByteArrayView name;
        if (!sectionOf(line, &name))
            return false;
        const auto is = [&name](const char *s) { return name.compare(s, Qt::CaseInsensitive) == 0; };
        if (is("Statistics") && !statsSeen) {
            statsSeen = true;
            part = Stats;
        } else if (is("Totals") && !totalsSeen) {
            totalsSeen = true;
            part = Totals;
        } else if (is("Games") && !gamesSeen) {
            gamesSeen = true;
            part = Games;
        } else {
            part = Other;
            carry(d.otherSections, line);
        }
        return true;
    }

    void statsLine(const GameLine &l, QByteArrayView line)
    {
        int v = 0;
        if (l.entry && !versionSeen && l.key.compare("Version", Qt::CaseInsensitive) == 0
            && line.contains('=') && TRegAuto::parseInteger(QString::fromLatin1(l.value), &v) && v >= 1) {
            versionSeen = true;
            d.version = v;
        } else {
            carry(d.otherStats, line);
        }
    }

    void totalsLine(const GameLine &l, QByteArrayView line)
    {
        RuleSet r;
        StatsTotals t;
        QString extra;
        if (l.entry && line.contains('=') && parseRulesKey(QString::fromLatin1(l.key), &r) && !stored.count(r)
            && parseTotals(QString::fromLatin1(l.value), &t, &extra)) {
            stored[r] = t;
            if (!extra.isEmpty())
                d.totalsExtra[r] = extra;
        } else {
            if (l.entry)
                ++d.unreadTotals;
            carry(d.otherTotals, line);
        }
    }

    void read(QByteArrayView line)
    {
        if (section(line))
            return;
        const GameLine l = splitLine(line);
        switch (part) {
        case Before: carry(d.preamble, line); break;
        case Stats: statsLine(l, line); break;
        case Totals: totalsLine(l, line); break;
        case Games: carry(d.gameBlock, line); break;
        case Other: carry(d.otherSections, line); break;
        }
    }
};

// The lines of games: counted, the last key found, and each game read (with
// the totals it adds up to) when `games`.
void readGames(StatsData &d, bool games, std::map<RuleSet, StatsTotals> &kept)
{
    eachLine(d.gameBlock, [&](QByteArrayView line) {
        const GameLine l = splitLine(line);
        if (!l.entry)
            return;
        ++d.lineCount;
        qint64 key = 0;
        if (whole(l.key, &key))
            d.lastKey = std::max(d.lastKey, key);
        if (!games)
            return;
        StatsGame g;
        if (!readGame(l.value, &g)) {
            ++d.skipped;
            return;
        }
        d.games.append(g);
        kept[{g.winner, g.band}].add(g);
    });
}

} // namespace

StatsData parse(const QByteArray &bytes, bool games)
{
    if (bytes.contains('\0'))
        return damaged(uiText("statWhyNotText"));
    if (bytes.count('\n') > kMaxLines)
        return damaged(uiText("statWhyTooManyLines"));

    PartReader reader;
    eachLine(bytes, [&](QByteArrayView line) { reader.read(line); });
    if (!reader.versionSeen)
        return damaged(uiText("statWhyNoVersion"));
    StatsData d = std::move(reader.d);
    std::map<RuleSet, StatsTotals> kept;
    readGames(d, games, kept);
    d.totals = reader.stored;
    for (const auto &[r, t] : kept)
        d.totals[r].widen(t);

    d.status = d.version > kVersion ? StatsData::Future
            : d.skipped > 0 || d.unreadTotals > 0 ? StatsData::Partial
                                                  : StatsData::Ok;
    return d;
}

StatsData load(const QString &path, bool games)
{
    QByteArray bytes;
    QString why;
    switch (readWholeFile(path, kMaxBytes, &bytes, &why)) {
    case ReadOutcome::Missing:
        return StatsData();
    case ReadOutcome::Refused:
        return damaged(why);
    case ReadOutcome::Ok:
        break;
    }
    if (bytes.trimmed().isEmpty())
        return StatsData();
    return parse(bytes, games);
}

QByteArray format(const StatsData &d)
{
    // For whoever opens the file: what the fields are. A file that has lines
    // of its own before the first section keeps them instead.
    QByteArray out = !d.preamble.isEmpty() ? d.preamble
        : QByteArray("; Korvex statistics: running totals per winning total, then one line per won game\r\n"
                     "; Totals: games counted, set apart, rounds, seconds, rating, fewest rounds, best seconds\r\n"
                     "; Games: won on, winning total, band in every thousand, game type, rounds, seconds, rating,\r\n"
                     ";   assisted, test buttons, rounds lost to decisions, luck (empty when not reviewed)\r\n");
    out += "[Statistics]\r\nVersion=" + QByteArray::number(std::max(d.version, kVersion)) + "\r\n";
    out += d.otherStats;
    out += "[Totals]\r\n";
    for (const auto &[r, t] : d.totals) {
        const auto extra = d.totalsExtra.find(r);
        out += rulesKey(r).toUtf8() + '='
             + totalsLine(t, extra == d.totalsExtra.end() ? QString() : extra->second).toUtf8() + "\r\n";
    }
    out += d.otherTotals;
    out += kGamesHeader + d.gameBlock + d.otherSections;
    return out;
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
    const QString aside = keepAsideName(path);
    if (!QFile::rename(path, aside))
        throw KvxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                    QStringLiteral("Unable to keep the damaged file")));
    return aside;
}

} // namespace

QString addGame(const QString &path, const StatsGame &game, qint64 *key)
{
    const SharedFileLock lock(path);
    StatsData d = load(path, false);
    QString aside;
    if (d.status == StatsData::Damaged) {
        aside = keepDamaged(path);
        d = StatsData();
    }
    d.addGame(game);
    d.keepLast(kKeep);
    save(path, d);
    if (key)
        *key = d.lastKey;
    return aside;
}

bool setReview(const QString &path, qint64 key, double decisionsLost, double luck)
{
    const SharedFileLock lock(path);
    StatsData d = load(path, false);
    if (d.status == StatsData::Absent || d.status == StatsData::Damaged)
        return false;
    QByteArray block;
    bool found = false;
    eachLine(d.gameBlock, [&](QByteArrayView line) {
        const GameLine l = splitLine(line);
        qint64 k = 0;
        StatsGame g;
        if (!found && l.entry && whole(l.key, &k) && k == key && readGame(l.value, &g)) {
            found = true;
            g.decisionsLost = decisionsLost;
            g.luck = luck;
            block += QByteArray::number(k) + '=' + gameLine(g).toLatin1() + "\r\n";
            return;
        }
        block += line;
    });
    if (!found)
        return false;
    d.gameBlock = block;
    save(path, d);
    return true;
}

QString reset(const QString &path, const RuleSet &rules)
{
    const SharedFileLock lock(path);
    StatsData d = load(path, false);
    if (d.status == StatsData::Absent)
        return QString();
    if (d.status == StatsData::Damaged)
        return keepDamaged(path);
    QByteArray block;
    eachLine(d.gameBlock, [&](QByteArrayView line) {
        StatsGame g;
        if (readGame(splitLine(line).value, &g) && g.winner == rules.winner && g.band == rules.band)
            return;
        block += line;
    });
    d.gameBlock = block;
    d.totals.erase(rules);
    d.totalsExtra.erase(rules);
    save(path, d);
    return QString();
}

} // namespace Statistics
