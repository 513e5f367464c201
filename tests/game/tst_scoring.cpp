// SPDX-License-Identifier: GPL-3.0-or-later
// Selecting dice after a roll and what the selection is worth.
#include "EngineRig.h"
#include "game/Scoring.h"

#include <QtTest>

namespace {

// c dice of face f, the rest filled with faces that score nothing together.
QVector<int> rollOf(int f, int c)
{
    QVector<int> faces(c, f);
    const int filler[] = {2, 3, 4, 6, 2, 3, 4, 6};
    for (int i = 0; faces.size() < 6; ++i)
        if (filler[i % 8] != f && faces.count(filler[i % 8]) < 2)
            faces << filler[i % 8];
    return faces;
}

void selectAll(Game &g, int face)
{
    for (int n = 1; n <= 6; ++n)
        if (g.die(n).value == face && g.DiceState(n) == DieFree)
            g.RxDice1Click(n);
}

QVector<int> states(Game &g)
{
    QVector<int> s;
    for (int n = 1; n <= 6; ++n)
        s << g.DiceState(n);
    return s;
}

} // namespace

class TestScoring : public QObject
{
    Q_OBJECT

private slots:
    void scoringTable_data()
    {
        QTest::addColumn<int>("face");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("points");
        const int table[7][7] = {
            {},
            {0, 10, 20, 100, 200, 400, 800},
            {0, 0, 0, 20, 40, 80, 160},
            {0, 0, 0, 30, 60, 120, 240},
            {0, 0, 0, 40, 80, 160, 320},
            {0, 5, 10, 50, 100, 200, 400},
            {0, 0, 0, 60, 120, 240, 480},
        };
        for (int f = 1; f <= 6; ++f)
            for (int c = (f == 1 || f == 5) ? 1 : 3; c <= 6; ++c)
                QTest::addRow("%d x %d", c, f) << f << c << table[f][c];
    }

    void scoringTable()
    {
        QFETCH(int, face);
        QFETCH(int, count);
        QFETCH(int, points);
        EngineRig rig;
        QVERIFY(rig.playingWith(rollOf(face, count)));
        Game &g = rig.game;
        QCOMPARE(g.state().NewRound, false);
        selectAll(g, face);
        QCOMPARE(g.state().SelCount[face], count);
        QCOMPARE(g.state().SelScore, points);
        QCOMPARE(g.eSubScore(), g.state().SubScore + points);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void choiceLists_data()
    {
        QTest::addColumn<int>("face");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("values");

        QTest::newRow("3 ones") << 1 << 3 << QStringList{"Full : 100", "3 * 10"} << QList<int>{100, 30};
        QTest::newRow("4 ones") << 1 << 4
                                << QStringList{"Full : 200", "100 + (1 * 10)", "4 * 10"}
                                << QList<int>{200, 110, 40};
        QTest::newRow("5 ones") << 1 << 5
                                << QStringList{"Full : 400", "200 + (1 * 10)", "100 + (2 * 10)", "5 * 10"}
                                << QList<int>{400, 210, 120, 50};
        QTest::newRow("6 ones") << 1 << 6
                                << QStringList{"Full : 800", "400 + (1 * 10)", "200 + (2 * 10)",
                                               "100 + (3 * 10)", "6 * 10"}
                                << QList<int>{800, 410, 220, 130, 60};
        QTest::newRow("3 fives") << 5 << 3 << QStringList{"Full : 50", "3 * 5"} << QList<int>{50, 15};
        QTest::newRow("4 fives") << 5 << 4 << QStringList{"Full : 100", "50 + (1 * 5)", "4 * 5"}
                                 << QList<int>{100, 55, 20};
        QTest::newRow("5 fives") << 5 << 5
                                 << QStringList{"Full : 200", "100 + (1 * 5)", "50 + (2 * 5)", "5 * 5"}
                                 << QList<int>{200, 105, 60, 25};
        QTest::newRow("6 fives") << 5 << 6
                                 << QStringList{"Full : 400", "200 + (1 * 5)", "100 + (2 * 5)",
                                                "50 + (3 * 5)", "6 * 5"}
                                 << QList<int>{400, 205, 110, 65, 30};
    }

    void choiceLists()
    {
        QFETCH(int, face);
        QFETCH(int, count);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, values);
        EngineRig rig;
        QVERIFY(rig.playingWith(rollOf(face, count)));
        Game &g = rig.game;
        selectAll(g, face);

        const ChoiceList &list = face == 1 ? g.choiceList(1) : g.choiceList(5);
        const ChoiceList &other = face == 1 ? g.choiceList(5) : g.choiceList(1);
        const qint32 *table = face == 1 ? g.state().OnesChoice : g.state().FivesChoice;
        QVERIFY(list.visible);
        QVERIFY(!other.visible);
        QCOMPARE(list.caption, face == 1 ? QStringLiteral("10 Points") : QStringLiteral("5 Points"));
        QCOMPARE(list.items, texts);
        QCOMPARE(list.itemIndex, 0);
        for (int k = 0; k < values.size(); ++k)
            QCOMPARE(table[k], values[k]);
        QCOMPARE(g.state().SelScore, values[0]);

        for (int k = values.size() - 1; k >= 0; --k) {
            g.chooseEntry(face, k);
            QCOMPARE(list.itemIndex, k);
            QCOMPARE(g.state().SelScore, values[k]);
            QCOMPARE(g.eSubScore(), g.state().SubScore + values[k]);
        }
        // An entry past the end is no entry.
        g.chooseEntry(face, values.size());
        QCOMPARE(list.itemIndex, 0);
    }

    void onesAndAFive()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 5, 2, 3}));
        Game &g = rig.game;
        g.RxDice1Click(1);
        QCOMPARE(g.state().SelScore, 10);
        QVERIFY(!g.choiceList(1).visible);
        g.RxDice1Click(2);
        QCOMPARE(g.state().SelScore, 20);
        g.RxDice1Click(3);
        QVERIFY(g.choiceList(1).visible);
        QCOMPARE(g.choiceList(1).itemIndex, 0);
        QCOMPARE(g.state().SelScore, 100);
        g.RxDice1Click(4);
        QCOMPARE(g.state().SelScore, 105);
        QVERIFY(!g.choiceList(5).visible);
        g.chooseEntry(1, 1);
        QCOMPARE(g.choiceList(1).items.value(1), QStringLiteral("3 * 10"));
        QCOMPARE(g.state().SelScore, 35);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void groupOfTwos()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({2, 4, 2, 2, 2, 6}));
        Game &g = rig.game;
        g.RxDice1Click(5);
        QCOMPARE(states(g), (QVector<int>{1, 0, 1, 1, 0, 0}));
        QCOMPARE(g.state().SelScore, 20);
        g.RxDice1Click(5);
        QCOMPARE(states(g), (QVector<int>{1, 0, 1, 1, 1, 0}));
        QCOMPARE(g.state().SelScore, 40);
        g.RxDice1Click(3);
        QCOMPARE(states(g), (QVector<int>{1, 0, 0, 1, 1, 0}));
        QCOMPARE(g.state().SelScore, 20);
        g.RxDice1Click(1);
        QCOMPARE(states(g), (QVector<int>{0, 0, 0, 0, 0, 0}));
        QCOMPARE(g.state().SelScore, 0);
        QCOMPARE(g.state().SelCount[2], 0);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void threesAndSixesAddUp()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({3, 6, 3, 6, 3, 6}));
        Game &g = rig.game;
        g.RxDice1Click(1);
        g.RxDice1Click(2);
        QCOMPARE(rig.countIn(DieSelected), 6);
        QCOMPARE(g.state().SelScore, 90);
        QCOMPARE(g.eSubScore(), g.state().SubScore + 90);
    }

    void fiveFivesThenOneLess()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({5, 5, 5, 5, 5, 2}));
        Game &g = rig.game;
        selectAll(g, 5);
        QCOMPARE(g.state().SelCount[5], 5);
        g.chooseEntry(5, 1);
        QCOMPARE(g.choiceList(5).items.value(1), QStringLiteral("100 + (1 * 5)"));
        QCOMPARE(g.state().SelScore, 105);
        g.RxDice1Click(3);
        QCOMPARE(g.state().SelCount[5], 4);
        QCOMPARE(g.choiceList(5).items.size(), 3);
        QCOMPARE(g.choiceList(5).itemIndex, 0);
        QCOMPARE(g.choiceList(5).items.value(0), QStringLiteral("Full : 100"));
        QCOMPARE(g.state().SelScore, 100);
    }

    void groupTakesFirstThreeInDieOrder()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 2, 2, 4, 2, 2}));
        Game &g = rig.game;
        g.RxDice1Click(6);
        QCOMPARE(states(g), (QVector<int>{0, 1, 1, 0, 1, 0}));
        QCOMPARE(g.state().SelCount[2], 3);
        QCOMPARE(g.state().SelScore, 20);
        // A click on a die that was not taken adds it.
        g.RxDice1Click(6);
        QCOMPARE(states(g), (QVector<int>{0, 1, 1, 0, 1, 1}));
        QCOMPARE(g.state().SelScore, 40);
    }

    void selectedGroupReleasedWholeOnlyAtThree()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({4, 4, 4, 4, 4, 1}));
        Game &g = rig.game;
        selectAll(g, 4);
        QCOMPARE(g.state().SelCount[4], 5);
        QCOMPARE(g.state().SelScore, 160);
        g.RxDice1Click(2); // five selected: only this one goes
        QCOMPARE(states(g), (QVector<int>{1, 0, 1, 1, 1, 0}));
        QCOMPARE(g.state().SelScore, 80);
        g.RxDice1Click(4); // four selected: only this one goes
        QCOMPARE(states(g), (QVector<int>{1, 0, 1, 0, 1, 0}));
        QCOMPARE(g.state().SelScore, 40);
        g.RxDice1Click(5); // three selected: all three go
        QCOMPARE(states(g), (QVector<int>{0, 0, 0, 0, 0, 0}));
        QCOMPARE(g.state().SelScore, 0);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void fewerThanThreeCannotBeSelected()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({2, 2, 1, 3, 4, 6}));
        Game &g = rig.game;
        for (int n : {1, 2, 4, 5, 6})
            g.RxDice1Click(n);
        QCOMPARE(rig.countIn(DieSelected), 0);
        QCOMPARE(g.state().SelScore, 0);
        g.RxDice1Click(3);
        QCOMPARE(g.DiceState(3), int(DieSelected));
        QCOMPARE(g.state().SelScore, 10);
    }

    void deselectingThirdOneHidesList()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 2, 3, 4}));
        Game &g = rig.game;
        selectAll(g, 1);
        QVERIFY(g.choiceList(1).visible);
        g.RxDice1Click(3);
        QVERIFY(!g.choiceList(1).visible);
        QCOMPARE(g.state().SelCount[1], 2);
        QCOMPARE(g.state().SelScore, 20);
    }

    void fourthOneChoosesFullAgain()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 1, 3, 4}));
        Game &g = rig.game;
        for (int n : {1, 2, 3})
            g.RxDice1Click(n);
        g.chooseEntry(1, 1);
        QCOMPARE(g.state().SelScore, 30);
        g.RxDice1Click(4);
        QCOMPARE(g.choiceList(1).itemIndex, 0);
        QCOMPARE(g.choiceList(1).items.value(0), QStringLiteral("Full : 200"));
        QCOMPARE(g.state().SelScore, 200);
    }

    void choiceSurvivesOtherFaces()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 5, 5, 5}));
        Game &g = rig.game;
        for (int n : {1, 2, 3})
            g.RxDice1Click(n);
        g.chooseEntry(1, 1); // 3 * 10
        for (int n : {4, 5, 6})
            g.RxDice1Click(n);
        QCOMPARE(g.choiceList(1).itemIndex, 1);
        QCOMPARE(g.state().SelScore, 30 + 50);
        g.chooseEntry(5, 1); // 3 * 5
        QCOMPARE(g.state().SelScore, 30 + 15);
        g.RxDice1Click(6); // two fives left: the list goes, they count singly
        QVERIFY(!g.choiceList(5).visible);
        QCOMPARE(g.choiceList(1).itemIndex, 1);
        QCOMPARE(g.state().SelScore, 30 + 10);
    }

    void ignoredClicks()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        // Before the first roll of a round.
        g.RxDice1Click(1);
        QCOMPARE(rig.countIn(DieSelected), 0);

        QVERIFY(rig.scoringRoll());
        rig.stage({1, 1, 2, 3, 4, 6});
        g.RxDice1Click(1);
        const qint64 m = rig.midnightFor(true);
        QVERIFY(m >= 0);
        rig.timers.setMsecsSinceMidnightUtc(m);
        g.btRollClick(); // die 1 becomes Kept
        QCOMPARE(g.DiceState(1), int(DieKept));
        // While the roll is under way.
        QCOMPARE(g.rollingDice(), 5);
        g.RxDice1Click(2);
        QCOMPARE(rig.countIn(DieSelected), 0);
        QVERIFY(rig.settle());
        QCOMPARE(g.state().NewRound, false);
        // A Kept die.
        g.RxDice1Click(1);
        QCOMPARE(g.DiceState(1), int(DieKept));
        QCOMPARE(g.state().SelCount[1], 0);
        g.RxDice1Click(0);
        g.RxDice1Click(7);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void displayAfterClickAndAfterRoll()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        Game &g = rig.game;
        g.RxDice1Click(1);
        g.RxDice1Click(2);
        QCOMPARE(g.eSubScore(), 15);
        g.btRollClick();
        QCOMPARE(g.state().SubScore, 15);
        QCOMPARE(g.eSubScore(), 15);
        QCOMPARE(g.state().KeptCount, 2);
        QCOMPARE(g.rollingDice(), 4);
    }

    void doneBanksEarlierRolls()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 1, 1, 2, 3, 4}));
        Game &g = rig.game;
        selectAll(g, 1);
        const qint64 m = rig.midnightFor(true);
        QVERIFY(m >= 0);
        QVERIFY(rig.rollAt(m));
        QCOMPARE(g.state().SubScore, 100);
        QCOMPARE(g.state().NewRound, false);
        const int round = g.state().RoundNo;
        g.btDoneClick();
        QCOMPARE(g.state().Total, 100);
        QCOMPARE(g.state().RoundNo, round + 1);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(g.eScore(), 100);
        QCOMPARE(g.eSubScore(), 0);
        QCOMPARE(rig.ui.messages, QStringList());
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void doneBeforeFirstRollDoesNothing()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        g.btDoneClick();
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(rig.ui.messages, QStringList());
    }

    void doneWithOnlyTheSelection()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({6, 6, 6, 5, 2, 3}));
        Game &g = rig.game;
        g.RxDice1Click(2);
        g.RxDice1Click(4);
        g.btDoneClick();
        QCOMPARE(g.state().Total, 65);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(rig.countIn(DieFree), 6);
    }

    void diceAKeepTakes()
    {
        // Die 1 kept back; the first takeable dice of each face, in order.
        const int faces[7] = {0, 1, 2, 1, 2, 5, 2};
        const bool takeable[7] = {false, false, true, true, true, true, true};
        const int twosAndAOne[7] = {0, 1, 3, 0, 0, 0, 0};
        bool taken[7];
        QVERIFY(diceTaken(twosAndAOne, faces, takeable, taken));
        QCOMPARE(QList<bool>(taken + 1, taken + 7), (QList<bool>{false, true, true, true, false, true}));
        const int twoOnes[7] = {0, 2, 0, 0, 0, 0, 0};
        QVERIFY(!diceTaken(twoOnes, faces, takeable, taken));
        const int rolled[7] = {0, 0, 2, 2, 2, 0, 0};
        QVERIFY(isBust(rolled));
        const int set[7] = {0, 0, 3, 0, 0, 0, 2};
        QVERIFY(!isBust(set));
    }
};

QTEST_GUILESS_MAIN(TestScoring)
#include "tst_scoring.moc"
