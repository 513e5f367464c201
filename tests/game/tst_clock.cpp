// SPDX-License-Identifier: GPL-3.0-or-later
// The game clock, the cover, pause and continue.
#include "EngineRig.h"

#include <QtTest>

class TestClock : public QObject
{
    Q_OBJECT

private slots:
    void elapsedText_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "000000";
        QTest::newRow("59") << 59 << "000059";
        QTest::newRow("60") << 60 << "000100";
        QTest::newRow("3599") << 3599 << "005959";
        QTest::newRow("3725") << 3725 << "010205";
        QTest::newRow("90061") << 90061 << "250101";
        QTest::newRow("359999") << 359999 << "995959";
        QTest::newRow("360000") << 360000 << "1000000";
    }

    void elapsedText()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(GamePresenter::elapsedText(seconds), text);
    }

    void ticksGoOnFromAnOpenedTime()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        restoreWith(g, [](auto &s) { s.elapsedSeconds = 3724; });
        rig.timers.advance(1000);
        QCOMPARE(g.elapsedSeconds(), 3725);
    }

    void waitingForStart()
    {
        EngineRig rig;
        Game &g = rig.game;
        g.prepareGame();
        QVERIFY(shown(g).coverVisible());
        QVERIFY(!shown(g).contVisible());
        QVERIFY(!clockRunning(g));
        QCOMPARE(rig.timers.activeCount(), 0);
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.elapsedSeconds(), 0);
        rig.timers.advance(10000);
        QCOMPARE(g.elapsedSeconds(), 0);
    }

    void startCountsFromZero()
    {
        EngineRig rig;
        Game &g = rig.game;
        g.prepareGame();
        rig.timers.advance(400);
        g.newGame();
        QVERIFY(!shown(g).coverVisible());
        QVERIFY(clockRunning(g));
        rig.timers.advance(999);
        QCOMPARE(g.elapsedSeconds(), 0);
        rig.timers.advance(1);
        QCOMPARE(g.elapsedSeconds(), 1);
        rig.timers.advance(59000);
        QCOMPARE(g.elapsedSeconds(), 60);
    }

    void pauseAndContinueKeepCount()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        rig.timers.advance(2500);
        QCOMPARE(g.elapsedSeconds(), 2);
        g.pause();
        QVERIFY(shown(g).coverVisible());
        QVERIFY(shown(g).contVisible());
        QVERIFY(!clockRunning(g));
        QCOMPARE(rig.timers.activeCount(), 0);
        rig.timers.advance(60000);
        QCOMPARE(g.elapsedSeconds(), 2);
        g.resume();
        QVERIFY(!shown(g).coverVisible());
        QCOMPARE(g.elapsedSeconds(), 2);
        // The half second before the pause is not counted.
        rig.timers.advance(999);
        QCOMPARE(g.elapsedSeconds(), 2);
        rig.timers.advance(1);
        QCOMPARE(g.elapsedSeconds(), 3);
    }

    void pauseWithCoverUpOnlyDecidesContinue()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        rig.timers.advance(1000);
        g.pause();
        QVERIFY(shown(g).contVisible());
        // The game behind the cover changes (as a load would); pause again.
        restoreWith(g, [](auto &s) { s.total = s.winner; });
        g.pause();
        QVERIFY(!shown(g).contVisible());
        QVERIFY(shown(g).coverVisible());
        QVERIFY(!clockRunning(g));
        QCOMPARE(g.elapsedSeconds(), 1);
    }

    void pauseRightAfterStartUp()
    {
        EngineRig rig;
        Game &g = rig.game;
        g.prepareGame();
        g.pause();
        QVERIFY(shown(g).contVisible());
        QVERIFY(shown(g).coverVisible());
        QVERIFY(!clockRunning(g));
        QCOMPARE(rig.timers.activeCount(), 0);
        g.resume();
        QVERIFY(!shown(g).coverVisible());
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.elapsedSeconds(), 0);
        rig.timers.advance(1000);
        QCOMPARE(g.elapsedSeconds(), 1);
    }

    void continueAfterFreshStart()
    {
        // Start, pause, Start again: a new game from 0, not the old count.
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        rig.timers.advance(5000);
        g.pause();
        g.newGame();
        QCOMPARE(g.elapsedSeconds(), 0);
        QVERIFY(!shown(g).coverVisible());
        rig.timers.advance(1000);
        QCOMPARE(g.elapsedSeconds(), 1);
    }

    void newGameKeepsTheBeat()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        rig.timers.advance(1500);
        QCOMPARE(g.elapsedSeconds(), 1);
        g.newGame();
        QCOMPARE(g.elapsedSeconds(), 0);
        QCOMPARE(rig.timers.activeCount(), 1);
        rig.timers.advance(500); // the running beat goes on
        QCOMPARE(g.elapsedSeconds(), 1);
    }

    void clockToldOnlyAtTicks()
    {
        // The clock's line keeps the last game's time until the new game's first tick.
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        QSignalSpy told(&g, &Game::clockChanged);
        rig.timers.advance(7000);
        g.pause();
        g.newGame();
        QCOMPARE(told.count(), 7);
        rig.timers.advance(1000);
        QCOMPARE(told.count(), 8);
    }

    void continueHiddenForWonOrEmptyGame()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        restoreWith(g, [](auto &s) { s.roundNo = s.total = s.subScore = 0; });
        g.pause();
        QVERIFY(!shown(g).contVisible());
        g.resume();
        // Total + SubScore + RoundNo adding up to 0 counts as nothing to continue.
        restoreWith(g, [](auto &s) {
            s.total = -100;
            s.roundNo = 100;
        });
        g.pause();
        QVERIFY(!shown(g).contVisible());
        g.resume();
        restoreWith(g, [](auto &s) { s.roundNo = 3; });
        g.pause();
        QVERIFY(shown(g).contVisible());
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
