// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics file: a win in, every kind of bad file, the kept history and
// two copies of the game winning at the same moment.
#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "game/GameLimits.h"
#include "records/PracticeFile.h"
#include "records/Statistics.h"
#include "records/TopTen.h"
#include "support/CpuClock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestStatistics : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return Statistics::fileName(); }

    static StatsGame game(int rounds, int seconds, bool band = false, qint32 winner = 1000)
    {
        StatsGame g;
        g.when = QDateTime(QDate(2026, 12, 7), QTime(17, 0, rounds % 60));
        g.winner = winner;
        g.band = band;
        g.rounds = rounds;
        g.seconds = seconds;
        g.rating = rounds > 0 ? winner * 100 / rounds : 0;
        return g;
    }

    QByteArray read(const QString &name) const
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), qint64(bytes.size()));
    }

    // A file as this version writes it, holding these games.
    static QByteArray fileOf(const QList<StatsGame> &games)
    {
        StatsData d;
        for (const StatsGame &g : games)
            d.addGame(g);
        return Statistics::format(d);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        ProgramDir::set(m_dir->path() + QLatin1Char('/'));
    }

    void aWinGoesInAndComesBack()
    {
        // Reading never makes the file.
        QCOMPARE(Statistics::load(path()).status, StatsData::Absent);
        QVERIFY(!QFile::exists(path()));

        StatsGame a = game(12, 345);
        a.decisionsLost = 1.25;
        a.luck = -0.5;
        a.type = 2;
        StatsGame b = game(9, 200, true);
        b.assisted = true;
        StatsGame c = game(7, 400);
        c.testButtons = true;
        StatsGame d = game(20, 150);
        for (const StatsGame &g : {a, b, c, d})
            QVERIFY(Statistics::addGame(path(), g).isEmpty());

        const StatsData data = Statistics::load(path());
        QCOMPARE(data.status, StatsData::Ok);
        QCOMPARE(data.games.size(), 4);
        const StatsGame &r = data.games.first();
        QCOMPARE(r.when, a.when);
        QCOMPARE(r.rounds, 12);
        QCOMPARE(r.seconds, 345);
        QCOMPARE(r.rating, a.rating);
        QCOMPARE(r.type, 2);
        QVERIFY(r.decisionsLost && *r.decisionsLost == 1.25 && r.luck && *r.luck == -0.5);
        QVERIFY(!data.games[3].decisionsLost && !data.games[3].luck);
        QVERIFY(data.games[1].band && data.games[1].assisted && !data.games[1].counted());
        QVERIFY(data.games[2].testButtons && !data.games[2].counted());

        // Set-apart games count apart, and into no figure.
        const StatsTotals t = data.totalsFor({1000, false});
        QCOMPARE(t.games, qint64(2));
        QCOMPARE(t.setAside, qint64(1));
        QCOMPARE(t.roundsSum, qint64(32));
        QCOMPARE(t.secondsSum, qint64(495));
        QCOMPARE(t.bestRounds, 12);
        QCOMPARE(t.bestSeconds, 150);
        QCOMPARE(data.totalsFor({1000, true}).setAside, qint64(1));
        QCOMPARE(data.totalsFor({1000, true}).games, qint64(0));
        QCOMPARE(data.ruleSets().size(), 2);
        QCOMPARE(data.gamesFor({1000, true}).size(), 1);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("games");   // games it can use
        QTest::addColumn<int>("skipped");

        const QByteArray good = fileOf({game(10, 100), game(11, 110), game(12, 120)});
        QTest::newRow("as written") << good << int(StatsData::Ok) << 3 << 0;
        QTest::newRow("truncated in a line") << good.left(good.size() - 25) << int(StatsData::Partial) << 2 << 1;
        QTest::newRow("truncated in the header") << good.left(40) << int(StatsData::Damaged) << 0 << 0;
        QByteArray edited = good;
        edited.replace(",11,110,", ",eleven,110,");
        QTest::newRow("a line edited by hand") << edited << int(StatsData::Partial) << 2 << 1;
        QByteArray future = good;
        future.replace("Version=1", "Version=3\r\nColour=blue");
        future.replace(",12,120,", ",12,120,").append("[Trophies]\r\nfirst=2026\r\n");
        future.replace("\r\n[Games]", "\r\n2000 band=1,0,9,90,2222,9,90,17,extra\r\n[Games]");
        QTest::newRow("a newer version") << future << int(StatsData::Future) << 3 << 0;
        QTest::newRow("not text") << QByteArray("[Statistics]\0\1\2Version=1", 25) << int(StatsData::Damaged) << 0 << 0;
        QTest::newRow("no version") << QByteArray("[Games]\n1=2026-12-07T17:00:00,1000,0,1,10,100,10000,0,0,,\n")
                                    << int(StatsData::Damaged) << 0 << 0;
        QTest::newRow("a million lines") << QByteArray(1000000, '\n').prepend("[Statistics]\nVersion=1\n")
                                         << int(StatsData::Damaged) << 0 << 0;
        QTest::newRow("empty") << QByteArray("\r\n") << int(StatsData::Absent) << 0 << 0;
        // Figures no play produces: the line is not read, and kept.
        const auto hostile = [&good](const char *row, const QByteArray &from, const QByteArray &to, int skipped) {
            QVERIFY(good.contains(from));
            QTest::newRow(row) << QByteArray(good).replace(from, to) << int(StatsData::Partial) << 3 - skipped
                               << skipped;
        };
        hostile("rounds 2^31-1", ",1,11,110,", ",1,2147483647,110,", 1);
        hostile("rounds past the last round", ",1,11,110,", ",1,1000000,110,", 1);
        hostile("a winning total of 0", "T17:00:11,1000,", "T17:00:11,0,", 1);
        hostile("game type 3", ",0,1,11,110,", ",0,3,11,110,", 1);
        hostile("rounds lost past any game", ",11,110,9090,0,0,,", ",11,110,9090,0,0,1e300,", 1);
        hostile("a key past any the game gives", "\n2=", "\n1000000000000=", 1);
        hostile("totals of 2^31 rounds a game", "1000=3,0,33,", "1000=3,0,6442450941,", 0);
        // Byte-order mark and line ends: read alike.
        QByteArray lf = good, cr = good;
        lf.replace("\r\n", "\n");
        cr.replace("\r\n", "\r");
        QTest::newRow("LF") << lf << int(StatsData::Ok) << 3 << 0;
        QTest::newRow("CR") << cr << int(StatsData::Ok) << 3 << 0;
        QTest::newRow("BOM, CRLF") << "\xEF\xBB\xBF" + good << int(StatsData::Ok) << 3 << 0;
        QTest::newRow("BOM, CR") << "\xEF\xBB\xBF" + cr << int(StatsData::Ok) << 3 << 0;
        QTest::newRow("a second BOM in the lines before") << "\xEF\xBB\xBF\xEF\xBB\xBF; mine\r\n" + good
                                                          << int(StatsData::Ok) << 3 << 0;
    }

    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(int, games);
        QFETCH(int, skipped);
        write(path(), bytes);

        const CpuClock clock;
        const StatsData data = Statistics::load(path());
        QVERIFY2(clock.elapsedMs() < 1000, "reading held the game up");
        QCOMPARE(int(data.status), status);
        QCOMPARE(data.games.size(), games);
        QCOMPARE(data.skipped, skipped);
        if (status == StatsData::Damaged)
            QVERIFY(!data.problem.isEmpty());

        // A win: a damaged file goes aside whole; any other keeps every line it held.
        const QString aside = Statistics::addGame(path(), game(8, 80));
        const StatsData after = Statistics::load(path());
        QCOMPARE(after.status == StatsData::Damaged, false);
        if (status == StatsData::Damaged) {
            QCOMPARE(aside, path() + QStringLiteral(".damaged"));
            QCOMPARE(read(aside), bytes);
            QCOMPARE(after.games.size(), 1);
            // A second damaged file does not replace the first.
            write(path(), QByteArray("\x01\x00", 2));
            QCOMPARE(Statistics::addGame(path(), game(8, 80)), path() + QStringLiteral(".damaged2"));
            QCOMPARE(read(aside), bytes);
            return;
        }
        QVERIFY(aside.isEmpty());
        QCOMPARE(after.games.size(), games + 1);
        QCOMPARE(after.skipped, skipped);
        QCOMPARE(after.version, data.version);
        QVERIFY(after.gameBlock.startsWith(data.gameBlock));
        QCOMPARE(after.lineCount, data.lineCount + 1);
        QCOMPARE(after.otherSections, data.otherSections);
        QCOMPARE(after.otherStats, data.otherStats);
        if (!data.preamble.isEmpty())
            QCOMPARE(after.preamble, data.preamble);
        QCOMPARE(after.totalsExtra, data.totalsExtra);
        QCOMPARE(after.totalsFor({1000, false}).games, qint64(data.totalsFor({1000, false}).games + 1));
        if (status == StatsData::Future) {
            QCOMPARE(after.totalsFor({2000, true}).games, qint64(1));
            QVERIFY(read(path()).contains("Colour=blue"));
            QVERIFY(read(path()).contains("first=2026"));
            QVERIFY(read(path()).contains(",17,extra"));
        }
    }

    void totalsOutliveTheKeptGames()
    {
        // Totals say 50 games, 20 are kept: the totals stand. A hand-edited
        // totals line counting fewer than the kept games gives way to them.
        QList<StatsGame> kept;
        for (int i = 0; i < 20; ++i)
            kept.append(game(10 + i, 100));
        QByteArray bytes = fileOf(kept);
        QVERIFY(bytes.contains("1000=20,0,390,2000,"));
        const QByteArray many = QByteArray(bytes).replace("1000=20,0,390,2000,", "1000=50,0,900,4000,");
        write(path(), many);
        StatsTotals t = Statistics::load(path()).totalsFor({1000, false});
        QCOMPARE(t.games, qint64(50));
        QCOMPARE(t.roundsSum, qint64(900));
        QCOMPARE(t.bestRounds, 10);

        write(path(), QByteArray(bytes).replace("1000=20,0,390,2000,", "1000=3,0,30,300,"));
        t = Statistics::load(path()).totalsFor({1000, false});
        QCOMPARE(t.games, qint64(20));
        QCOMPARE(t.roundsSum, qint64(390));
    }

    void keepsTheLastTenThousand()
    {
        QList<StatsGame> games;
        for (int i = 0; i < Statistics::kKeep; ++i)
            games.append(game(5 + i % 30, 60 + i));
        write(path(), fileOf(games));
        Statistics::addGame(path(), game(3, 30));
        const StatsData d = Statistics::load(path());
        QCOMPARE(d.games.size(), Statistics::kKeep);
        QCOMPARE(d.games.first().seconds, 61); // the oldest went
        QCOMPARE(d.games.last().rounds, 3);
        QCOMPARE(d.totalsFor({1000, false}).games, qint64(Statistics::kKeep + 1));
        QCOMPARE(d.totalsFor({1000, false}).bestRounds, 3);
        QCOMPARE(d.lastKey, qint64(Statistics::kKeep + 1));
        QVERIFY(d.gameBlock.startsWith("2="));
        QVERIFY(d.gameBlock.contains("\r\n10001=2026-12-07T17:00:03,1000,0,1,3,30,"));
    }

    void aFullFileTakesMoreGames_data()
    {
        QTest::addColumn<QByteArray>("padding"); // lines after the games, to the cap
        QTest::addColumn<bool>("byLines");
        QTest::newRow("to the size") << "9=" + QByteArray(4000, 'x') + "\r\n" << false;
        QTest::newRow("to the lines") << QByteArray(";\r\n") << true;
    }
    void aFullFileTakesMoreGames()
    {
        // Filled to the size or the lines a read takes, short of one game:
        // each win and review is written within them, the totals counting on.
        QFETCH(QByteArray, padding);
        QFETCH(bool, byLines);
        QByteArray bytes = fileOf({game(10, 100), game(11, 110)});
        while (byLines ? bytes.count('\n') < Statistics::kMaxLines - 1 : bytes.size() + padding.size() < Statistics::kMaxBytes)
            bytes += padding;
        bytes += QByteArray(byLines ? 0 : int(Statistics::kMaxBytes - bytes.size() - 40), ';') + "\r\n";
        write(path(), bytes);
        QVERIFY(Statistics::load(path()).status != StatsData::Damaged);
        for (int i = 1; i <= 3; ++i) {
            qint64 key = 0;
            QVERIFY(Statistics::addGame(path(), game(20 + i, 60), &key).isEmpty());
            QVERIFY(Statistics::setReview(path(), key, 1.5, 0.25));
            const StatsData d = Statistics::load(path());
            QVERIFY(d.status == StatsData::Ok || d.status == StatsData::Partial);
            QCOMPARE(d.totalsFor({1000, false}).games, qint64(2 + i));
            QCOMPARE(d.games.last().rounds, 20 + i);
            QVERIFY(d.games.last().decisionsLost);
        }
        QVERIFY(!QFile::exists(path() + QStringLiteral(".damaged")));
    }

    void aFileFullOfOtherLinesIsNotWritten()
    {
        // What this version does not write is never dropped: with no room
        // beside it the win is refused by name, and the file stays as it was.
        QByteArray bytes = fileOf({}) + "[Later]\r\n";
        bytes += QByteArray(int(Statistics::kMaxBytes - bytes.size() - 10), ';') + "\r\n";
        write(path(), bytes);
        QVERIFY_THROWS_EXCEPTION(KvxError, Statistics::addGame(path(), game(12, 100)));
        QCOMPARE(read(path()), bytes);
        // Nor is a game no play can produce.
        QVERIFY_THROWS_EXCEPTION(KvxError, Statistics::addGame(path(), game(GameLimits::maxRounds + 1, 100)));
        QCOMPARE(read(path()), bytes);
    }

    void theLastKeyIsNumberedAfresh()
    {
        QByteArray bytes = fileOf({game(10, 100), game(11, 110)});
        write(path(), bytes.replace("\n2=", "\n" + QByteArray::number(Statistics::kMaxKey) + "="));
        qint64 key = 0;
        Statistics::addGame(path(), game(12, 120), &key);
        QCOMPARE(key, qint64(3));
        QVERIFY(Statistics::load(path()).gameBlock.contains("\n2=2026-12-07T17:00:11,"));
    }

    void aReviewArrivesLater()
    {
        // The review of a won game lands after the game: it fills that game's
        // figures and touches no other line.
        qint64 first = 0, second = 0;
        Statistics::addGame(path(), game(10, 100), &first);
        Statistics::addGame(path(), game(11, 110), &second);
        QCOMPARE(second, first + 1);
        QVERIFY(Statistics::setReview(path(), first, 2.75, -0.5));
        QVERIFY(!Statistics::setReview(path(), second + 5, 1, 1));
        const StatsData d = Statistics::load(path());
        QCOMPARE(d.status, StatsData::Ok);
        QCOMPARE(d.games.size(), 2);
        QVERIFY(d.games[0].decisionsLost && *d.games[0].decisionsLost == 2.75 && *d.games[0].luck == -0.5);
        QVERIFY(!d.games[1].decisionsLost && !d.games[1].luck);
        QCOMPARE(d.games[0].rounds, 10);
        QCOMPARE(d.totalsFor({1000, false}).games, qint64(2));
        // Nothing to fill in a file that is gone.
        QFile::remove(path());
        QVERIFY(!Statistics::setReview(path(), first, 1, 1));
        QVERIFY(!QFile::exists(path()));
    }

    void resetForgetsOneRuleSet()
    {
        for (const StatsGame &g : {game(10, 100), game(11, 100, true), game(12, 100), game(9, 90, false, 2000)})
            Statistics::addGame(path(), g);
        Statistics::reset(path(), {1000, false});
        const StatsData d = Statistics::load(path());
        QCOMPARE(d.games.size(), 2);
        QCOMPARE(d.totalsFor({1000, false}).games, qint64(0));
        QCOMPARE(d.totalsFor({1000, true}).games, qint64(1));
        QCOMPARE(d.totalsFor({2000, false}).games, qint64(1));
        QCOMPARE(d.ruleSets(), (QList<RuleSet>{{1000, true}, {2000, false}}));
    }

    void aFileThatCannotBeWrittenIsReported()
    {
        ProgramDir::set(m_dir->path() + QStringLiteral("/nowhere/"));
        try {
            Statistics::addGame(path(), game(10, 100));
            QFAIL("no error");
        } catch (const KvxError &e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(m_dir->path() + QStringLiteral("/nowhere/"))),
                     qPrintable(e.message()));
        }
    }

    void linesNotUnderstoodSurviveByteForByte()
    {
        const QByteArray good = fileOf({game(10, 100)});
        const QByteArray longValue = "note=" + QByteArray(5000, 'n') + "\r\n";
        const QByteArray kept[] = {
            "# written by hand\n",               // before the first section
            "; a comment of the player\r\n",
            "no equals sign here\r\n",
            longValue,
            "2000 band=not,numbers\r\n",         // a totals line not understood
            "[Trophies]\r\nother=" + QByteArray(3000, 'o') + "\r\nplain line\r\n",
        };
        QByteArray bytes = kept[0] + good;
        bytes.replace("Version=1\r\n", "Version=1\r\n" + kept[1] + kept[2] + kept[3]);
        bytes.replace("[Games]\r\n", kept[4] + "[Games]\r\n");
        bytes += kept[5];
        write(path(), bytes);
        for (int i = 0; i < 2; ++i)
            Statistics::addGame(path(), game(8 + i, 80));
        const QByteArray after = read(path());
        for (const QByteArray &line : kept)
            QVERIFY2(after.count(line) == 1, line.left(40).constData());
        QVERIFY(after.startsWith(kept[0]));
        QCOMPARE(Statistics::load(path()).games.size(), 3);
    }

    void aTotalPastEighteenDigitsIsCountedAgain()
    {
        QByteArray bytes = fileOf({game(10, 100), game(20, 200)});
        QVERIFY(bytes.contains("1000=2,0,30,300,"));
        // As many games as the totals take, each of some thirty years.
        write(path(), bytes.replace("1000=2,0,30,300,", "1000=1000000000000,0,12000000000000,999999999999999995,"));
        QCOMPARE(Statistics::load(path()).totalsFor({1000, false}).secondsSum, qint64(999999999999999995));
        Statistics::addGame(path(), game(12, 120));
        const StatsData d = Statistics::load(path());
        QCOMPARE(d.status, StatsData::Ok);
        QCOMPARE(d.totalsFor({1000, false}).roundsSum, qint64(42));
        QCOMPARE(d.totalsFor({1000, false}).games, qint64(3));
    }

    void twoCopiesWinningAtOnceLoseNothing_data()
    {
        QTest::addColumn<bool>("fullTable");
        QTest::newRow("no table yet") << false;
        // The first copy's entries no longer enter once the second copy's are in.
        QTest::newRow("a full table") << true;
    }

    void twoCopiesWinningAtOnceLoseNothing()
    {
        QFETCH(bool, fullTable);
        QSet<int> expected{2000, 2001, 2002, 2003, 2004};
        if (fullTable) {
            TopTenTable t;
            for (int n = 1; n <= TopTen::Slots; ++n) {
                t.slot(n).Score = 1600 - 10 * n;
                expected.insert(n <= 5 ? 1600 - 10 * n : 0);
            }
            t.SaveTopTen(1);
            expected.remove(0);
        } else {
            expected.unite({1000, 1001, 1002, 1003, 1004});
        }
        // Each copy adds 40 wins and five entries of the score table.
        QProcess one, two;
        one.start(QStringLiteral(KORVEX_STATS_ADDWIN), {m_dir->path(), QStringLiteral("40"), QStringLiteral("1000")});
        two.start(QStringLiteral(KORVEX_STATS_ADDWIN), {m_dir->path(), QStringLiteral("40"), QStringLiteral("2000")});
        QVERIFY(one.waitForFinished(60000) && two.waitForFinished(60000));
        QCOMPARE(one.exitCode(), 0);
        QCOMPARE(two.exitCode(), 0);

        const StatsData d = Statistics::load(path());
        QCOMPARE(d.status, StatsData::Ok);
        QCOMPARE(d.games.size(), 80);
        QCOMPARE(d.totalsFor({1000, false}).games, qint64(80));
        QSet<int> ratings;
        for (const StatsGame &g : d.games)
            ratings.insert(g.rating);
        QCOMPARE(ratings.size(), 80);

        TopTenTable table;
        table.LoadTopTen(1);
        QSet<int> scores;
        for (int n = 1; n <= TopTen::Slots; ++n)
            scores.insert(table.slot(n).Score);
        QCOMPARE(scores, expected);
        QCOMPARE(PracticeFile::load(PracticeFile::fileName()).positions.size(), 80);
        QVERIFY(!QFile::exists(path() + QStringLiteral(".lock")));
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
