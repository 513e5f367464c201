// SPDX-License-Identifier: GPL-3.0-or-later
// The phase and position the game tells, and taking the state out of a
// game and putting it back.
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
    void positionToldOncePerChange()
    {
        EngineRig rig;
        rig.startPlaying();
        Game &g = rig.game;
        QSignalSpy steps(&g, &Game::dieChanged);
        QSignalSpy told(&g, &Game::positionChanged);
        QVERIFY(rig.rollAt(rig.midnightFor(true)));
        // Roll and rest: the dice stepped many times, the position was told twice.
        QVERIFY(steps.count() > 12);
        QCOMPARE(told.count(), 2);
        QCOMPARE(told.at(0).at(1).value<GamePhase>(), GamePhase::Rolling);
        QCOMPARE(told.at(1).at(1).value<GamePhase>(), GamePhase::Choosing);
        g.pause();
        g.pause(); // nothing new
        QCOMPARE(told.count(), 3);
    }

    void snapshotAfterStartUp()
    {
        EngineRig rig;
        rig.game.prepareGame();
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
        other.game.prepareGame();
        other.game.restore(s);
        other.game.pause();
        QVERIFY(shown(other.game).contVisible());
        QCOMPARE(other.game.state().NewRound, true);
    }

    void restoreRoundTrip()
    {
        EngineRig rig;
        QVERIFY(rig.playingWithOnesSelected());
        Game &g = rig.game;
        QVERIFY(rig.scoringRoll());
        rig.stage({0, 0, 0, 1, 1, 1});
        for (int n : {4, 5, 6})
            g.clickDie(n);
        g.choose(1, 1);
        QCOMPARE(g.state().SelScore, 30);
        rig.timers.advance(4321);
        Game::Snapshot saved = g.snapshot();
        saved.total = 250;
        saved.roundNo = 6;
        saved.winner = 2000;
        QCOMPARE(saved.subScore, 100);
        QVERIFY(saved.elapsedSeconds >= 4);

        EngineRig other;
        Game &h = other.game;
        QVERIFY(other.playingWith({6, 6, 6, 6, 6, 5})); // whatever the table held before
        h.clickDie(1);
        h.restore(saved);
        QCOMPARE(differences(h.snapshot(), saved), QString());
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(h.die(n).value, g.die(n).value);
        QCOMPARE(h.state().KeptCount, 3);
        QCOMPARE(h.state().NewRound, false);
        QVERIFY(shown(h).choiceList(1).visible);
        QVERIFY(!shown(h).choiceList(5).visible);
        QCOMPARE(shown(h).choiceList(1).items, (QStringList{"Full : 100", "3 * 10"}));
        QCOMPARE(shown(h).choiceList(1).itemIndex, 0);
        QCOMPARE(h.state().OnesChoice[1], 30);
        QCOMPARE(h.state().SelScore, 100);
        QCOMPARE(shown(h).eSubScore(), 200); // what Done banks: SubScore and the selection
        QCOMPARE(shown(h).eScore(), 250);
        QCOMPARE(shown(h).eRnd(), 6);
        QCOMPARE(shown(h).rating(), 5000);
        QCOMPARE(h.gameSettings().Winner, 2000);
        QCOMPARE(other.brokenInvariant(), QString());

        // The restored game plays on: the next click counts the whole selection.
        h.clickDie(6);
        QCOMPARE(h.state().SelScore, 20);
        QCOMPARE(shown(h).eSubScore(), 120);
    }

    void phaseAndPositionFollowPlay()
    {
        EngineRig rig;
        Game &g = rig.game;
        g.prepareGame();
        QCOMPARE(g.phase(), GamePhase::Cover);
        QVector<int> rolled;
        WinSummary won;
        QObject::connect(&g, &Game::rolled, [&rolled](const QVector<int> &f, bool) { rolled = f; });
        QObject::connect(&g, &Game::won, [&won](const WinSummary &w) { won = w; });
        QVERIFY(rig.playingWithOnesSelected());
        QCOMPARE(g.phase(), GamePhase::Choosing);
        GamePosition p = g.position();
        QCOMPARE(p.selection, 100);
        QCOMPARE(p.selected, 3);
        QCOMPARE(p.rolled[1], 3); // the staged faces are the roll's
        QCOMPARE(rolled.size(), 7); // the scoring roll's faces, not the staged ones
        GamePhase inBox = GamePhase::Cover;
        rig.prompts.onMessage = [&](const QString &) { inBox = g.phase(); };
        rig.timers.setMsecsSinceMidnightUtc(rig.midnightFor(true));
        g.roll();
        QCOMPARE(g.phase(), GamePhase::Rolling);
        QVERIFY(rig.settle());
        p = g.position();
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(rolled[n], n <= 3 ? 0 : g.die(n).value); // the kept ones did not roll
        QCOMPARE(g.phase(), GamePhase::Choosing);
        QCOMPARE(p.roundPoints, 100);
        QCOMPARE(p.selection, 0); // the selection Roll carried into the round counts no more
        QCOMPARE(p.kept, 3);
        g.roll(); // nothing selected
        QCOMPARE(inBox, GamePhase::Choosing);
        g.pause();
        QCOMPARE(g.phase(), GamePhase::Paused);
        g.resume();
        restoreWith(g, [](auto &s) { s.total = 900; });
        rig.presenter.checkWin = [](const WinSummary &) { return false; };
        rig.endRound(100);
        QCOMPARE(g.phase(), GamePhase::Won);
        QCOMPARE(won.total, 1000);
        QCOMPARE(won.rules, (RuleSet{1000, false}));
    }

    void restoreWithNothingRolled()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({5, 2, 3, 4, 6, 6}));
        EngineRig other;
        other.startPlaying();
        Game::Snapshot s = rig.game.snapshot();
        other.game.restore(s);
        QCOMPARE(other.game.state().NewRound, false);
        for (int f = 1; f <= 6; ++f)
            s.rollCount[f] = 0;
        other.game.restore(s);
        QCOMPARE(other.game.state().NewRound, true);
        other.game.clickDie(1); // no roll yet: not clickable
        QCOMPARE(other.countIn(DieSelected), 0);
    }

    void restoreRecomputesScoreDisplay()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        restoreWith(g, [](auto &s) { s.roundNo = 8; });
        rig.endRound(5);
        QCOMPARE(shown(g).rating(), 62);
        Game::Snapshot s = g.snapshot();
        s.total = 15; // same round number, so eRnd keeps its value
        g.restore(s);
        QCOMPARE(shown(g).eRnd(), 9);
        QCOMPARE(shown(g).rating(), 188);
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
            QVERIFY(rig.game.die(n).color >= DieFree && rig.game.die(n).color <= DieKept);
        }
    }
};

QTEST_GUILESS_MAIN(TestGameState)
#include "tst_gamestate.moc"
