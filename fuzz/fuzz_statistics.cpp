// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics reader against arbitrary files: whatever it can use is
// written back so that a second reading finds the same, a win added to it
// keeps every line it held, and a file it cannot use is said to be damaged.
// No figure in the file makes the figures or the chart grow past the lines read.
#include "FuzzCheck.h"

#include "records/Statistics.h"

#include <cstdint>

namespace {

bool sameTotals(const StatsData &a, const StatsData &b)
{
    if (a.totals.size() != b.totals.size())
        return false;
    for (const auto &[r, t] : a.totals) {
        const StatsTotals u = b.totalsFor(r);
        if (t.games != u.games || t.setAside != u.setAside || t.roundsSum != u.roundsSum
            || t.secondsSum != u.secondsSum || t.ratingSum != u.ratingSum || t.bestRounds != u.bestRounds
            || t.bestSeconds != u.bestSeconds)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const StatsData d = Statistics::parse(bytes);
    if (d.status == StatsData::Damaged) {
        FUZZ_CHECK(!d.problem.isEmpty(), "a damaged file without its reason");
        FUZZ_CHECK(d.games.isEmpty(), "games used from a damaged file");
        return 0;
    }
    FUZZ_CHECK(d.games.size() + d.skipped == d.lineCount, "every line of a game is used or counted as skipped");

    // Only figures play can produce are read, and what is made of them is
    // bounded by the lines read, never by a figure.
    for (const StatsGame &g : d.games)
        FUZZ_CHECK(Statistics::withinPlay(g), "a game no play produces was read");
    QList<RuleSet> shown = d.ruleSets();
    shown.append({1000, false});
    for (const RuleSet &r : shown) {
        FUZZ_CHECK(Statistics::withinPlay(d.totalsFor(r)), "totals no play produces were read");
        const StatsFigures f = statsFigures(d, r);
        FUZZ_CHECK(qsizetype(f.roundsCount.size()) <= d.games.size() && f.reviewed.size() <= d.games.size()
                       && f.keptGames <= d.games.size(),
                   "figures larger than the games read");
        const int last = f.roundsCount.empty() ? 1 : f.roundsCount.rbegin()->first;
        const std::vector<RoundsBucket> buckets = roundsBuckets(f.roundsCount, f.keptGames, {0.5, 0.5}, last);
        FUZZ_CHECK(!buckets.empty() && buckets.size() <= size_t(kMaxBuckets), "more bars than the chart takes");
        int games = 0;
        for (const RoundsBucket &b : buckets)
            games += b.games;
        FUZZ_CHECK(games == f.keptGames, "a game not in the chart");
    }

    // Written back and read again: the same games, lines and totals.
    const StatsData again = Statistics::parse(Statistics::format(d));
    FUZZ_CHECK(again.status != StatsData::Damaged, again.problem);
    FUZZ_CHECK(again.gameBlock == d.gameBlock, "the lines of games changed on the way");
    FUZZ_CHECK(again.games.size() == d.games.size() && again.skipped == d.skipped, "games lost on the way");
    FUZZ_CHECK(again.version == std::max(d.version, Statistics::kVersion), "the version changed");
    FUZZ_CHECK(sameTotals(d, again), "totals changed on the way");
    // Every line not understood comes back byte for byte.
    FUZZ_CHECK(again.otherStats == d.otherStats && again.otherSections == d.otherSections
                   && again.otherTotals == d.otherTotals && again.unreadTotals == d.unreadTotals,
               "lines this version does not understand were changed or lost");
    FUZZ_CHECK(d.preamble.isEmpty() || again.preamble == d.preamble, "the lines before the first section changed");

    // A win added: nothing it held is lost, unless the oldest games leave the history.
    StatsData won = d;
    StatsGame g;
    g.when = QDateTime(QDate(2026, 12, 7), QTime(18, 0));
    g.rounds = 12;
    g.seconds = 300;
    g.rating = 8333;
    won.addGame(g);
    won.keepLast(Statistics::kKeep);
    // Written within what a read takes, or not at all.
    const bool fits = won.fit();
    const QByteArray written = Statistics::format(won);
    if (!fits)
        return 0;
    FUZZ_CHECK(written.size() <= Statistics::kMaxBytes && written.count('\n') <= Statistics::kMaxLines,
               "a file written that a read refuses");
    FUZZ_CHECK(won.lastKey <= Statistics::kMaxKey, "a key past what a read takes");
    const StatsData after = Statistics::parse(written);
    FUZZ_CHECK(after.status != StatsData::Damaged, after.problem);
    if (d.lineCount < Statistics::kKeep)
        FUZZ_CHECK(after.gameBlock.startsWith(d.gameBlock), "a win lost lines of the file");
    FUZZ_CHECK(!after.games.isEmpty() && after.games.last().rounds == 12, "the win is not the newest game");
    FUZZ_CHECK(after.otherStats == d.otherStats && after.otherSections == d.otherSections
                   && after.otherTotals == d.otherTotals, "a win lost lines it did not understand");
    for (const auto &[r, t] : after.totals)
        FUZZ_CHECK(t.games <= Statistics::kMaxTotal && t.roundsSum <= Statistics::kMaxTotal
                       && t.secondsSum <= Statistics::kMaxTotal && t.ratingSum <= Statistics::kMaxTotal,
                   "a total too long to be read again");
    FUZZ_CHECK(after.totalsFor({1000, false}).games == d.totalsFor({1000, false}).games + 1
                   || after.totalsFor({1000, false}).games == qint64(after.gamesFor({1000, false}).size()),
               "the win is not in the totals");
    return 0;
}
