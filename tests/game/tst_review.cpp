// SPDX-License-Identifier: GPL-3.0-or-later
// The game's record and its review: what the engine writes down, the cost of
// each decision against the advisor's ranking, the luck of each roll, and the
// balance between them over whole seeded games.
#include "EngineRig.h"
#include "game/AutoPlay.h"
#include "game/GameLimits.h"
#include "game/Review.h"
#include "game/Scoring.h"
#include "records/SavedGame.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

class TestReview : public QObject
{
    Q_OBJECT

    std::shared_ptr<const AdvisorSolution> m_off, m_on;

    const std::shared_ptr<const AdvisorSolution> &solutionFor(bool valid) const { return valid ? m_on : m_off; }

    static int stepsOf(const GameRecord &r, RecordStep::Kind kind)
    {
        int n = 0;
        for (const RecordStep &s : r.steps())
            n += s.kind == kind ? 1 : 0;
        return n;
    }
    static double balanceGap(const GameReview &v)
    {
        return (v.expectedAtEnd - v.bestFromStart) - (v.decisionsLost - v.luck + v.testShift);
    }
    // The choices after the last roll of the rig's game, as the advisor ranks them.
    static QVector<AdvisorAction> ranking(const EngineRig &rig, const AdvisorSolution &s)
    {
        int rolled[7] = {};
        for (int f = 1; f <= 6; ++f)
            rolled[f] = rig.game.state().RollCount[f];
        return s.rankActions(rig.game.state().Total, rig.game.state().SubScore, rolled);
    }

private slots:
    void initTestCase()
    {
        m_off = Advisor::solve({1000, false});
        // Up to 1000 both band rules share one solution; at 2000 they differ.
        m_on = Advisor::solve({2000, true});
        QVERIFY(m_off && m_on && m_off->winnable() && m_on->winnable());
    }

    // --- the balance over whole games ---

    void balanceHoldsOverSeededGames_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("strategy"); // 0 best, 1 bank at 30, 2 bank below 3 dice
        QTest::addColumn<int>("games");
        for (const bool valid : {false, true}) {
            const char *band = valid ? "2000, every thousand" : "1000, single band";
            QTest::addRow("best play, %s", band) << valid << 0 << 40;
            QTest::addRow("bank at 30, %s", band) << valid << 1 << 40;
            QTest::addRow("bank below 3 dice, %s", band) << valid << 2 << 40;
        }
    }

    void balanceHoldsOverSeededGames()
    {
        QFETCH(bool, valid);
        QFETCH(int, strategy);
        QFETCH(int, games);
        const auto &sol = solutionFor(valid);
        EngineRig rig;
        const qint32 winner = sol->winner();
        setRules(rig.game, {winner, valid});
        const Strategy play = strategy == 0 ? optimalStrategy(sol)
                : strategy == 1 ? simpleStrategy({winner, valid}, 30, 0)
                                : simpleStrategy({winner, valid}, 1 << 30, 3);
        double lost = 0;
        int flagged = 0, decisions = 0;
        for (int g = 0; g < games; ++g) {
            const int rounds = playGame(rig.game, rig.timers, play, quint32(500 + g));
            QVERIFY(rounds > 0);
            const GameRecord &rec = rig.game.record();
            QVERIFY(rec.won());
            QCOMPARE(rec.start().total, 0);
            QCOMPARE(stepsOf(rec, RecordStep::RoundEnd), rounds);
            const GameReview v = reviewGame(rec, *sol);
            QVERIFY(v.finished && v.complete && !v.testSteps);
            QCOMPARE(v.roundsPlayed, rounds);
            QCOMPARE(v.expectedAtEnd, double(rounds));
            QCOMPARE(v.bestFromStart, sol->roundsFromTotal(0));
            QCOMPARE(int(v.decisions.size()), stepsOf(rec, RecordStep::Keep));
            QCOMPARE(int(v.rolls.size()), stepsOf(rec, RecordStep::Roll));
            QVERIFY2(std::fabs(v.testShift) < 1e-9, qPrintable(QString::number(v.testShift)));
            QVERIFY2(std::fabs(balanceGap(v)) < 1e-6, qPrintable(QString::number(balanceGap(v))));
            double sum = 0;
            for (const ReviewDecision &d : v.decisions) {
                QVERIFY(d.valued && d.cost >= 0 && d.rank >= 1);
                QCOMPARE(d.cost == 0, d.rank == 1);
                sum += d.cost;
            }
            QVERIFY(std::fabs(sum - v.decisionsLost) < 1e-9);
            QCOMPARE(v.count[0] + v.count[1] + v.count[2] + v.count[3], int(v.decisions.size()));
            lost += v.decisionsLost;
            flagged += int(v.decisions.size()) - v.count[int(DecisionClass::Best)];
            decisions += int(v.decisions.size());
        }
        if (strategy == 0) {
            // The best play costs nothing and shows no class at all.
            QCOMPARE(lost, 0.0);
            QCOMPARE(flagged, 0);
        } else {
            // A simple strategy loses rounds, and the classes show it without
            // flagging every decision.
            QVERIFY(lost / games > 0.3);
            QVERIFY(flagged > 0);
            QVERIFY2(flagged < decisions * 3 / 4, qPrintable(QStringLiteral("%1 of %2").arg(QString::number(flagged), QString::number(decisions))));
        }
    }

    // --- single decisions against the ranking ---

    void costIsTheRankingsDifference_data()
    {
        QTest::addColumn<QVector<int>>("faces");
        QTest::addColumn<int>("choice"); // index in the ranking
        QTest::addColumn<bool>("valid");
        QTest::newRow("1 5 2 3 4 6, best") << QVector<int>{1, 5, 2, 3, 4, 6} << 0 << false;
        QTest::newRow("1 5 2 3 4 6, second") << QVector<int>{1, 5, 2, 3, 4, 6} << 1 << false;
        QTest::newRow("1 5 2 3 4 6, last") << QVector<int>{1, 5, 2, 3, 4, 6} << -1 << false;
        QTest::newRow("1 1 1 5 2 3, third") << QVector<int>{1, 1, 1, 5, 2, 3} << 2 << true;
        QTest::newRow("1 1 1 5 2 3, last") << QVector<int>{1, 1, 1, 5, 2, 3} << -1 << true;
        QTest::newRow("5 5 5 5 2 3, fifth") << QVector<int>{5, 5, 5, 5, 2, 3} << 4 << false;
        QTest::newRow("2 2 2 1 3 4, last") << QVector<int>{2, 2, 2, 1, 3, 4} << -1 << true;
    }

    void costIsTheRankingsDifference()
    {
        QFETCH(QVector<int>, faces);
        QFETCH(int, choice);
        QFETCH(bool, valid);
        const auto &sol = solutionFor(valid);
        EngineRig rig;
        setRules(rig.game, {sol->winner(), valid});
        QVERIFY(rig.playingWith(faces));
        const QVector<AdvisorAction> ranked = ranking(rig, *sol);
        QVERIFY(ranked.size() > 2);
        const int k = choice < 0 ? ranked.size() - 1 : choice;
        const AdvisorAction &play = ranked[k];
        QVERIFY(applyAction(rig.game, play));
        rig.settle();
        const GameReview v = reviewGame(rig.game.record(), *sol);
        // The first roll was replaced by the staged one: a test step, not luck.
        QVERIFY(!v.decisions.empty());
        const ReviewDecision &d = v.decisions.back();
        QVERIFY(d.valued);
        QCOMPARE(d.made.bank, play.bank);
        QCOMPARE(d.made.keep.points, play.keep.points);
        QCOMPARE(d.made.rounds, play.rounds);
        QCOMPARE(d.best.rounds, ranked.first().rounds);
        QCOMPARE(d.cost, play.rounds - ranked.first().rounds);
        QVERIFY(ranked[d.rank - 1].rounds == play.rounds);
        QVERIFY(d.rank == 1 || ranked[d.rank - 2].rounds < play.rounds);
        QCOMPARE(d.cls, classifyCost(d.cost));
        QCOMPARE(d.round, 1);
        QVERIFY(v.rolls.size() >= 2 && v.rolls[1].test);
        QVERIFY(std::fabs(balanceGap(v)) < 1e-9);
    }

    // --- classes ---

    void classesAtTheirThresholds_data()
    {
        QTest::addColumn<double>("cost");
        QTest::addColumn<int>("cls");
        const double e = 1e-12;
        QTest::newRow("zero") << 0.0 << int(DecisionClass::Best);
        QTest::newRow("just below inaccuracy") << ReviewThresholds::inaccuracy - e << int(DecisionClass::Best);
        QTest::newRow("inaccuracy") << ReviewThresholds::inaccuracy << int(DecisionClass::Inaccuracy);
        QTest::newRow("just below mistake") << ReviewThresholds::mistake - e << int(DecisionClass::Inaccuracy);
        QTest::newRow("mistake") << ReviewThresholds::mistake << int(DecisionClass::Mistake);
        QTest::newRow("just below blunder") << ReviewThresholds::blunder - e << int(DecisionClass::Mistake);
        QTest::newRow("blunder") << ReviewThresholds::blunder << int(DecisionClass::Blunder);
        QTest::newRow("huge") << 1e9 << int(DecisionClass::Blunder);
        QTest::newRow("not a number") << std::nan("") << int(DecisionClass::Best);
    }

    void classesAtTheirThresholds()
    {
        QFETCH(double, cost);
        QFETCH(int, cls);
        QCOMPARE(int(classifyCost(cost)), cls);
        QVERIFY(0 < ReviewThresholds::inaccuracy && ReviewThresholds::inaccuracy < ReviewThresholds::mistake
                && ReviewThresholds::mistake < ReviewThresholds::blunder);
    }

    // --- the record ---

    void recordsEachStepWithItsPosition()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 5, 2, 3}));
        // Three ones as 30 (the second entry) and the five, then roll on.
        const int before = int(rig.game.record().steps().size());
        for (int n = 1; n <= 4; ++n)
            rig.game.clickDie(n);
        QVERIFY(shown(rig.game).choiceList(1).items.size() > 1);
        rig.game.choose(1, 1);
        const qint32 points = rig.game.state().SelScore;
        QVERIFY(rig.rollAt(rig.midnightFor(true)));
        const auto &steps = rig.game.record().steps();
        QCOMPARE(int(steps.size()), before + 2);
        const RecordStep &keep = steps[size_t(before)];
        QCOMPARE(int(keep.kind), int(RecordStep::Keep));
        QCOMPARE(int(keep.faces[1]), 3);
        QCOMPARE(int(keep.faces[5]), 1);
        QCOMPARE(int(keep.onesEntry), 1);
        QCOMPARE(int(keep.fivesEntry), -1);
        QCOMPARE(keep.points, points);
        QCOMPARE(keep.bank, false);
        QCOMPARE(keep.roundNo, 1);
        const RecordStep &roll = steps.back();
        QCOMPARE(int(roll.kind), int(RecordStep::Roll));
        QCOMPARE(roll.diceRolled(), 2);
        QCOMPARE(roll.roundPoints, points);
        QVERIFY(!roll.test);
    }

    void testButtonStepsAreRecordedAsSuch()
    {
        EngineRig rig;
        rig.startPlaying();
        QVERIFY(rig.scoringRoll());
        rig.game.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
        const RecordStep &staged = rig.game.record().steps().back();
        QCOMPARE(int(staged.kind), int(RecordStep::Roll));
        QVERIFY(staged.test);
        int counts[7];
        staged.counts(counts);
        QCOMPARE(counts[1], 3);
        QCOMPARE(counts[5], 3);
        QVERIFY(rig.game.record().hasTestSteps());
        // Its change is no luck of the dice.
        const GameReview v = reviewGame(rig.game.record(), *m_off);
        QCOMPARE(int(v.rolls.size()), 2);
        QVERIFY(v.testSteps && v.rolls[1].test && v.rolls[1].valued);
        QCOMPARE(v.rolls[1].luck, 0.0);
        QCOMPARE(v.luck, v.rolls[0].luck);
        QVERIFY(v.testShift < 0); // three ones and three fives beat any roll on average
        QVERIFY(std::fabs(balanceGap(v)) < 1e-9);
    }

    void roundEndsAreRecordedAsTheyEnded()
    {
        EngineRig rig;
        // A bank, refused by the band.
        setRules(rig.game, {1000, true});
        QVERIFY(rig.playingWith({1, 2, 3, 4, 6, 6}));
        restoreWith(rig.game, [](auto &s) { s.total = 400; }); // a total the band refuses any small bank from
        rig.game.clickDie(1);
        rig.game.bank();
        const RecordStep &refused = rig.game.record().steps().back();
        QCOMPARE(int(refused.end), int(RecordStep::RefusedBand));
        QCOMPARE(refused.total, 400);
        QCOMPARE(refused.roundNo, 2);
        // A bust of all six dice: the penalty.
        const qint64 m = rig.midnightFor(false);
        QVERIFY(m >= 0 && rig.rollAt(m));
        const RecordStep &penalty = rig.game.record().steps().back();
        QCOMPARE(int(penalty.end), int(RecordStep::Penalty));
        QCOMPARE(penalty.total, 300);
        QCOMPARE(penalty.roundPoints, -100);
        // A bust of fewer dice loses the round's points only.
        QVERIFY(rig.scoringRoll());
        rig.stage({1, 2, 3, 4, 6, 6});
        rig.game.clickDie(1);
        const qint64 m2 = rig.midnightFor(false);
        QVERIFY(m2 >= 0);
        QVERIFY(rig.rollAt(m2));
        QCOMPARE(int(rig.game.record().steps().back().end), int(RecordStep::Bust));
        QCOMPARE(rig.game.record().steps().back().total, 300);
    }

    void aWonGameStaysOnRecordUntilTheNextBegins()
    {
        EngineRig rig;
        // The winning sequence runs on: nothing stops it, and a new game waits behind the cover.
        QVERIFY(rig.playingWith({1, 1, 1, 2, 3, 4}));
        restoreWith(rig.game, [](auto &s) { s.total = 970; });
        rig.game.clickDie(1);
        rig.game.clickDie(2);
        rig.game.clickDie(3);
        const QVector<ChoiceEntry> entries = choiceEntries(1, 3);
        for (int e = 0; e < entries.size(); ++e)
            if (entries[e].value == 30)
                rig.game.choose(1, e);
        QCOMPARE(rig.game.state().SelScore, 30);
        rig.game.bank();
        QVERIFY(shown(rig.game).coverVisible());
        QCOMPARE(rig.game.state().Total, 0);
        const GameRecord &rec = rig.game.record();
        QVERIFY(rec.won());
        QCOMPARE(rec.steps().back().total, 1000);
        QCOMPARE(int(rec.steps().back().end), int(RecordStep::Banked));
        // Continue plays the next game: its own record begins.
        rig.game.resume();
        QVERIFY(!rig.game.record().won());
        QVERIFY(rig.game.record().steps().empty());
        QCOMPARE(rig.game.record().start().total, 0);
        QCOMPARE(rig.game.record().start().roundNo, 1);
    }

    void aRecordStartsAtAnOpenedGame()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("game.kvx"));
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        rig.game.clickDie(1);
        QVERIFY(rig.rollAt(rig.midnightFor(true)));
        writeSavedGame(path, rig.game.snapshot());
        const int keptBack = rig.countIn(DieKept);

        EngineRig other;
        other.startPlaying();
        QVERIFY(other.scoringRoll());
        QVERIFY(!other.game.record().steps().empty());
        applySavedGame(other.game, readSavedGame(path));
        const GameRecord &rec = other.game.record();
        QVERIFY(rec.steps().empty());
        QVERIFY(rec.start().opened);
        QVERIFY(!rec.start().newRound);
        QCOMPARE(rec.start().total, rig.game.state().Total);
        QCOMPARE(rec.start().roundPoints, 10);
        QCOMPARE(rec.start().keptDice, keptBack);
        for (int f = 1; f <= 6; ++f)
            QCOMPARE(rec.start().rolled[f], rig.game.state().RollCount[f]);
        // The review starts from the opened position's best play and goes on from there.
        const QVector<AdvisorAction> ranked = ranking(other, *m_off);
        QVERIFY(!ranked.isEmpty());
        QVERIFY(applyAction(other.game, ranked.last()));
        other.settle();
        const GameReview v = reviewGame(other.game.record(), *m_off);
        QCOMPARE(v.bestFromStart, ranked.first().rounds);
        QVERIFY(v.complete);
        QCOMPARE(int(v.decisions.size()), 1);
        QCOMPARE(v.decisions[0].cost, ranked.last().rounds - ranked.first().rounds);
        QVERIFY(std::fabs(balanceGap(v)) < 1e-9);
    }

    // --- odd input ---

    void oddPositionsAreReviewedAsFarAsTheyGo_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("subScore");
        QTest::addColumn<int>("rolledOnes");
        QTest::addColumn<int>("winner");
        QTest::newRow("total no multiple of 5") << 7 << 0 << 0 << 1000;
        QTest::newRow("total past the winner") << 1500 << 0 << 0 << 1000;
        QTest::newRow("far below zero") << -2000000000 << 0 << 0 << 1000;
        QTest::newRow("odd round points") << 100 << 13 << 2 << 1000;
        QTest::newRow("too many dice rolled") << 100 << 50 << 9 << 1000;
        QTest::newRow("a winner never reached") << 0 << 0 << 0 << 1003;
    }

    void oddPositionsAreReviewedAsFarAsTheyGo()
    {
        QFETCH(int, total);
        QFETCH(int, subScore);
        QFETCH(int, rolledOnes);
        QFETCH(int, winner);
        EngineRig rig;
        rig.startPlaying();
        Game::Snapshot s = rig.game.snapshot();
        s.total = total;
        s.subScore = subScore;
        s.rollCount[1] = rolledOnes;
        s.winner = winner;
        rig.game.restore(s);
        // Play on a few steps as a player could.
        for (int k = 0; k < 6; ++k) {
            if (rig.game.state().NewRound || rig.game.state().SelCount[1] + rig.game.state().SelCount[5] > 0) {
                rig.rollAt(1000 + k);
            } else {
                for (int n = 1; n <= 6; ++n)
                    if (rig.game.die(n).value == 1 || rig.game.die(n).value == 5)
                        rig.game.clickDie(n);
                if (rig.game.state().SelCount[1] + rig.game.state().SelCount[5] == 0)
                    rig.game.bank();
            }
        }
        const auto sol = winner == 1000 ? m_off : Advisor::solve({winner, false});
        const GameReview v = reviewGame(rig.game.record(), *sol);
        QVERIFY(!v.complete);
        QVERIFY(v.unvalued > 0);
        QCOMPARE(int(v.chart.size()), int(rig.game.record().steps().size()) + 1);
        QCOMPARE(int(v.decisionAt.size()), int(rig.game.record().steps().size()));
        for (const ReviewDecision &d : v.decisions)
            QVERIFY(!d.valued || (d.cost >= 0 && std::isfinite(d.cost)));
        QVERIFY(std::isfinite(v.decisionsLost) && std::isfinite(v.luck));
    }

    void aGameOpenedDeepBelowZeroIsReviewedInFull()
    {
        // Half a million rounds of penalties: as deep as the rounds played allow.
        EngineRig rig;
        rig.startPlaying();
        restoreWith(rig.game, [](Game::Snapshot &s) {
            s.roundNo = 500000;
            s.total = qint32(GameLimits::lowestTotalIn(s.roundNo));
        });
        QVERIFY(rig.scoringRoll());
        rig.stage({1, 5, 2, 3, 4, 6});
        rig.game.clickDie(1);
        rig.game.bank();
        const GameReview v = reviewGame(rig.game.record(), *m_off);
        QVERIFY(v.complete);
        QCOMPARE(int(v.decisions.size()), 1);
        QVERIFY(v.decisions[0].valued);
        QVERIFY(std::isfinite(v.expectedAtEnd) && v.expectedAtEnd > 1000);
    }

    void aSolutionForOtherRulesValuesNothing()
    {
        EngineRig rig;
        setRules(rig.game, {2000, false});
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        rig.game.clickDie(1);
        rig.game.bank();
        const GameReview v = reviewGame(rig.game.record(), *m_off);
        QVERIFY(!v.rulesMatch && !v.complete);
        QCOMPARE(int(v.decisions.size()), 1);
        QVERIFY(!v.decisions[0].valued);
        QCOMPARE(v.decisions[0].made.keep.count[1], 1);
        QCOMPARE(v.decisionsLost, 0.0);
    }

    void aGameOfOverAThousandRounds()
    {
        // One decision and two rolls a round, never banking: a hand-made record.
        GameRecord rec;
        RecordStart start;
        rec.begin(start);
        const int rounds = 1200;
        for (int r = 1; r <= rounds; ++r) {
            RecordStep roll;
            roll.roundNo = r;
            const quint8 first[7] = {0, 1, 2, 3, 4, 6, 6};
            std::copy(first, first + 7, roll.faces);
            rec.add(roll);
            RecordStep keep;
            keep.kind = RecordStep::Keep;
            keep.roundNo = r;
            keep.faces[1] = 1;
            keep.points = 10;
            rec.add(keep);
            RecordStep bust;
            bust.roundNo = r;
            bust.roundPoints = 10;
            const quint8 second[7] = {0, 0, 2, 2, 3, 4, 6};
            std::copy(second, second + 7, bust.faces);
            rec.add(bust);
            RecordStep end;
            end.kind = RecordStep::RoundEnd;
            end.end = RecordStep::Bust;
            end.roundNo = r + 1;
            rec.add(end);
        }
        const GameReview v = reviewGame(rec, *m_off);
        QVERIFY(v.complete && !v.finished);
        QCOMPARE(v.roundsPlayed, rounds);
        QCOMPARE(int(v.decisions.size()), rounds);
        QVERIFY(std::fabs(balanceGap(v)) < 1e-6);
        QCOMPARE(v.expectedAtEnd, rounds + m_off->roundsFromTotal(0));
        // Taking one die of six and rolling on is a fair play; the review stays small.
        QVERIFY(v.bytes() + rec.bytes() < 2 * 1024 * 1024);
    }
};

QTEST_GUILESS_MAIN(TestReview)
#include "tst_review.moc"
