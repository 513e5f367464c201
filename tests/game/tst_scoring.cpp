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
        if (g.die(n).value == face && g.die(n).color == DieFree)
            g.clickDie(n);
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
        QCOMPARE(shown(g).eSubScore(), g.state().SubScore + points);
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

        const ChoiceList &list = face == 1 ? shown(g).choiceList(1) : shown(g).choiceList(5);
        const ChoiceList &other = face == 1 ? shown(g).choiceList(5) : shown(g).choiceList(1);
        const qint32 *table = face == 1 ? g.state().OnesChoice : g.state().FivesChoice;
        QVERIFY(list.visible);
        QVERIFY(!other.visible);
        QCOMPARE(list.caption, face == 1 ? QStringLiteral("10 Points") : QStringLiteral("5 Points"));
        QCOMPARE(list.items, texts);
        QCOMPARE(list.itemIndex, 0);
        int counts[7] = {};
        counts[face] = count;
        for (int k = 0; k < values.size(); ++k) {
            QCOMPARE(table[k], values[k]);
            // The advisor and the practice count each entry the same way.
            QCOMPARE(keepPoints(counts, face == 1 ? k : 0, face == 5 ? k : 0), values[k]);
        }
        QCOMPARE(g.state().SelScore, values[0]);

        for (int k = values.size() - 1; k >= 0; --k) {
            g.choose(face, k);
            QCOMPARE(list.itemIndex, k);
            QCOMPARE(g.state().SelScore, values[k]);
            QCOMPARE(shown(g).eSubScore(), g.state().SubScore + values[k]);
        }
        // An entry past the end is no entry.
        g.choose(face, values.size());
        QCOMPARE(list.itemIndex, 0);
    }

    // Clicks on the dice of a roll and picks in the choice lists, step by
    // step: "die n" clicks die n, "ones k" / "fives k" picks entry k of that
    // list; then what the selection is worth, which dice are taken ("taken
    // 1,3"), and which choice lists are up ("lists 1,5" or "lists none").
    void selecting_data()
    {
        QTest::addColumn<QVector<int>>("faces");
        QTest::addColumn<QStringList>("steps");
        const auto row = [](const char *tag, const QVector<int> &faces, const QStringList &steps) {
            QTest::newRow(tag) << faces << steps;
        };
        row("ones and a five", {1, 1, 1, 5, 2, 3},
            {"die 1 -> 10 lists none", "die 2 -> 20", "die 3 -> 100 lists 1", "die 4 -> 105 lists 1", "ones 1 -> 35"});
        row("a group of twos, released whole at three", {2, 4, 2, 2, 2, 6},
            {"die 5 -> 20 taken 1,3,4", "die 5 -> 40 taken 1,3,4,5", "die 3 -> 20 taken 1,4,5", "die 1 -> 0 taken none"});
        row("threes and sixes add up", {3, 6, 3, 6, 3, 6}, {"die 1 -> 30", "die 2 -> 90 taken 1,2,3,4,5,6"});
        row("five fives, then one less", {5, 5, 5, 5, 5, 2},
            {"die 1 -> 5", "die 2 -> 10", "die 3 -> 50", "die 4 -> 100", "die 5 -> 200 lists 5", "fives 1 -> 105",
             "die 3 -> 100 taken 1,2,4,5 lists 5"});
        row("a group takes the first three in die order", {1, 2, 2, 4, 2, 2},
            {"die 6 -> 20 taken 2,3,5", "die 6 -> 40 taken 2,3,5,6"});
        row("a group is released whole only at three", {4, 4, 4, 4, 4, 1},
            {"die 1 -> 40 taken 1,2,3", "die 4 -> 80", "die 5 -> 160 taken 1,2,3,4,5", "die 2 -> 80 taken 1,3,4,5",
             "die 4 -> 40 taken 1,3,5", "die 5 -> 0 taken none"});
        row("fewer than three cannot be taken", {2, 2, 1, 3, 4, 6},
            {"die 1 -> 0 taken none", "die 2 -> 0", "die 4 -> 0", "die 5 -> 0", "die 6 -> 0 taken none", "die 3 -> 10 taken 3"});
        row("a third one released hides the list", {1, 1, 1, 2, 3, 4},
            {"die 1 -> 10", "die 2 -> 20", "die 3 -> 100 lists 1", "die 3 -> 20 taken 1,2 lists none"});
        row("a fourth one chooses Full again", {1, 1, 1, 1, 3, 4},
            {"die 1 -> 10", "die 2 -> 20", "die 3 -> 100", "ones 1 -> 30", "die 4 -> 200 lists 1"});
        row("a choice survives other faces", {1, 1, 1, 5, 5, 5},
            {"die 1 -> 10", "die 2 -> 20", "die 3 -> 100", "ones 1 -> 30", "die 4 -> 35", "die 5 -> 40",
             "die 6 -> 80 lists 1,5", "fives 1 -> 45", "die 6 -> 40 taken 1,2,3,4,5 lists 1"});
    }
    void selecting()
    {
        QFETCH(QVector<int>, faces);
        QFETCH(QStringList, steps);
        EngineRig rig;
        QVERIFY(rig.playingWith(faces));
        Game &g = rig.game;
        static const QRegularExpression step(
            QStringLiteral("^(die|ones|fives) (\\d) -> (\\d+)(?: taken ([\\d,]+|none))?(?: lists ([\\d,]+|none))?$"));
        for (const QString &text : steps) {
            const QRegularExpressionMatch m = step.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            const int n = m.captured(2).toInt();
            if (m.captured(1) == QLatin1String("die"))
                g.clickDie(n);
            else
                g.choose(m.captured(1) == QLatin1String("ones") ? 1 : 5, n);
            // What is seen after the step, told as the step tells it.
            QString seen = text.left(text.indexOf(QLatin1String(" -> "))) + QStringLiteral(" -> ")
                    + QString::number(g.state().SelScore);
            if (m.hasCaptured(4)) {
                QStringList taken;
                for (int d = 1; d <= 6; ++d)
                    if (g.die(d).color == DieSelected)
                        taken << QString::number(d);
                seen += QStringLiteral(" taken ") + (taken.isEmpty() ? QStringLiteral("none") : taken.join(QLatin1Char(',')));
            }
            if (m.hasCaptured(5)) {
                const bool ones = shown(g).choiceList(1).visible, fives = shown(g).choiceList(5).visible;
                seen += QStringLiteral(" lists ")
                        + (ones && fives ? QStringLiteral("1,5") : ones ? QStringLiteral("1") : fives ? QStringLiteral("5") : QStringLiteral("none"));
            }
            QCOMPARE(seen, text);
            QCOMPARE(shown(g).eSubScore(), g.state().SubScore + g.state().SelScore);
            QVERIFY2(rig.brokenInvariant().isEmpty(), qPrintable(text + QStringLiteral(": ") + rig.brokenInvariant()));
        }
    }

    void ignoredClicks()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        // Before the first roll of a round.
        g.clickDie(1);
        QCOMPARE(rig.countIn(DieSelected), 0);

        QVERIFY(rig.scoringRoll());
        rig.stage({1, 1, 2, 3, 4, 6});
        g.clickDie(1);
        const qint64 m = rig.midnightFor(true);
        QVERIFY(m >= 0);
        rig.timers.setMsecsSinceMidnightUtc(m);
        g.roll(); // die 1 becomes Kept
        QCOMPARE(g.die(1).color, int(DieKept));
        // While the roll is under way.
        QCOMPARE(g.rollingDice(), 5);
        g.clickDie(2);
        QCOMPARE(rig.countIn(DieSelected), 0);
        QVERIFY(rig.settle());
        QCOMPARE(g.state().NewRound, false);
        // A Kept die.
        g.clickDie(1);
        QCOMPARE(g.die(1).color, int(DieKept));
        QCOMPARE(g.state().SelCount[1], 0);
        g.clickDie(0);
        g.clickDie(7);
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void displayAfterClickAndAfterRoll()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        Game &g = rig.game;
        g.clickDie(1);
        g.clickDie(2);
        QCOMPARE(shown(g).eSubScore(), 15);
        g.roll();
        QCOMPARE(g.state().SubScore, 15);
        QCOMPARE(shown(g).eSubScore(), 15);
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
        g.bank();
        QCOMPARE(g.state().Total, 100);
        QCOMPARE(g.state().RoundNo, round + 1);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(shown(g).eScore(), 100);
        QCOMPARE(shown(g).eSubScore(), 0);
        QCOMPARE(rig.prompts.messages, QStringList());
        QCOMPARE(rig.brokenInvariant(), QString());
    }

    void doneBeforeFirstRollDoesNothing()
    {
        EngineRig rig;
        Game &g = rig.game;
        rig.startPlaying();
        g.bank();
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(rig.prompts.messages, QStringList());
    }

    void doneWithOnlyTheSelection()
    {
        EngineRig rig;
        QVERIFY(rig.playingWith({6, 6, 6, 5, 2, 3}));
        Game &g = rig.game;
        g.clickDie(2);
        g.clickDie(4);
        g.bank();
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
