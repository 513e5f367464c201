// SPDX-License-Identifier: GPL-3.0-or-later
// Ending a round: the 400-500 band, the exact finish, the win, the new game,
// the score display and the message display.
#include "EngineRig.h"

#include <QSignalSpy>
#include <QtTest>

using Rating = std::optional<qint64>;

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
        setRules(g, {winner, valid});
        rig.startPlaying();
        restoreWith(g, [&](Game::Snapshot &s) {
            s.total = total;
            s.roundNo = 7;
        });
        rig.endRound(points);
        QCOMPARE(g.state().Total, accepted ? total + points : total);
        QCOMPARE(g.state().RoundNo, 8);
        QCOMPARE(shown(g).eRnd(), 8);
        if (accepted)
            QCOMPARE(shown(g).eScore(), total + points);
        // A bust's box comes first, then the refusal's.
        QStringList messages;
        if (points <= 0)
            messages << (points < 0 ? shown(g).gameTexts().msgCrash : shown(g).gameTexts().msgFail);
        if (!message.isEmpty())
            messages << message;
        QCOMPARE(rig.prompts.messages, messages);
        QCOMPARE(g.state().NewRound, true);
        QVERIFY(clockRunning(g));
    }

    void roundEndClearsTheTable()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 5, 5, 5}));
        Game &g = rig.game;
        for (int n = 1; n <= 6; ++n)
            g.clickDie(n);
        QVERIFY(shown(g).choiceList(1).visible && shown(g).choiceList(5).visible);
        g.bank();
        QCOMPARE(rig.countIn(DieFree), 6);
        for (int f = 1; f <= 6; ++f) {
            QCOMPARE(g.state().RollCount[f], 0);
            QCOMPARE(g.state().SelCount[f], 0);
        }
        QCOMPARE(g.state().KeptCount, 0);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(g.state().SelScore, 0);
        QCOMPARE(shown(g).eSubScore(), 0);
        QVERIFY(!shown(g).choiceList(1).visible && !shown(g).choiceList(5).visible);
        QCOMPARE(g.state().Total, 150);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void exactFinishNamesTheWinner()
    {
        EngineRig rig;
        Game &g = rig.game;
        setRules(g, {3000, false});
        rig.startPlaying();
        restoreWith(g, [](Game::Snapshot &s) { s.total = 2950; });
        rig.endRound(55);
        QCOMPARE(rig.prompts.messages,
                 QStringList{"Sorry ! You have to reach exactly the final 3000 point score !"});
        QCOMPARE(g.state().Total, 2950);
    }

    void winSequence()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({5, 5, 5, 2, 3, 4}));
        Game &g = rig.game;
        rig.timers.advance(4500);
        const int seconds = g.elapsedSeconds();
        QVERIFY(seconds >= 4);
        restoreWith(g, [](Game::Snapshot &s) {
            s.total = 950;
            s.roundNo = 12;
        });
        for (int n : {1, 2, 3})
            g.clickDie(n);
        QCOMPARE(g.state().SelScore, 50);

        bool clockAtMessage = true, buttonsAtMessage = false;
        rig.prompts.onMessage = [&](const QString &) {
            clockAtMessage = clockRunning(g);
            buttonsAtMessage = shown(g).rollDoneEnabled();
        };
        struct Seen {
            int total, round, seconds;
            bool clock, buttons, cover;
            QStringList messages;
        };
        QVector<Seen> checks;
        QObject::connect(&rig.presenter, &GamePresenter::won, [&] {
            checks << Seen{g.state().Total, g.state().RoundNo, g.elapsedSeconds(), clockRunning(g),
                           shown(g).rollDoneEnabled(), shown(g).coverVisible(), rig.prompts.messages};
        });
        g.bank();
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
        QCOMPARE(rig.prompts.messages, QStringList{"Congratulation !"});

        // A fresh game behind the cover, clock stopped at 0, Continue offered.
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(shown(g).eScore(), 0);
        QCOMPARE(shown(g).eRnd(), 1);
        QCOMPARE(g.elapsedSeconds(), 0);
        QVERIFY(shown(g).coverVisible());
        QVERIFY(shown(g).contVisible());
        QVERIFY(!clockRunning(g));
        QVERIFY(shown(g).rollDoneEnabled());
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(rig.timers.activeCount(), 0);
        rig.timers.advance(5000);
        QCOMPARE(g.elapsedSeconds(), 0);

        g.resume();
        rig.timers.advance(1000);
        QCOMPARE(g.elapsedSeconds(), 1);
    }

    void failedTopTenCheckEndsSequence()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        restoreWith(g, [](Game::Snapshot &s) { s.total = 900; });
        rig.presenter.checkWin = [](const WinSummary &) { return false; };
        rig.endRound(100);
        QCOMPARE(g.state().Total, 1000);
        QVERIFY(!shown(g).coverVisible());
        QVERIFY(!clockRunning(g));
        QVERIFY(!shown(g).rollDoneEnabled());
    }

    void winner450CannotBeWon()
    {
        EngineRig rig;
        Game &g = rig.game;
        setRules(g, {450, false});
        rig.startPlaying();
        restoreWith(g, [](Game::Snapshot &s) { s.total = 350; });
        rig.endRound(100);
        QCOMPARE(rig.prompts.messages, QStringList{badIn});
        QCOMPARE(g.state().Total, 350);
        restoreWith(g, [](Game::Snapshot &s) { s.total = 0; });
        rig.endRound(450);
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(rig.prompts.messages, (QStringList{badIn, badIn}));
        QVERIFY(shown(g).rollDoneEnabled());
        QVERIFY(!shown(g).coverVisible());
    }

    void penaltyInRoundOne()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        rig.endRound(-100);
        QCOMPARE(rig.prompts.messages, QStringList{"Ooops ! This is -100 point!"});
        QCOMPARE(g.state().Total, -100);
        QCOMPARE(shown(g).eScore(), -100);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(shown(g).rating(), -10000);
    }

    void newGame()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 2, 3, 4, 6, 6}));
        Game &g = rig.game;
        g.clickDie(1);
        g.roll();
        QVERIFY(rig.settle());
        g.applySettings({3000, false, 2});
        rig.timers.advance(3000);
        g.newGame();
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(shown(g).eScore(), 0);
        QCOMPARE(shown(g).eRnd(), 1);
        QCOMPARE(g.state().KeptCount, 0);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(g.elapsedSeconds(), 0);
        QVERIFY(clockRunning(g));
        QVERIFY(!shown(g).coverVisible());
        QVERIFY(shown(g).rollDoneEnabled());
        QCOMPARE(rig.countIn(DieFree), 6);
        QCOMPARE(shown(g).rating(), std::nullopt);
    }

    void scoreDisplay_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("round");
        QTest::addColumn<int>("points");
        QTest::addColumn<Rating>("expected");
        QTest::newRow("5 in 8 rounds") << 1 << 0 << 8 << 5 << Rating(62);
        QTest::newRow("15 in 8 rounds") << 1 << 0 << 8 << 15 << Rating(188);
        QTest::newRow("850 in 3 rounds") << 1 << 800 << 3 << 50 << Rating(28333);
        QTest::newRow("1000 in 64 rounds") << 1 << 900 << 64 << 100 << Rating(1562);
        QTest::newRow("penalty in round 1") << 1 << 0 << 1 << -100 << Rating(-10000);
        QTest::newRow("time game") << 2 << 0 << 8 << 5 << Rating();
    }

    void scoreDisplay()
    {
        QFETCH(int, type);
        QFETCH(int, total);
        QFETCH(int, round);
        QFETCH(int, points);
        QFETCH(Rating, expected);
        EngineRig rig;
        Game &g = rig.game;
        g.applySettings({10000, false, type});
        rig.startPlaying();
        QCOMPARE(shown(g).rating(), type == 1 ? Rating(0) : Rating());
        restoreWith(g, [&](Game::Snapshot &s) {
            s.total = total;
            s.roundNo = round;
        });
        rig.endRound(points);
        QCOMPARE(g.state().RoundNo, round + 1);
        QCOMPARE(shown(g).rating(), expected);
    }

    void otherTypeLeavesScoreDisplay()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        restoreWith(g, [](Game::Snapshot &s) { s.roundNo = 8; });
        rig.endRound(5);
        QCOMPARE(shown(g).rating(), 62);
        g.applySettings({1000, false, 3});
        rig.endRound(100);
        QCOMPARE(g.state().Total, 105);
        QCOMPARE(shown(g).rating(), 62);
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
        rig.presenter.ShowMsg(text, number);
        QCOMPARE(rig.prompts.messages, QStringList{shown});
    }
};

QTEST_GUILESS_MAIN(TestRoundEnd)
#include "tst_roundend.moc"
