// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window over a known file: its figures, the best play beside
// them, the other rule sets, bad files and Reset.
#include "base/ProgramDir.h"
#include "app/StatisticsWindow.h"
#include "game/GameLimits.h"
#include "game/SolveService.h"
#include "records/ChallengeFile.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"
#include "support/FakePrompts.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

class TestStatisticsWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    FakePrompts m_prompts;
    SolveService m_solver;
    std::shared_ptr<const AdvisorSolution> m_thousand;

    static StatsGame game(int rounds, int seconds, qint32 winner = 1000, bool band = false)
    {
        StatsGame g;
        g.when = QDateTime(QDate(2026, 11, 1 + rounds % 28), QTime(20, 15));
        g.winner = winner;
        g.band = band;
        g.rounds = rounds;
        g.seconds = seconds;
        g.rating = winner * 100 / rounds;
        return g;
    }

    // Four counted games at 1000, one assisted, one with the test buttons,
    // two at 2000 with the band; three of the 1000 games reviewed.
    void writeKnownFile()
    {
        QList<StatsGame> games{game(10, 100), game(12, 200), game(12, 300), game(20, 400)};
        games[0].decisionsLost = 2.5;
        games[0].luck = 1.0;
        games[1].decisionsLost = 1.25;
        games[3].decisionsLost = 0.5;
        StatsGame assisted = game(5, 50);
        assisted.assisted = true;
        StatsGame cheated = game(3, 30);
        cheated.testButtons = true;
        games << assisted << cheated << game(40, 900, 2000, true) << game(44, 1000, 2000, true);
        for (const StatsGame &g : games)
            Statistics::addGame(Statistics::fileName(), g);
    }

    // Shows the rules once the file is read.
    static void open(StatisticsWindow &w, const RuleSet &rules)
    {
        w.showRules(rules);
        QTRY_VERIFY(!w.reading());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_solver.waitFor({1000, false}, 60000));
        m_thousand = m_solver.solution({1000, false});
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ProgramDir::set(m_dir->path() + QLatin1Char('/'));
        m_prompts = FakePrompts();
    }

    void figuresOfAKnownFile_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("games") << QByteArray("statGames") << QStringLiteral("4");
        QTest::newRow("set apart") << QByteArray("statSetAside") << QStringLiteral("2");
        QTest::newRow("average rounds") << QByteArray("statAverageRounds") << QLocale().toString(13.5, 'f', 2);
        QTest::newRow("median rounds") << QByteArray("statMedianRounds") << QStringLiteral("12");
        QTest::newRow("fewest rounds") << QByteArray("statBestRounds") << QStringLiteral("10");
        QTest::newRow("average time") << QByteArray("statAverageTime") << QStringLiteral("4:10");
        QTest::newRow("best time") << QByteArray("statBestTime") << QStringLiteral("1:40");
        // (10000 + 8333 + 8333 + 5000) / 4
        // Written as the score display and the top ten write ratings: no group separator.
        QTest::newRow("average rating") << QByteArray("statAverageRating") << QStringLiteral("7917");
        QTest::newRow("best play median") << QByteArray("statBestMedian") << QStringLiteral("25");
        QTest::newRow("best play 90 %") << QByteArray("statBestNinety") << QStringLiteral("35");
    }

    void figuresOfAKnownFile()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, value);
        writeKnownFile();
        StatisticsWindow w(m_prompts, m_solver);
        // Read off the user-interface thread, the bar busy meanwhile.
        w.showRules({1000, false});
        QProgressBar *bar = w.findChild<QProgressBar *>();
        QVERIFY(w.reading() && !bar->isHidden() && bar->maximum() == 0);
        QTRY_VERIFY(!w.reading());
        QVERIFY(bar->isHidden());
        QCOMPARE(w.figure(key.constData()), value);
        QVERIFY(w.lNotice->isHidden());
    }

    void chartsAndTheirTables()
    {
        writeKnownFile();
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        QCOMPARE(w.figure("statBestMean"), QLocale().toString(m_thousand->distributionMean(), 'f', 2));
        // One row per rounds, as far as the best play's 99th percentile.
        const int last = m_thousand->roundsForChance(0.99);
        QVERIFY(last > 20);
        QCOMPARE(w.tbRounds->model()->rowCount(), last);
        QCOMPARE(w.tbRounds->model()->index(11, 0).data().toString(), QStringLiteral("12"));
        QCOMPARE(w.tbRounds->model()->index(11, 1).data().toString(), QStringLiteral("2"));
        QCOMPARE(w.tbRounds->model()->index(11, 2).data().toString(), QLocale().toString(50.0, 'f', 1) + QStringLiteral("%"));
        QCOMPARE(w.tbRounds->model()->index(2, 1).data().toString(), QStringLiteral("0")); // the test-button game is not there
        QCOMPARE(w.tbRounds->model()->index(24, 3).data().toString(),
                 QLocale().toString(100 * m_thousand->roundsDistribution()[24], 'f', 1) + QStringLiteral("%"));
        // The reviewed games, oldest first.
        QCOMPARE(w.tbTrend->model()->rowCount(), 3);
        QVERIFY(QRegularExpression(QStringLiteral("^2026-11-\\d\\d$")).match(w.tbTrend->model()->index(0, 1).data().toString()).hasMatch());
        QCOMPARE(w.tbTrend->model()->index(0, 3).data().toString(), QLocale().toString(2.5, 'f', 2));
        QCOMPARE(w.tbTrend->model()->index(2, 3).data().toString(), QLocale().toString(0.5, 'f', 2));
        QCOMPARE(w.tbTrend->model()->index(1, 4).data().toString(), QStringLiteral("unknown"));
        // Every control is named for a screen reader and reached by Tab.
        for (QWidget *c : std::initializer_list<QWidget *>{w.cbRules, w.tbFigures, w.tbRounds, w.tbTrend, w.chRounds,
                                                            w.chTrend, w.btReset, w.btClose}) {
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        }
        for (QWidget *c : std::initializer_list<QWidget *>{w.cbRules, w.tbFigures, w.tbRounds, w.tbTrend, w.btReset})
            QVERIFY2(c->focusPolicy() & Qt::TabFocus, qPrintable(c->objectName()));
    }

    // Beside the game on a small screen: narrow, the charts and tables one
    // below the other, each as wide as it needs; wide, side by side again.
    void narrowWindowStacks()
    {
        writeKnownFile();
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        w.show();
        const QSize least = w.minimumSizeHint().expandedTo(w.minimumSize());
        QVERIFY(least.width() <= 500 && least.height() <= 400);
        w.resize(500, 600);
        QCoreApplication::processEvents();
        const auto at = [&w](const QWidget *c) { return c->mapTo(&w, QPoint()); };
        QVERIFY(at(w.tbRounds).y() > at(w.chRounds).y() && at(w.chRounds).y() > at(w.tbFigures).y());
        QVERIFY(at(w.chTrend).y() > at(w.tbRounds).y());
        for (const QWidget *c : std::initializer_list<const QWidget *>{w.tbFigures, w.chRounds, w.tbRounds, w.chTrend, w.tbTrend}) {
            QVERIFY2(c->width() >= c->minimumWidth() && c->height() >= c->minimumHeight(), qPrintable(c->objectName()));
            QVERIFY2(c->height() >= 100, qPrintable(c->objectName()));
        }
        w.resize(1100, 640);
        QCoreApplication::processEvents();
        QCOMPARE(at(w.chRounds).y(), at(w.tbRounds).y());
        QVERIFY(at(w.chRounds).x() > at(w.tbFigures).x());
    }

    void otherRuleSetsAndTheBestPlayLater()
    {
        writeKnownFile();
        StatisticsWindow w(m_prompts, m_solver);
        // Rules in force without games of their own: they come first, the others follow.
        open(w, {1500, false});
        QCOMPARE(w.cbRules->count(), 3);
        QVERIFY(w.cbRules->itemText(0).contains(QStringLiteral("1500")));
        QCOMPARE(w.figure("statGames"), QStringLiteral("0"));
        QCOMPARE(w.figure("statAverageRounds"), QStringLiteral("-"));
        // Solved on the worker, the window waiting with the progress shown.
        QCOMPARE(w.figure("statBestMean"), QStringLiteral("working out the best play..."));
        QProgressBar *bar = w.findChild<QProgressBar *>();
        QVERIFY(bar && !bar->isHidden());
        const int band = w.cbRules->findText(QStringLiteral("2000 points, 400-500 in every thousand"));
        QVERIFY(band > 0);
        w.cbRules->setCurrentIndex(band);
        emit w.cbRules->activated(band);
        QVERIFY(w.shownRules() == (RuleSet{2000, true}));
        QCOMPARE(w.figure("statGames"), QStringLiteral("2"));
        QCOMPARE(w.figure("statMedianRounds"), QStringLiteral("42"));
        QCOMPARE(w.tbRounds->model()->rowCount(), 44);
        // The best play, its spread of rounds with it, as soon as the worker is done.
        QTRY_VERIFY_WITH_TIMEOUT(bar->isHidden(), 60000);
        const auto best = m_solver.solution({2000, true});
        QVERIFY(best && best->hasDistribution());
        QCOMPARE(w.figure("statBestMean"), QLocale().toString(best->distributionMean(), 'f', 2));
    }

    void challengeWinsCountedApart()
    {
        writeKnownFile();
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        QVERIFY(w.lChallenges->isHidden()); // no challenge won: no line
        // Two challenges won at 1000, one at 2000 with the band.
        for (const RuleSet &rules : {RuleSet{1000, false}, RuleSet{2000, true}, RuleSet{1000, false}}) {
            ChallengeResult r;
            r.code = ChallengeCode::parse(QStringLiteral("2222-2222"));
            r.when = QDateTime(QDate(2026, 12, 8), QTime(20, 0));
            r.rules = rules;
            r.name = QStringLiteral("<b>Ann</b>");
            r.rounds = 25;
            ChallengeFile::addResult(ChallengeFile::fileName(), r);
        }
        const QString table = uiText("aChallengeTable").remove(QLatin1Char('&'));
        open(w, {1000, false});
        QVERIFY(!w.lChallenges->isHidden());
        QCOMPARE(w.lChallenges->text(), uiText("chalStatWon").arg(QStringLiteral("1000 points"), QStringLiteral("2"), table));
        QCOMPARE(w.figure("statGames"), QStringLiteral("4")); // not among the statistics' own
        const int band = w.cbRules->findText(QStringLiteral("2000 points, 400-500 in every thousand"));
        w.cbRules->setCurrentIndex(band);
        emit w.cbRules->activated(band);
        QCOMPARE(w.lChallenges->text(),
                 uiText("chalStatWon").arg(QStringLiteral("2000 points, 400-500 in every thousand"), QStringLiteral("1"), table));
        // Rules under which none was won say so.
        open(w, {1500, false});
        QCOMPARE(w.lChallenges->text(), uiText("chalStatWon").arg(QStringLiteral("1500 points"), QStringLiteral("0"), table));
    }

    void badFilesAreNamed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        QTest::newRow("damaged") << QByteArray("\x7f" "ELF\0\0garbage", 12) << QStringLiteral("could not be read");
        QTest::newRow("newer") << QByteArray("[Statistics]\nVersion=9\n[Games]\n1=2026-12-07T17:00:00,1000,0,1,10,100,10000,0,0,,,x\n")
                               << QStringLiteral("newer version");
        QTest::newRow("hand-edited") << QByteArray("[Statistics]\nVersion=1\n[Games]\n1=2026-12-07T17:00:00,1000,0,1,ten,100\n"
                                                   "2=2026-12-07T17:00:00,1000,0,1,10,100,10000,0,0,,\n")
                                     << QStringLiteral("could not be read (1)");
        QTest::newRow("rounds 2^31-1") << QByteArray("[Statistics]\nVersion=1\n[Games]\n1=2024-01-01T10:00:00,1000,0,1,2147483647,60,5000,0,0,,\n"
                                                     "2=2026-12-07T17:00:00,1000,0,1,10,100,10000,0,0,,\n")
                                       << QStringLiteral("could not be read (1)");
    }

    void badFilesAreNamed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        // A folder whose name holds placeholders of its own.
        const QString folder = m_dir->path() + QStringLiteral("/nv-%2-%1/");
        QVERIFY(QDir().mkpath(folder));
        ProgramDir::set(folder);
        QFile f(Statistics::fileName());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        QVERIFY(!w.lNotice->isHidden());
        QVERIFY2(w.lNotice->text().contains(says), qPrintable(w.lNotice->text()));
        QVERIFY2(w.lNotice->text().contains(QDir::toNativeSeparators(folder + QStringLiteral("KVXStats.ini"))),
                 qPrintable(w.lNotice->text()));
        QCOMPARE(w.lNotice->accessibleName(), w.lNotice->text());
        // The window reads; it never touches the file.
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }

    void aMillionRoundsStayBounded()
    {
        // The longest game play can win: the chart and its table in buckets
        // of rounds, as many as for a short game.
        for (const StatsGame &g : {game(10, 100), game(12, 100), game(GameLimits::maxRounds, 100)})
            Statistics::addGame(Statistics::fileName(), g);
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        QCOMPARE(w.tbRounds->model()->rowCount(), kMaxBuckets);
        QCOMPARE(w.tbRounds->model()->index(0, 0).data().toString(), QStringLiteral("1\u20135000"));
        QCOMPARE(w.tbRounds->model()->index(0, 1).data().toString(), QStringLiteral("2"));
        QCOMPARE(w.tbRounds->model()->index(kMaxBuckets - 1, 1).data().toString(), QStringLiteral("1"));
        w.resize(900, 600);
        QVERIFY(!w.chRounds->grab().isNull());
    }

    void textsFollowTheLanguageAtEachOpening()
    {
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        QCOMPARE(w.btReset->text(), QStringLiteral("Reset..."));
        QFile lng(ProgramDir::file(QStringLiteral("Korvex.lng")));
        QVERIFY(lng.open(QIODevice::WriteOnly));
        lng.write("[Statistics]\nstatReset=Zur\xc3\xbc" "cksetzen...\nstatGames=Gewonnene Spiele\nstatRoundsColumn=Runden\n");
        lng.close();
        loadUiTexts(TRegAuto(lng.fileName()));
        open(w, {1000, false});
        resetUiTexts();
        QCOMPARE(w.btReset->text(), QString::fromUtf8("Zur\xc3\xbc" "cksetzen..."));
        QVERIFY(w.btReset->minimumWidth() > w.btReset->fontMetrics().horizontalAdvance(w.btReset->text()));
        QCOMPARE(w.tbFigures->item(0, 0)->text(), QStringLiteral("Gewonnene Spiele"));
        QCOMPARE(w.tbRounds->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Runden"));
    }

    void resetAsksAndForgetsOneRuleSet()
    {
        writeKnownFile();
        StatisticsWindow w(m_prompts, m_solver);
        open(w, {1000, false});
        const QByteArray before = [] {
            QFile f(Statistics::fileName());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        m_prompts.confirmAnswers.enqueue(false);
        QTest::mouseClick(w.btReset, Qt::LeftButton);
        QCOMPARE(m_prompts.questions.size(), 1);
        // The question names the rules and what goes with them.
        const QString q = m_prompts.questions.first();
        QVERIFY2(q.contains(QStringLiteral("1000 points")) && q.contains(QStringLiteral("4 counted games"))
                         && q.contains(QStringLiteral("2 set apart")),
                 qPrintable(q));
        QFile f(Statistics::fileName());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();
        QCOMPARE(w.figure("statGames"), QStringLiteral("4"));

        m_prompts.confirmAnswers.enqueue(true);
        QTest::mouseClick(w.btReset, Qt::LeftButton);
        QTRY_COMPARE(w.figure("statGames"), QStringLiteral("0"));
        QCOMPARE(w.figure("statSetAside"), QStringLiteral("0"));
        // Nothing left to forget: it says so and asks nothing.
        QTest::mouseClick(w.btReset, Qt::LeftButton);
        QCOMPARE(m_prompts.questions.size(), 2);
        QCOMPARE(m_prompts.messages, QStringList{QStringLiteral("No games won under 1000 points are kept: there is nothing to reset.")});
        const StatsData d = Statistics::load(Statistics::fileName());
        QCOMPARE(d.games.size(), 2);
        QCOMPARE(d.totalsFor({2000, true}).games, qint64(2));
        QVERIFY(m_prompts.errors.isEmpty());
    }
};

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
