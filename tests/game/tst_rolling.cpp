// SPDX-License-Identifier: GPL-3.0-or-later
// The generator, the die's animation step and stop, the Roll and the
// evaluation of a finished roll.
#include "EngineRig.h"
#include "support/ChiSquare.h"

#include <QtTest>

#include <random>

namespace {

// An independent model of the generator and of a roll, worked out apart from
// the engine, that the engine's rolls are checked against.

// The generator worked out with plain 64-bit arithmetic: multiply, add one,
// keep the remainder by 2^32; the result is the quotient of n x seed by 2^32.
inline int modelDraw(quint64 &seed, int n)
{
    seed = (seed * 134775813ULL + 1ULL) % 4294967296ULL;
    return int((quint64(n) * seed) / 4294967296ULL);
}

struct ModelRoll
{
    Faces faces{};
    std::array<int, 7> stopMs{}; // the picked stop time of each rolled die
    std::array<int, 7> restMs{}; // when each rolled die came to rest
    int lastRestMs = 0;
};

// Six dice started together, 60 ms apart ticks, handled in die order at
// equal times; a die notices its stop time at a tick and rests one tick later.
inline ModelRoll modelRoll(qint64 midnightMs, const Faces &start, const std::array<bool, 7> &rolls)
{
    ModelRoll r;
    r.faces = start;
    quint64 seed = quint64(midnightMs) % 4294967296ULL;
    std::array<bool, 7> moving{}, spinning{};
    for (int n = 1; n <= 6; ++n) {
        if (!rolls[n])
            continue;
        r.stopMs[n] = (modelDraw(seed, 20) + 1) * 100;
        moving[n] = spinning[n] = true;
    }
    for (int t = 60;; t += 60) {
        bool any = false;
        for (int n = 1; n <= 6; ++n) {
            if (!moving[n])
                continue;
            any = true;
            int v = modelDraw(seed, 5) + 1;
            if (v >= r.faces[n])
                v += 1;
            r.faces[n] = v;
            if (!spinning[n]) {
                moving[n] = false;
                r.restMs[n] = t;
                r.lastRestMs = t;
            } else if (t >= r.stopMs[n]) {
                spinning[n] = false;
            }
        }
        if (!any)
            break;
    }
    return r;
}

} // namespace

class TestRolling : public QObject
{
    Q_OBJECT

private slots:
    void generatorFromSeedOne()
    {
        // Worked out by hand: 1 x 134775813 + 1 = 134775814, and 6 x 134775814
        // is below 2^32, so the first draw is 0; and so on.
        const quint32 seeds[] = {134775814u, 3698175007u, 870078620u, 1172187917u,
                                 2884733762u, 1368768587u, 694906232u, 1598751577u};
        const int draws[] = {0, 5, 1, 1, 4, 1, 0, 2};
        GameRandom r;
        r.setSeed(1);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(r.random(6), draws[i]);
            QCOMPARE(r.seed(), seeds[i]);
        }
    }

    void generatorFromSeedZero()
    {
        const int draws[] = {0, 0, 17, 4, 5, 13};
        GameRandom r;
        r.setSeed(0);
        for (int d : draws)
            QCOMPARE(r.random(20), d);
    }

    void generatorAgreesWithModel_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("n");
        QTest::newRow("seed 1, 6") << 1u << 6;
        QTest::newRow("seed 12345678, 20") << 12345678u << 20;
        QTest::newRow("seed 2^32-1, 6") << 0xFFFFFFFFu << 6;
        QTest::newRow("seed 86399999, 1000") << 86399999u << 1000;
        QTest::newRow("seed 7, 1") << 7u << 1;
    }

    void generatorAgreesWithModel()
    {
        QFETCH(quint32, seed);
        QFETCH(int, n);
        GameRandom r;
        r.setSeed(seed);
        quint64 model = seed;
        for (int i = 0; i < 2000; ++i) {
            const int got = r.random(n);
            QCOMPARE(got, modelDraw(model, n));
            QVERIFY(got >= 0 && got < n);
        }
    }

    void reseedTakesTimeOfDay()
    {
        GameRandom r;
        r.randomize(((13 * 60 + 7) * 60 + 42) * 1000 + 815);
        QCOMPARE(r.seed(), 47262815u);
        EngineRig rig;
        rig.startPlaying();
        rig.timers.setMsecsSinceMidnightUtc(5555);
        rig.game.roll();
        // Reseeded just before the dice start: six stop times drawn since.
        quint64 model = 5555;
        for (int i = 0; i < 6; ++i)
            modelDraw(model, 20);
        QCOMPARE(quint64(rig.random.seed()), model);
    }

    void faceNeverRepeats_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("draw");
        QTest::addColumn<int>("next");
        // A draw of five picks among the faces not shown, in their order.
        for (int shown = 1; shown <= 6; ++shown)
            for (int draw = 1; draw <= 5; ++draw)
                QTest::addRow("%d, draw %d", shown, draw) << shown << draw << (draw < shown ? draw : draw + 1);
    }

    void faceNeverRepeats()
    {
        QFETCH(int, shown);
        QFETCH(int, draw);
        QFETCH(int, next);
        ManualTimerService timers;
        GameRandom random;
        DieModel dice[7];
        dice[1].value = shown;
        DiceTurning turning(timers, random, dice, [](int) {}, [] {});
        const bool turn[7] = {false, true};
        turning.roll(turn);
        QVERIFY(dice[1].rotate);
        // A seed whose next draw of five gives the one wanted.
        quint32 seed = 0;
        for (;; ++seed) {
            quint64 m = seed;
            if (modelDraw(m, 5) + 1 == draw)
                break;
        }
        random.setSeed(seed);
        turning.dieStep(1);
        QCOMPARE(dice[1].value, next);
        QVERIFY(dice[1].rotate);
    }

    void stopTimes_data()
    {
        QTest::addColumn<qint64>("midnight");
        for (qint64 m : {0LL, 1LL, 999LL, 12345678LL, 43200000LL, 86399999LL})
            QTest::addRow("%lld", m) << m;
    }

    void stopTimes()
    {
        QFETCH(qint64, midnight);
        EngineRig rig;
        rig.startPlaying();
        rig.timers.setMsecsSinceMidnightUtc(midnight);
        rig.game.roll();
        const ModelRoll expected = modelRoll(midnight, rig.faces(), {false, true, true, true, true, true, true});
        for (int n = 1; n <= 6; ++n) {
            const int stop = rig.game.die(n).autoStopInterval;
            QVERIFY2(stop >= 100 && stop <= 2000 && stop % 100 == 0, qPrintable(QString::number(stop)));
            QCOMPARE(stop, expected.stopMs[n]);
        }
    }

    void rollReplaysModel_data()
    {
        QTest::addColumn<qint64>("midnight");
        for (qint64 m : {0LL, 4711LL, 12345678LL, 50000000LL, 86399999LL})
            QTest::addRow("%lld", m) << m;
    }

    void rollReplaysModel()
    {
        QFETCH(qint64, midnight);
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        const ModelRoll expected = modelRoll(midnight, rig.faces(), rig.diceToRoll());
        rig.timers.setMsecsSinceMidnightUtc(midnight);
        g.roll();
        QCOMPARE(g.rollingDice(), 6);
        // Advance tick by tick; each die must come to rest exactly when predicted.
        for (int t = 60; t <= expected.lastRestMs; t += 60) {
            rig.timers.advance(60);
            for (int n = 1; n <= 6; ++n) {
                const bool resting = g.die(n).timer == 0;
                QVERIFY2(resting == (t >= expected.restMs[n]),
                         qPrintable(QStringLiteral("die %1 at %2 ms").arg(n).arg(t)));
            }
            if (t < expected.lastRestMs)
                QVERIFY(g.rollingDice() > 0);
        }
        QCOMPARE(g.rollingDice(), 0);
        QCOMPARE(rig.faces(), expected.faces);
        // A die of 100 ms rests after three ticks, one of 2000 ms after 36.
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(expected.restMs[n], ((expected.stopMs[n] + 59) / 60 + 1) * 60);
    }

    void sameTimeOfDaySameRoll()
    {
        Faces first{}, second{};
        {
            EngineRig rig;
            rig.startPlaying();
            QVERIFY(rig.rollAt(31415926));
            first = rig.faces();
        }
        {
            EngineRig rig;
            rig.startPlaying();
            rig.timers.advance(777); // the tick counter plays no part in the draws
            QVERIFY(rig.rollAt(31415926));
            second = rig.faces();
        }
        QCOMPARE(first, second);
    }

    void chiSquarePValues_data()
    {
        QTest::addColumn<double>("statistic");
        QTest::addColumn<int>("df");
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("tolerance"); // relative
        // Closed forms: e^(-x/2) for two degrees, (1 + x/2) e^(-x/2) for four,
        // erfc(sqrt(x/2)) for one; then tabled 0.1 % points.
        QTest::newRow("2 df, 2") << 2.0 << 2 << std::exp(-1.0) << 1e-9;
        QTest::newRow("2 df, 40") << 40.0 << 2 << std::exp(-20.0) << 1e-9;
        QTest::newRow("4 df, 3") << 3.0 << 4 << 2.5 * std::exp(-1.5) << 1e-9;
        QTest::newRow("1 df, 0.5") << 0.5 << 1 << std::erfc(0.5) << 1e-9;
        QTest::newRow("1 df, 30") << 30.0 << 1 << std::erfc(std::sqrt(15.0)) << 1e-9;
        QTest::newRow("5 df, 20.515") << 20.515 << 5 << 0.001 << 1e-3;
        QTest::newRow("25 df, 52.620") << 52.620 << 25 << 0.001 << 1e-3;
    }

    void chiSquarePValues()
    {
        QFETCH(double, statistic);
        QFETCH(int, df);
        QFETCH(double, p);
        QFETCH(double, tolerance);
        const double got = chisquare::pValue(statistic, df);
        QVERIFY2(std::abs(got - p) <= p * tolerance, qPrintable(QStringLiteral("%1 for %2").arg(got).arg(p)));
    }

    // Whole rolls of six at times of day spread over the day: every face comes
    // up one time in six, and where a die rests has nothing to do with the
    // face it showed before the roll.
    void restingFacesAreFair()
    {
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        std::mt19937 timeOfDay(20261207);
        const int rolls = 100000;
        std::vector<double> faces(6, 0);
        std::vector<std::vector<double>> beforeAfter(6, std::vector<double>(6, 0));
        bool settled = true;
        for (int i = 0; i < rolls && settled; ++i) {
            if (!g.state().NewRound) // nothing taken: the next roll is of all six again
                restoreWith(g, [](Game::Snapshot &s) {
                    for (int n = 1; n <= 6; ++n) {
                        s.dieState[n] = DieFree;
                        s.rollCount[n] = s.selCount[n] = 0;
                    }
                });
            const Faces before = rig.faces();
            // Reseeded and started by Roll, then stepped tick by tick as the
            // timers would, each die in its turn.
            rig.timers.setMsecsSinceMidnightUtc(qint64(timeOfDay() % 86400000u));
            g.roll();
            settled = rig.settle();
            for (int n = 1; n <= 6; ++n) {
                faces[g.die(n).value - 1] += 1;
                beforeAfter[before[n] - 1][g.die(n).value - 1] += 1;
            }
        }
        QVERIFY(settled);
        const double spread = chisquare::statistic(faces, std::vector<double>(6, rolls));
        const double link = chisquare::independence(beforeAfter);
        const QString seen = QStringLiteral("faces %1 %2 %3 %4 %5 %6, chi-square %7 and %8")
                                     .arg(faces[0]).arg(faces[1]).arg(faces[2]).arg(faces[3]).arg(faces[4])
                                     .arg(faces[5]).arg(spread).arg(link);
        QVERIFY2(chisquare::pValue(spread, 5) >= 0.001, qPrintable(seen));
        QVERIFY2(chisquare::pValue(link, 25) >= 0.001, qPrintable(seen));
    }

    void tickWrapStopsDice()
    {
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        // A time of day whose stop times are all long.
        quint64 m = 1000;
        for (;; ++m) {
            quint64 s = m;
            bool allLong = true;
            for (int i = 0; i < 6; ++i)
                allLong = allLong && (modelDraw(s, 20) + 1) * 100 >= 1000;
            if (allLong)
                break;
        }
        rig.timers.setTickCount(0xFFFFFFFFu - 20);
        rig.timers.setMsecsSinceMidnightUtc(qint64(m));
        g.roll();
        for (int n = 1; n <= 6; ++n)
            QVERIFY(g.die(n).autoStopInterval >= 1000);
        rig.timers.advance(60); // the counter has wrapped: every die stops at the next tick
        QCOMPARE(g.rollingDice(), 6);
        for (int n = 1; n <= 6; ++n)
            QVERIFY(!g.die(n).rotate);
        rig.timers.advance(60);
        QCOMPARE(g.rollingDice(), 0);
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(g.die(n).timer, 0);
    }

    void firstRollRollsAllSix()
    {
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        QVERIFY(shown(g).menuEnabled());
        g.roll();
        QCOMPARE(rig.prompts.messages, QStringList());
        QCOMPARE(g.rollingDice(), 6);
        QCOMPARE(g.state().NewRound, false);
        QVERIFY(!shown(g).menuEnabled());
        for (int n = 1; n <= 6; ++n) {
            QVERIFY(g.die(n).rotate);
            QVERIFY(g.die(n).timer != 0);
            QCOMPARE(g.die(n).interval, 60);
        }
        QVERIFY(rig.settle());
        QVERIFY(shown(g).menuEnabled() || g.state().NewRound);
    }

    void keptDiceStayPut()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({2, 5, 3, 1, 4, 6}));
        Game &g = rig.game;
        g.clickDie(2);
        g.clickDie(4);
        const qint64 m = rig.midnightFor(true);
        QVERIFY(m >= 0);
        rig.timers.setMsecsSinceMidnightUtc(m);
        g.roll();
        QCOMPARE(g.rollingDice(), 4);
        QCOMPARE(g.state().KeptCount, 2);
        QVERIFY(!g.die(2).rotate && !g.die(4).rotate);
        QVERIFY(rig.settle());
        QCOMPARE(g.die(2).value, 5);
        QCOMPARE(g.die(4).value, 1);
        QCOMPARE(g.die(2).color, int(DieKept));
        // The evaluation counted only the rolled dice.
        int counted = 0;
        for (int f = 1; f <= 6; ++f)
            counted += g.state().RollCount[f];
        QCOMPARE(counted, 4);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void notBusts_data()
    {
        QTest::addColumn<QVector<int>>("faces");
        QTest::newRow("three 2s") << QVector<int>{2, 3, 2, 4, 2, 6};
        QTest::newRow("a single 1") << QVector<int>{2, 2, 3, 3, 4, 1};
        QTest::newRow("a single 5") << QVector<int>{5, 2, 3, 3, 4, 6};
        QTest::newRow("three 6s") << QVector<int>{6, 6, 6, 2, 3, 4};
    }

    void notBusts()
    {
        QFETCH(QVector<int>, faces);
        EngineRig rig;
        QVERIFY(rig.playingWith(faces));
        QCOMPARE(rig.game.state().NewRound, false);
        QCOMPARE(rig.game.state().Total, 0);
        QCOMPARE(rig.prompts.messages, QStringList());
    }

    void stagedFirstRollBust()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({2, 2, 3, 3, 4, 6}));
        Game &g = rig.game;
        QCOMPARE(rig.prompts.messages, QStringList{"Ooops ! This is -100 point!"});
        QCOMPARE(g.state().Total, -100);
        QCOMPARE(shown(g).eScore(), -100);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(shown(g).eSubScore(), 0);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void firstRollBustFromTheDice()
    {
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        int subScoreShown = 1;
        rig.prompts.onMessage = [&](const QString &) { subScoreShown = shown(g).eSubScore(); };
        const qint64 m = rig.midnightFor(false);
        QVERIFY(m >= 0);
        QVERIFY(rig.rollAt(m));
        QCOMPARE(rig.prompts.messages, QStringList{"Ooops ! This is -100 point!"});
        QCOMPARE(subScoreShown, -100); // shown while the message is up
        QCOMPARE(g.state().Total, -100);
        QCOMPARE(g.state().RoundNo, 2);
        QVERIFY(shown(g).menuEnabled());
    }

    void plainBustWithKeptDice()
    {
        EngineRig rig;
        QVERIFY(rig.playingWithOnesSelected());
        Game &g = rig.game;
        const qint64 m = rig.midnightFor(false);
        QVERIFY(m >= 0);
        int subScoreShown = 1;
        rig.prompts.onMessage = [&](const QString &) { subScoreShown = shown(g).eSubScore(); };
        QVERIFY(rig.rollAt(m));
        QCOMPARE(rig.prompts.messages, QStringList{"You failed this round..."});
        QCOMPARE(subScoreShown, 0);
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(rig.countIn(DieFree), 6);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void hotDiceThenBustCostsHundred()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 1, 2, 3}));
        Game &g = rig.game;
        for (int n : {1, 2, 3, 4})
            g.clickDie(n); // 200
        QVERIFY(rig.scoringRoll());
        // Stage the two rolled dice so that everything can be taken.
        rig.stage({1, 1, 1, 1, 5, 5});
        g.clickDie(5);
        g.clickDie(6);
        QCOMPARE(rig.countIn(DieSelected) + rig.countIn(DieKept), 6);
        const qint64 m = rig.midnightFor(false);
        QVERIFY(m >= 0);
        rig.timers.setMsecsSinceMidnightUtc(m);
        g.roll();
        // Hot dice: all six free again and rolling, the round's points kept.
        QCOMPARE(g.state().KeptCount, 0);
        QCOMPARE(g.rollingDice(), 6);
        QCOMPARE(rig.countIn(DieFree), 6);
        QCOMPARE(g.state().SubScore, 210);
        QCOMPARE(g.state().NewRound, false);
        QVERIFY(rig.settle());
        QCOMPARE(rig.prompts.messages, QStringList{"Ooops ! This is -100 point!"});
        QCOMPARE(g.state().Total, -100);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(g.state().RoundNo, 2);
    }

    void secondRollWithoutSelection()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        Game &g = rig.game;
        g.clickDie(1);
        QVERIFY(rig.scoringRoll());
        QCOMPARE(g.state().SubScore, 10);
        const Faces before = rig.faces();
        QVector<int> statesBefore;
        for (int n = 1; n <= 6; ++n)
            statesBefore << g.die(n).color;
        const int subtotal = shown(g).eSubScore();
        rig.prompts.messages.clear();
        g.roll();
        QCOMPARE(rig.prompts.messages, QStringList{"You did'n selected any dice !"});
        QCOMPARE(g.state().SubScore, 10);
        QCOMPARE(shown(g).eSubScore(), subtotal);
        QVERIFY(shown(g).menuEnabled());
        QCOMPARE(g.rollingDice(), 0);
        QCOMPARE(rig.faces(), before);
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(g.die(n).color, statesBefore[n - 1]);
            QVERIFY(!g.die(n).rotate);
        }
        QCOMPARE(rig.timers.activeCount(), 1); // the clock alone
    }

    void rollDuringRollRefused()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        Game &g = rig.game;
        g.clickDie(1);
        g.roll();
        QCOMPARE(g.rollingDice(), 5);
        rig.timers.advance(60);
        g.roll();
        QCOMPARE(rig.prompts.messages, QStringList{"You did'n selected any dice !"});
        QCOMPARE(g.rollingDice(), 5);
        QCOMPARE(g.state().SubScore, 10);
        QVERIFY(rig.settle());
    }

    void doneIgnoredWhileRolling()
    {
        EngineRig rig;
        QVERIFY(rig.playingWithOnesSelected());
        Game &g = rig.game;
        const qint64 m = rig.midnightFor(false);
        QVERIFY(m >= 0);
        rig.timers.setMsecsSinceMidnightUtc(m);
        g.roll();
        QCOMPARE(g.state().SubScore, 100);
        rig.timers.advance(120);
        QVERIFY(g.rollingDice() > 0);
        g.bank(); // would bank 100 and dodge the coming bust
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.state().NewRound, false);
        QCOMPARE(g.state().SubScore, 100);
        QVERIFY(rig.settle());
        // The roll's risk stays with the round: a plain bust, no penalty.
        QCOMPARE(rig.prompts.messages, QStringList{"You failed this round..."});
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 2);
    }
};

QTEST_GUILESS_MAIN(TestRolling)
#include "tst_rolling.moc"
