// SPDX-License-Identifier: GPL-3.0-or-later
// The test buttons that stage a roll.
#include "EngineRig.h"

#include <QtTest>

class TestCheat : public QObject
{
    Q_OBJECT

private slots:
    void allOnes()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({2, 3, 4, 6, 5, 2}));
        Game &g = rig.game;
        g.stageRoll([&](int) { return 1; });
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(g.die(n).value, 1);
            QCOMPARE(g.die(n).color, int(DieFree));
        }
        QCOMPARE(g.state().RollCount[1], 6);
        QVERIFY(shown(g).menuEnabled());
        for (int n = 1; n <= 6; ++n)
            g.clickDie(n);
        QCOMPARE(g.state().SelScore, 800);
        QCOMPARE(shown(g).choiceList(1).items.size(), 5);
        QCOMPARE(rig.prompts.messages, QStringList());
    }

    void threesOverFourKeptFail()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 5, 5, 2, 3}));
        Game &g = rig.game;
        for (int n : {1, 2, 3, 4})
            g.clickDie(n);
        QVERIFY(rig.scoringRoll());
        QCOMPARE(g.state().KeptCount, 4);
        QCOMPARE(g.state().SubScore, 30);
        g.stageRoll([&](int) { return 3; });
        QCOMPARE(rig.prompts.messages, QStringList{"You failed this round..."});
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(shown(g).eSubScore(), 0);
        QCOMPARE(rig.countIn(DieFree), 6);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void sixThreesScore()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({2, 2, 4, 4, 6, 1}));
        Game &g = rig.game;
        g.stageRoll([&](int) { return 3; });
        QCOMPARE(rig.prompts.messages, QStringList());
        QCOMPARE(g.state().NewRound, false);
        QCOMPARE(g.state().RollCount[3], 6);
        g.clickDie(1);
        for (int n = 4; n <= 6; ++n)
            g.clickDie(n);
        QCOMPARE(g.state().SelScore, 240);
    }

    void onesAndFivesAroundKeptDice()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({3, 5, 4, 6, 1, 2}));
        Game &g = rig.game;
        g.clickDie(2);
        g.clickDie(5);
        QVERIFY(rig.scoringRoll());
        QCOMPARE(g.die(2).color, int(DieKept));
        QCOMPARE(g.die(5).color, int(DieKept));
        g.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
        QCOMPARE(rig.faces(), (Faces{0, 1, 5, 1, 5, 1, 5}));
        QCOMPARE(g.die(2).color, int(DieKept));
        QCOMPARE(g.die(5).color, int(DieKept));
        for (int n : {1, 3, 4, 6})
            QCOMPARE(g.die(n).color, int(DieFree));
        QCOMPARE(g.state().RollCount[1], 2);
        QCOMPARE(g.state().RollCount[5], 2);
        QCOMPARE(g.state().KeptCount, 2);
        QCOMPARE(g.state().SubScore, 15);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void pressDropsTheSelection()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 5, 2, 3}));
        Game &g = rig.game;
        g.clickDie(4);
        QVERIFY(rig.scoringRoll());
        rig.stage({1, 1, 1, 0, 2, 3});
        for (int n : {1, 2, 3})
            g.clickDie(n);
        QCOMPARE(shown(g).eSubScore(), 105);
        QVERIFY(shown(g).choiceList(1).visible);
        const int total = g.state().Total, round = g.state().RoundNo;
        g.stageRoll([&](int) { return 5; });
        QCOMPARE(rig.countIn(DieSelected), 0);
        for (int f = 1; f <= 6; ++f)
            QCOMPARE(g.state().SelCount[f], 0);
        QCOMPARE(g.state().SelScore, 0);
        QCOMPARE(shown(g).eSubScore(), 5);
        QVERIFY(!shown(g).choiceList(1).visible);
        QCOMPARE(g.state().Total, total);
        QCOMPARE(g.state().RoundNo, round);
        QCOMPARE(g.state().SubScore, 5);
        QCOMPARE(g.state().KeptCount, 1);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void roundStartFacesAreRolledAway()
    {
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        g.stageRoll([&](int) { return 1; });
        QCOMPARE(g.state().RollCount[1], 6);
        QCOMPARE(g.state().NewRound, true);
        g.clickDie(1);
        QCOMPARE(rig.countIn(DieSelected), 0);
        g.roll();
        QCOMPARE(rig.prompts.messages, QStringList());
        QCOMPARE(g.rollingDice(), 6);
        QVERIFY(rig.settle());
    }

    void ignoredWhileRolling()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        Game &g = rig.game;
        g.clickDie(1);
        const qint64 m = 777777;
        const Faces expected = facesOfRollAt(g, m);
        rig.timers.setMsecsSinceMidnightUtc(m);
        g.roll();
        const Faces during = rig.faces();
        g.stageRoll([&](int) { return 1; });
        g.stageRoll([&](int) { return 3; });
        g.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
        QCOMPARE(rig.faces(), during);
        QVERIFY(!shown(g).menuEnabled());
        QCOMPARE(g.rollingDice(), 5);
        QVERIFY(rig.settle());
        QCOMPARE(rig.faces(), expected);
    }
};

QTEST_GUILESS_MAIN(TestCheat)
#include "tst_cheat.moc"
