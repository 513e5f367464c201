// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics file, read in one pass and written whole under its lock.
#include "records/Statistics.h"

#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "game/GameLimits.h"
#include "base/RecordFile.h"
#include "base/FileLock.h"
#include "base/UiTexts.h"
#include "base/TRegAuto.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

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
    if (!TRegAuto::parseInteger(k.trimmed(), &w) || w < GameLimits::minWinner || w > GameLimits::maxWinner)
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

bool whole32(QByteArrayView f, qint32 *out, qint32 lo = 0, qint32 hi = std::numeric_limits<qint32>::max())
{
    qint64 v = 0;
    if (!whole(f, &v) || v < lo || v > hi)
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

// A review's figure: rounds, within what a game can take either way.
bool figure(QByteArrayView f, std::optional<double> *out)
{
    if (f.isEmpty()) {
        out->reset();
        return true;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (ec != std::errc() || end != f.data() + f.size() || !std::isfinite(v)
        || std::abs(v) > GameLimits::maxReviewRounds)
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
// Every figure within what a game can end with (GameLimits).
bool readGame(QByteArrayView text, StatsGame *out)
{
    using namespace GameLimits;
    Fields f(text);
    StatsGame g;
    if (!stamp(f.next(), &g.when) || !whole32(f.next(), &g.winner, minWinner, maxWinner)
        || !flag(f.next(), &g.band) || !whole32(f.next(), &g.type, 1, 2) || !whole32(f.next(), &g.rounds, 1, maxRounds)
        || !whole32(f.next(), &g.seconds, 0, maxSeconds) || !whole32(f.next(), &g.rating, 0, maxRating)
        || f.atEnd() || !flag(f.next(), &g.assisted))
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
    QString s;
    for (const qint64 v : {t.games, t.setAside, t.roundsSum, t.secondsSum, t.ratingSum, qint64(t.bestRounds),
                           qint64(t.bestSeconds)})
        s += (s.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(v);
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
    if (!Statistics::withinPlay(*t))
        return false;
    *extra = f.mid(kTotalsFields).join(QLatin1Char(','));
    return true;
}

// At most `most` per game of `games`, without overflow.
bool perGame(qint64 sum, qint64 games, qint64 most)
{
    return sum >= 0 && (sum + most - 1) / most <= games;
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
    if (lastKey >= Statistics::kMaxKey)
        renumber();
    ++lastKey;
    ++lineCount;
    gameBlock += QByteArray::number(lastKey) + '=' + Statistics::gameLine(g).toLatin1() + "\r\n";
    games.append(g);
    const RuleSet r{g.winner, g.band};
    StatsTotals &t = totals[r];
    t.add(g);
    // A running total past what a read takes would make the line unreadable:
    // the games kept one by one are the account then.
    if (!Statistics::withinPlay(t))
        recount(r);
}

void StatsData::renumber()
{
    QByteArray block;
    qint64 key = 0;
    eachLine(gameBlock, [&](QByteArrayView line) {
        const GameLine l = splitLine(line);
        qint64 k = 0;
        const qsizetype eq = line.indexOf('=');
        if (l.entry && eq >= 0 && whole(l.key, &k) && k <= Statistics::kMaxKey)
            block += QByteArray::number(++key) + line.sliced(eq).toByteArray();
        else
            block += line;
    });
    gameBlock = block;
    lastKey = key;
}

bool StatsData::fit()
{
    const QByteArray text = Statistics::format(*this);
    qint64 bytes = text.size() - Statistics::kMaxBytes;
    qint64 lines = text.count('\n') - Statistics::kMaxLines;
    if (bytes <= 0 && lines <= 0)
        return true;
    // The oldest lines of games go, the newest always stays.
    qsizetype cut = 0;
    int entries = 0;
    eachLine(gameBlock, [&](QByteArrayView line) {
        if (bytes <= 0 && lines <= 0)
            return;
        cut += line.size();
        bytes -= line.size();
        lines -= 1;
        if (splitLine(line).entry)
            ++entries;
    });
    if (bytes > 0 || lines > 0 || entries >= lineCount)
        return false;
    gameBlock.remove(0, cut);
    lineCount -= entries;
    return true;
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

std::vector<RoundsBucket> roundsBuckets(const std::map<int, int> &roundsCount, int keptGames,
                                        const std::vector<double> &best, int last)
{
    last = std::max(last, 1);
    const int width = int((qint64(last) + kMaxBuckets - 1) / kMaxBuckets);
    const int count = int((qint64(last) + width - 1) / width);
    std::vector<RoundsBucket> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        out[size_t(i)].from = int(qint64(i) * width + 1);
        out[size_t(i)].to = int(std::min<qint64>(last, qint64(i + 1) * width));
    }
    // Over what is there, never over the rounds between.
    for (const auto &[n, games] : roundsCount)
        if (n >= 1 && n <= last)
            out[size_t((n - 1) / width)].games += games;
    const size_t bestRounds = std::min(best.size(), size_t(last));
    for (size_t n = 1; n <= bestRounds; ++n)
        out[(n - 1) / size_t(width)].bestShare += best[n - 1];
    for (RoundsBucket &b : out)
        b.share = keptGames > 0 ? double(b.games) / keptGames : 0;
    return out;
}

// ------------------------------------------------------------------ the file

namespace Statistics {

bool withinPlay(const StatsTotals &t)
{
    using namespace GameLimits;
    return t.games >= 0 && t.games <= maxGames && t.setAside >= 0 && t.setAside <= maxGames
        && t.roundsSum >= t.games && t.roundsSum <= kMaxTotal && perGame(t.roundsSum, t.games, maxRounds)
        && t.secondsSum <= kMaxTotal && perGame(t.secondsSum, t.games, maxSeconds)
        && t.ratingSum <= kMaxTotal && perGame(t.ratingSum, t.games, maxRating)
        && t.bestRounds >= 0 && t.bestRounds <= maxRounds && t.bestSeconds >= 0 && t.bestSeconds <= maxSeconds;
}

bool withinPlay(const StatsGame &g)
{
    using namespace GameLimits;
    const auto review = [](const std::optional<double> &v) {
        return !v || (std::isfinite(*v) && std::abs(*v) <= maxReviewRounds);
    };
    return g.when.isValid() && g.when.date().year() >= 1 && g.when.date().year() <= 9999
        && g.winner >= minWinner && g.winner <= maxWinner && (g.type == 1 || g.type == 2)
        && g.rounds >= 1 && g.rounds <= maxRounds && g.seconds >= 0 && g.seconds <= maxSeconds
        && g.rating >= 0 && g.rating <= maxRating && review(g.decisionsLost) && review(g.luck);
}

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
    const auto n = [](qint64 v) { return QString::number(v); };
    return QStringList{g.when.toString(kStamp), n(g.winner), n(g.band ? 1 : 0), n(g.type), n(g.rounds),
                       n(g.seconds), n(g.rating), n(g.assisted ? 1 : 0), n(g.testButtons ? 1 : 0),
                       figureText(g.decisionsLost), figureText(g.luck)}
            .join(QLatin1Char(','));
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

// A byte-order mark goes, and a line that ends in a CR alone (as old Mac
// editors end them) ends in a line feed, so that LF, CRLF and CR files read
// alike, each with as many bytes as it had.
QByteArray plainLines(const QByteArray &bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    QByteArray out = bytes.startsWith(bom) ? bytes.sliced(bom.size()) : bytes;
    if (!out.contains('\r'))
        return out;
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i)
        if (out[i] == '\r' && (i + 1 == n || out[i + 1] != '\n'))
            out[i] = '\n';
    return out;
}

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
        const bool numbered = whole(l.key, &key);
        if (numbered && key <= kMaxKey)
            d.lastKey = std::max(d.lastKey, key);
        if (!games)
            return;
        StatsGame g;
        // A key past any the game gives is no line of its own.
        if ((numbered && key > kMaxKey) || !readGame(l.value, &g)) {
            ++d.skipped;
            return;
        }
        d.games.append(g);
        kept[{g.winner, g.band}].add(g);
    });
}

} // namespace

StatsData parse(const QByteArray &read, bool games)
{
    if (read.contains('\0'))
        return damaged(uiText("statWhyNotText"));
    const QByteArray bytes = plainLines(read);
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
    const RecordRead r = readRecord(path, kMaxBytes);
    if (r.refused())
        return damaged(r.why);
    return r.blank() ? StatsData() : parse(r.bytes, games);
}

QByteArray format(const StatsData &d)
{
    // For whoever opens the file: what the fields are. A file that has lines
    // of its own before the first section keeps them instead.
    // A preamble that itself begins with a byte-order mark keeps it behind
    // one of the file's own, which reading takes away again.
    static const QByteArray bom("\xEF\xBB\xBF");
    QByteArray out = !d.preamble.isEmpty() ? (d.preamble.startsWith(bom) ? bom + d.preamble : d.preamble)
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

// Written only as a read takes it again: within the size and the lines a
// read accepts, the oldest games giving way (the totals keep them).
void save(const QString &path, StatsData &d)
{
    if (!d.fit())
        throw KvxError(uiText("statFull").arg(QDir::toNativeSeparators(path)));
    writeRecord(path, format(d));
}

} // namespace

QString addGame(const QString &path, const StatsGame &game, qint64 *key)
{
    if (!withinPlay(game))
        throw KvxError(uiText("statBeyond").arg(QDir::toNativeSeparators(path)));
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
