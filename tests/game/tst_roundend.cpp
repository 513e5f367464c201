// SPDX-License-Identifier: GPL-3.0-or-later
// Ending a round: the 400-500 band, the exact finish, the win, the new game,
// the score display and the message display.
#include "EngineRig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QString badIn = QStringLiteral("Sorry ! Your total score can't be in the 400-500 point-intervallum !");
}

class TestRoundEnd : public QObject
{
    Q_OBJECT

private slots:
    void bandAndExactFinish_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("winner");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("message");

        const QString exact1000 = QStringLiteral("Sorry ! You have to reach exactly the final 1000 point score !");
        QTest::newRow("to 395") << 350 << 45 << false << 1000 << true << QString();
        QTest::newRow("to 400") << 350 << 50 << false << 1000 << false << badIn;
        QTest::newRow("to 450") << 350 << 100 << false << 1000 << false << badIn;
        QTest::newRow("to 500") << 350 << 150 << false << 1000 << false << badIn;
        QTest::newRow("to 505") << 350 << 155 << false << 1000 << true << QString();
        QTest::newRow("to 1450, band off") << 1350 << 100 << false << 10000 << true << QString();
        QTest::newRow("to 1450, band on") << 1350 << 100 << true << 10000 << false << badIn;
        QTest::newRow("to 1395, band on") << 1350 << 45 << true << 10000 << true << QString();
        QTest::newRow("to 1400, band on") << 1350 << 50 << true << 10000 << false << badIn;
        QTest::newRow("to 1500, band on") << 1350 << 150 << true << 10000 << false << badIn;
        QTest::newRow("to 1505, band on") << 1350 << 155 << true << 10000 << true << QString();
        QTest::newRow("to 450, band on") << 350 << 100 << true << 1000 << false << badIn;
        QTest::newRow("to -550, band on") << -600 << 50 << true << 1000 << true << QString();
        QTest::newRow("to -450, band on") << -600 << 150 << true << 1000 << true << QString();
        QTest::newRow("penalty to 405") << 505 << -100 << false << 1000 << true << QString();
        QTest::newRow("penalty to -100") << 0 << -100 << true << 1000 << true << QString();
        QTest::newRow("bust at 400") << 400 << 0 << false << 1000 << true << QString();
        QTest::newRow("past the winner") << 950 << 100 << false << 1000 << false << exact1000;
        QTest::newRow("past the winner, band on") << 950 << 100 << true << 1000 << false << exact1000;
        QTest::newRow("band before exact") << 2350 << 100 << true << 2000 << false << badIn;
        QTest::newRow("just short") << 950 << 45 << false << 1000 << true << QString();
    }

    void bandAndExactFinish()
    {
        QFETCH(int, total);
        QFETCH(int, points);
        QFETCH(bool, valid);
        QFETCH(int, winner);
        QFETCH(bool, accepted);
        QFETCH(QString, message);
        EngineRig rig;
        Game &g = rig.game;
        g.settings.Winner = winner;
        g.settings.Valid = valid;
        rig.startPlaying();
        g.gs.Total = total;
        g.gs.RoundNo = 7;
        g.EndRound(points);
        QCOMPARE(g.gs.Total, accepted ? total + points : total);
        QCOMPARE(g.gs.RoundNo, 8);
        QCOMPARE(g.eRnd(), 8);
        if (accepted)
            QCOMPARE(g.eScore(), total + points);
        QCOMPARE(rig.ui.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(g.gs.NewRound, true);
        QVERIFY(g.stopWatchEnabled());
    }

    void roundEndClearsTheTable()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 5, 5, 5}));
        Game &g = rig.game;
        for (int n = 1; n <= 6; ++n)
            g.RxDice1Click(n);
        QVERIFY(g.rg10.visible && g.rg5.visible);
        g.gs.SubScore = 40;
        g.gs.KeptCount = 0;
        g.EndRound(0);
        QCOMPARE(rig.countIn(DieFree), 6);
        for (int f = 1; f <= 6; ++f) {
            QCOMPARE(g.gs.RollCount[f], 0);
            QCOMPARE(g.gs.SelCount[f], 0);
        }
        QCOMPARE(g.gs.KeptCount, 0);
        QCOMPARE(g.gs.SubScore, 0);
        QCOMPARE(g.gs.SelScore, 0);
        QCOMPARE(g.eSubScore(), 0);
        QVERIFY(!g.rg10.visible && !g.rg5.visible);
        QCOMPARE(g.gs.Total, 0);
        QCOMPARE(g.gs.RoundNo, 2);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void exactFinishNamesTheWinner()
    {
        EngineRig rig;
        Game &g = rig.game;
        g.settings.Winner = 3000;
        rig.startPlaying();
        g.gs.Total = 2950;
        g.EndRound(55);
        QCOMPARE(rig.ui.messages,
                 QStringList{"Sorry ! You have to reach exactly the final 3000 point score !"});
        QCOMPARE(g.gs.Total, 2950);
    }

    void winSequence()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({5, 5, 5, 2, 3, 4}));
        Game &g = rig.game;
        rig.timers.advance(4500);
        const int seconds = g.ElapsedSeconds;
        QVERIFY(seconds >= 4);
        g.gs.Total = 950;
        g.gs.RoundNo = 12;
        for (int n : {1, 2, 3})
            g.RxDice1Click(n);
        QCOMPARE(g.gs.SelScore, 50);

        bool clockAtMessage = true, buttonsAtMessage = false;
        rig.ui.onMessage = [&](const QString &) {
            clockAtMessage = g.stopWatchEnabled();
            buttonsAtMessage = g.rollDoneEnabled();
        };
        struct Seen {
            int total, round, seconds;
            bool clock, buttons, cover;
            QStringList messages;
        };
        QVector<Seen> checks;
        QObject::connect(&g, &Game::gameWon, [&] {
            checks << Seen{g.gs.Total, g.gs.RoundNo, g.ElapsedSeconds, g.stopWatchEnabled(),
                           g.rollDoneEnabled(), g.coverVisible(), rig.ui.messages};
        });
        g.btDoneClick();
        QCOMPARE(checks.size(), 1);
        QCOMPARE(checks[0].total, 1000);
        QCOMPARE(checks[0].round, 12);
        QCOMPARE(checks[0].seconds, seconds);
        QVERIFY(!checks[0].clock);
        QVERIFY(!checks[0].buttons);
        QVERIFY(!checks[0].cover);
        QCOMPARE(checks[0].messages, QStringList{"Congratulation !"});
        QVERIFY(!clockAtMessage);
        QVERIFY(buttonsAtMessage); // disabled only after the message
        QCOMPARE(rig.ui.messages, QStringList{"Congratulation !"});

        // A fresh game behind the cover, clock stopped at 0, Continue offered.
        QCOMPARE(g.gs.Total, 0);
        QCOMPARE(g.gs.RoundNo, 1);
        QCOMPARE(g.eScore(), 0);
        QCOMPARE(g.eRnd(), 1);
        QCOMPARE(g.ElapsedSeconds, 0);
        QVERIFY(g.coverVisible());
        QVERIFY(g.contVisible());
        QVERIFY(!g.stopWatchEnabled());
        QVERIFY(g.rollDoneEnabled());
        QCOMPARE(g.gs.NewRound, true);
        QCOMPARE(rig.timers.activeCount(), 0);
        rig.timers.advance(5000);
        QCOMPARE(g.ElapsedSeconds, 0);

        g.btContClick();
        rig.timers.advance(1000);
        QCOMPARE(g.ElapsedSeconds, 1);
        QCOMPARE(g.lTimeCaption(), QStringLiteral("Your time: 00:00:01"));
    }

    void failedTopTenCheckEndsSequence()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        g.gs.Total = 900;
        QObject::connect(&g, &Game::gameWon, [&g] { g.stopAfterWin(); });
        g.EndRound(100);
        QCOMPARE(g.gs.Total, 1000);
        QVERIFY(!g.coverVisible());
        QVERIFY(!g.stopWatchEnabled());
        QVERIFY(!g.rollDoneEnabled());
    }

    void winner450CannotBeWon()
    {
        EngineRig rig;
        Game &g = rig.game;
        g.settings.Winner = 450;
        rig.startPlaying();
        g.gs.Total = 350;
        g.EndRound(100);
        QCOMPARE(rig.ui.messages, QStringList{badIn});
        QCOMPARE(g.gs.Total, 350);
        g.gs.Total = 0;
        g.EndRound(450);
        QCOMPARE(g.gs.Total, 0);
        QCOMPARE(rig.ui.messages, (QStringList{badIn, badIn}));
        QVERIFY(g.rollDoneEnabled());
        QVERIFY(!g.coverVisible());
    }

    void penaltyInRoundOne()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        g.ScoreSelection(-1);
        QCOMPARE(rig.ui.messages, QStringList{"Ooops ! This is -100 point!"});
        QCOMPARE(g.gs.Total, -100);
        QCOMPARE(g.eScore(), -100);
        QCOMPARE(g.gs.RoundNo, 2);
        QCOMPARE(g.eValue(), QStringLiteral("-10000"));
    }

    void newGame()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 2, 3, 4, 6, 6}));
        Game &g = rig.game;
        g.RxDice1Click(1);
        g.btRollClick();
        QVERIFY(rig.settle());
        g.gs.Total = 300;
        g.settings.Winner = 3000;
        g.settings.Type = 2;
        rig.timers.advance(3000);
        g.NewGame();
        QCOMPARE(g.gs.Total, 0);
        QCOMPARE(g.gs.RoundNo, 1);
        QCOMPARE(g.eScore(), 0);
        QCOMPARE(g.eRnd(), 1);
        QCOMPARE(g.gs.KeptCount, 0);
        QCOMPARE(g.gs.SubScore, 0);
        QCOMPARE(g.gs.NewRound, true);
        QCOMPARE(g.ElapsedSeconds, 0);
        QVERIFY(g.stopWatchEnabled());
        QVERIFY(!g.coverVisible());
        QVERIFY(g.rollDoneEnabled());
        QCOMPARE(rig.countIn(DieFree), 6);
        QCOMPARE(g.lTypeCaption(), QStringLiteral("Game type:  Time / 3000"));
        QCOMPARE(g.eValue(), QStringLiteral("Not done yet..."));
        g.settings.Type = 1;
        g.settings.Winner = 1000;
        g.NewGame();
        QCOMPARE(g.lTypeCaption(), QStringLiteral("Game type:  Normal / 1000"));
    }

    void scoreDisplay_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("round");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("shown");
        QTest::newRow("5 in 8 rounds") << 1 << 0 << 8 << 5 << "62";
        QTest::newRow("15 in 8 rounds") << 1 << 0 << 8 << 15 << "188";
        QTest::newRow("850 in 3 rounds") << 1 << 800 << 3 << 50 << "28333";
        QTest::newRow("1000 in 64 rounds") << 1 << 900 << 64 << 100 << "1562";
        QTest::newRow("penalty in round 1") << 1 << 0 << 1 << -100 << "-10000";
        QTest::newRow("time game") << 2 << 0 << 8 << 5 << "Not done yet...";
    }

    void scoreDisplay()
    {
        QFETCH(int, type);
        QFETCH(int, total);
        QFETCH(int, round);
        QFETCH(int, points);
        QFETCH(QString, shown);
        EngineRig rig;
        Game &g = rig.game;
        g.settings.Type = type;
        g.settings.Winner = 10000;
        rig.startPlaying();
        QCOMPARE(g.eValue(), type == 1 ? QStringLiteral("0") : QStringLiteral("Not done yet..."));
        g.gs.Total = total;
        g.gs.RoundNo = round;
        g.EndRound(points);
        QCOMPARE(g.gs.RoundNo, round + 1);
        QCOMPARE(g.eValue(), shown);
    }

    void otherTypeLeavesScoreDisplay()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        g.gs.RoundNo = 8;
        g.EndRound(5);
        QCOMPARE(g.eValue(), QStringLiteral("62"));
        g.settings.Type = 3;
        g.EndRound(100);
        QCOMPARE(g.gs.Total, 105);
        QCOMPARE(g.eValue(), QStringLiteral("62"));
    }

    void showMsgReplacesEveryMark_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two marks") << "%1 and %1" << qint64(5) << "5 and 5";
        QTest::newRow("two marks, no number") << "%1 and %1" << qint64(-1) << "%1 and %1";
        QTest::newRow("no mark") << "plain" << qint64(7) << "plain";
        QTest::newRow("negative") << "at %1." << qint64(-100) << "at -100.";
        QTest::newRow("not looked at again") << "%%11" << qint64(1) << "%11";
        QTest::newRow("touching marks") << "%1%1" << qint64(12) << "1212";
        QTest::newRow("big") << "%1" << qint64(3000000000LL) << "3000000000";
    }

    void showMsgReplacesEveryMark()
    {
        QFETCH(QString, text);
        QFETCH(qint64, number);
        QFETCH(QString, shown);
        EngineRig rig;
        rig.game.ShowMsg(text, number);
        QCOMPARE(rig.ui.messages, QStringList{shown});
    }

    void showMsgReachesTheUi()
    {
        EngineRig rig;
        QSignalSpy spy(&rig.game, &Game::messageShown);
        rig.game.ShowMsg(rig.game.texts.msgExact, 1000);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), rig.ui.last());
        QCOMPARE(rig.ui.last(), QStringLiteral("Sorry ! You have to reach exactly the final 1000 point score !"));
    }
};

QTEST_GUILESS_MAIN(TestRoundEnd)
#include "tst_roundend.moc"
