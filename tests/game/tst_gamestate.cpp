// SPDX-License-Identifier: GPL-3.0-or-later
// The game record, the die states and their lookup, and taking the state
// out of a game and putting it back.
#include "EngineRig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QString differences(const Game::Snapshot &a, const Game::Snapshot &b)
{
    QStringList out;
    for (int n = 1; n <= 6; ++n) {
        if (a.dieState[n] != b.dieState[n])
            out << QStringLiteral("state %1").arg(n);
        if (a.face[n] != b.face[n])
            out << QStringLiteral("face %1").arg(n);
        if (a.selCount[n] != b.selCount[n])
            out << QStringLiteral("SelCount %1").arg(n);
        if (a.rollCount[n] != b.rollCount[n])
            out << QStringLiteral("RollCount %1").arg(n);
    }
    if (a.subScore != b.subScore)
        out << QStringLiteral("SubScore");
    if (a.total != b.total)
        out << QStringLiteral("Total");
    if (a.roundNo != b.roundNo)
        out << QStringLiteral("RoundNo");
    if (a.elapsedSeconds != b.elapsedSeconds)
        out << QStringLiteral("ElapsedSeconds");
    if (a.winner != b.winner)
        out << QStringLiteral("Winner");
    return out.join(QStringLiteral(", "));
}

} // namespace

class TestGameState : public QObject
{
    Q_OBJECT

private slots:
    void freshGame()
    {
        EngineRig rig;
        Game &g = rig.game;
        QCOMPARE(g.gs.NewRound, true);
        for (int f = 1; f <= 6; ++f) {
            QCOMPARE(g.gs.RollCount[f], 0);
            QCOMPARE(g.gs.SelCount[f], 0);
            QCOMPARE(g.die(f).value, 1);
            QCOMPARE(g.DiceState(f), int(DieFree));
            QVERIFY(!g.die(f).rotate);
        }
        for (int k = 0; k < 5; ++k)
            QCOMPARE(g.gs.OnesChoice[k] + g.gs.FivesChoice[k], 0);
        QCOMPARE(g.gs.KeptCount + g.gs.RoundNo + g.gs.SubScore + g.gs.Total + g.gs.SelScore, 0);
        QCOMPARE(g.RollingDice, 0);
        QCOMPARE(g.settings.Winner, 1000);
        QCOMPARE(g.settings.Valid, false);
        QCOMPARE(g.settings.Type, 1);
        QCOMPARE(rig.timers.activeCount(), 0);
    }

    void diceStateModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("returned");
        QTest::addColumn<int>("after");
        QTest::newRow("read") << -1 << 1 << 1;
        QTest::newRow("free") << 0 << 0 << 0;
        QTest::newRow("selected") << 1 << 1 << 1;
        QTest::newRow("kept") << 2 << 2 << 2;
        QTest::newRow("3") << 3 << -1 << 1;
        QTest::newRow("-2") << -2 << -1 << 1;
        QTest::newRow("100") << 100 << -1 << 1;
    }

    void diceStateModes()
    {
        QFETCH(int, mode);
        QFETCH(int, returned);
        QFETCH(int, after);
        EngineRig rig;
        Game &g = rig.game;
        QCOMPARE(g.DiceState(4, DieSelected), 1);
        QCOMPARE(g.DiceState(4, mode), returned);
        QCOMPARE(g.DiceState(4), after);
        QCOMPARE(g.die(4).color, after);
        for (int n : {1, 2, 3, 5, 6})
            QCOMPARE(g.DiceState(n), int(DieFree));
    }

    void diceStateSignalsOnlyChanges()
    {
        EngineRig rig;
        Game &g = rig.game;
        QSignalSpy spy(&g, &Game::dieChanged);
        g.DiceState(2, DieKept);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        g.DiceState(2, DieKept);
        g.DiceState(2);
        g.DiceState(2, 3);
        QCOMPARE(spy.count(), 1);
    }

    void diceStateOutsideTheDice()
    {
        EngineRig rig;
        for (int index : {0, 7, -1}) {
            QCOMPARE(rig.game.DiceState(index), -1);
            QCOMPARE(rig.game.DiceState(index, DieKept), -1);
        }
        QCOMPARE(rig.countIn(DieFree), 6);
    }

    void dieNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("die");
        QTest::newRow("as written") << "RxDice3" << 3;
        QTest::newRow("upper X") << "RXDice3" << 3;
        QTest::newRow("lower") << "rxdice1" << 1;
        QTest::newRow("upper") << "RXDICE6" << 6;
        QTest::newRow("seven") << "RxDice7" << 0;
        QTest::newRow("zero") << "RxDice0" << 0;
        QTest::newRow("no number") << "RxDice" << 0;
        QTest::newRow("leading zero") << "RxDice03" << 0;
        QTest::newRow("blank") << "RxDice 3" << 0;
        QTest::newRow("other") << "Dice3" << 0;
    }

    void dieNames()
    {
        QFETCH(QString, name);
        QFETCH(int, die);
        QCOMPARE(Game::dieIndexByName(name), die);
    }

    void snapshotAfterStartUp()
    {
        EngineRig rig;
        rig.game.prepareFirstGame();
        const Game::Snapshot s = rig.game.snapshot();
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(s.dieState[n], int(DieFree));
            QCOMPARE(s.selCount[n], 0);
            QCOMPARE(s.rollCount[n], 0);
        }
        QCOMPARE(s.total, 0);
        QCOMPARE(s.subScore, 0);
        QCOMPARE(s.roundNo, 1);
        QCOMPARE(s.elapsedSeconds, 0);
        QCOMPARE(s.winner, 1000);

        // Opened again, it offers Continue.
        EngineRig other;
        other.game.prepareFirstGame();
        other.game.restore(s);
        other.game.aPauseExecute();
        QVERIFY(other.game.contVisible());
        QCOMPARE(other.game.gs.NewRound, true);
    }

    void restoreRoundTrip()
    {
        EngineRig rig;
        QVERIFY(rig.playingWithOnesSelected());
        Game &g = rig.game;
        QVERIFY(rig.scoringRoll());
        rig.stage({0, 0, 0, 1, 1, 1});
        for (int n : {4, 5, 6})
            g.RxDice1Click(n);
        g.chooseEntry(1, 1);
        QCOMPARE(g.gs.SelScore, 30);
        rig.timers.advance(4321);
        g.gs.Total = 250;
        g.gs.RoundNo = 6;
        g.settings.Winner = 2000;
        const Game::Snapshot saved = g.snapshot();
        QCOMPARE(saved.subScore, 100);
        QVERIFY(saved.elapsedSeconds >= 4);

        EngineRig other;
        Game &h = other.game;
        other.startPlaying();
        h.gs.KeptCount = 5; // whatever the table held before
        h.gs.SelScore = 999;
        h.restore(saved);
        QCOMPARE(differences(h.snapshot(), saved), QString());
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(h.die(n).value, g.die(n).value);
        QCOMPARE(h.gs.KeptCount, 3);
        QCOMPARE(h.gs.NewRound, false);
        QVERIFY(h.rg10.visible);
        QVERIFY(!h.rg5.visible);
        QCOMPARE(h.rg10.items, (QStringList{"Full : 100", "3 * 10"}));
        QCOMPARE(h.rg10.itemIndex, 0);
        QCOMPARE(h.gs.OnesChoice[1], 30);
        QCOMPARE(h.gs.SelScore, 100);
        QCOMPARE(h.eSubScore(), 200); // what Done banks: SubScore and the selection
        QCOMPARE(h.eScore(), 250);
        QCOMPARE(h.eRnd(), 6);
        QCOMPARE(h.eValue(), QStringLiteral("5000"));
        QCOMPARE(h.settings.Winner, 2000);
        QCOMPARE(other.brokenInvariant(), QString());

        // The restored game plays on: the next click counts the whole selection.
        h.RxDice1Click(6);
        QCOMPARE(h.gs.SelScore, 20);
        QCOMPARE(h.eSubScore(), 120);
    }

    void restoreWithNothingRolled()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({5, 2, 3, 4, 6, 6}));
        EngineRig other;
        other.startPlaying();
        Game::Snapshot s = rig.game.snapshot();
        other.game.restore(s);
        QCOMPARE(other.game.gs.NewRound, false);
        for (int f = 1; f <= 6; ++f)
            s.rollCount[f] = 0;
        other.game.restore(s);
        QCOMPARE(other.game.gs.NewRound, true);
        other.game.RxDice1Click(1); // no roll yet: not clickable
        QCOMPARE(other.countIn(DieSelected), 0);
    }

    void restoreRecomputesScoreDisplay()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        g.gs.RoundNo = 8;
        g.EndRound(5);
        QCOMPARE(g.eValue(), QStringLiteral("62"));
        Game::Snapshot s = g.snapshot();
        s.total = 15; // same round number, so eRnd keeps its value
        g.restore(s);
        QCOMPARE(g.eRnd(), 9);
        QCOMPARE(g.eValue(), QStringLiteral("188"));
    }

    void restoreKeepsFacesInRange()
    {
        EngineRig rig;
        rig.startPlaying();
        Game::Snapshot s = rig.game.snapshot();
        s.face[2] = 9;
        s.face[3] = 0;
        s.face[4] = -7;
        s.dieState[5] = 7;
        rig.game.restore(s);
        for (int n = 1; n <= 6; ++n) {
            QVERIFY(rig.game.die(n).value >= 1 && rig.game.die(n).value <= 6);
            QVERIFY(rig.game.DiceState(n) >= DieFree && rig.game.DiceState(n) <= DieKept);
        }
    }
};

QTEST_GUILESS_MAIN(TestGameState)
#include "tst_gamestate.moc"
