// SPDX-License-Identifier: GPL-3.0-or-later
// Practice positions: every verdict of the built-in set against the
// advisor's own ranking, the costly decisions taken from a reviewed game,
// taking dice as the game does, and the order positions come back in.
#include "EngineRig.h"
#include "game/AutoPlay.h"
#include "game/Practice.h"
#include "game/Review.h"

#include <QtTest>
#include <cmath>

class TestPractice : public QObject
{
    Q_OBJECT

    std::shared_ptr<const AdvisorSolution> m_off, m_on;

    static PracticeChoice choiceFor(const AdvisorAction &a) { return PracticeChoice{a.keep, a.bank}; }

private slots:
    void initTestCase()
    {
        m_off = Advisor::solve({1000, false});
        // At 2000 the band in every thousand changes the best play.
        m_on = Advisor::solve({2000, true});
        QVERIFY(m_off && m_on && m_off->winnable() && m_on->winnable());
    }

    void everyBuiltInVerdictAgreesWithTheAdvisor_data()
    {
        QTest::addColumn<bool>("band");
        QTest::newRow("1000") << false;
        QTest::newRow("2000, every thousand") << true;
    }
    void everyBuiltInVerdictAgreesWithTheAdvisor()
    {
        QFETCH(bool, band);
        const AdvisorSolution &sol = band ? *m_on : *m_off;
        const QVector<PracticePosition> set = builtInPractice(sol, band);
        QVERIFY(set.size() >= 20);
        int zones[3] = {};
        for (const PracticePosition &p : set) {
            QVERIFY(p.sound());
            QCOMPARE(p.source, PracticeSource::BuiltIn);
            zones[p.total < 250 ? 0 : p.total < sol.winner() - 200 ? 1 : 2] += 1;
            const QVector<AdvisorAction> ranking = sol.rankActions(p.total, p.roundPoints, p.rolled);
            QVERIFY(!ranking.isEmpty());
            // Every play the advisor ranks gets the verdict of its place there.
            for (int k = 0; k < ranking.size(); ++k) {
                const AdvisorAction &a = ranking[k];
                const PracticeVerdict v = judgePractice(sol, p, choiceFor(a));
                QVERIFY(v.legal);
                QCOMPARE(v.best.rounds, ranking.first().rounds);
                QCOMPARE(v.chosen.rounds, a.rounds);
                QCOMPARE(v.cost, a.rounds - ranking.first().rounds);
                QCOMPARE(v.answeredBest, v.cost <= PracticeRules::bestWithin);
                QVERIFY(v.rank >= 1 && v.rank <= k + 1 && ranking[v.rank - 1].rounds == a.rounds);
                QCOMPARE(v.top.size(), std::min<int>(int(ranking.size()), PracticeRules::topCount));
                for (int t = 0; t < v.top.size(); ++t)
                    QCOMPARE(v.top[t].rounds, ranking[t].rounds);
            }
            // The plain rule costs what the position says, and it is not the best play.
            const PracticeVerdict plain = judgePractice(sol, p, plainPlay(p));
            QVERIFY(plain.legal);
            QCOMPARE(plain.cost, p.cost);
            QVERIFY(plain.cost >= 0.05);
            QCOMPARE(brokenRule(p, plain.best), p.rule);
            QVERIFY(p.rule != PlainRule::None);
            // "Take everything that scores" is blamed only where the best play keeps other dice.
            const PracticeChoice taken = plainPlay(p);
            QCOMPARE(p.rule == PlainRule::TakeAll,
                     !std::equal(taken.keep.count + 1, taken.keep.count + 7, plain.best.keep.count + 1));
        }
        // Spread over the start, the totals around the band and the finish.
        QVERIFY2(zones[0] > 0 && zones[1] > 0 && zones[2] > 0,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(zones[0]).arg(zones[1]).arg(zones[2])));
        // Worked out the same every time.
        const QVector<PracticePosition> again = builtInPractice(sol, band);
        QCOMPARE(again.size(), set.size());
        for (int i = 0; i < set.size(); ++i)
            QVERIFY(again[i].samePlace(set[i]) && again[i].due == set[i].due);
    }

    void refusedAndIllegalChoices()
    {
        PracticePosition p;
        p.total = 300;
        p.roundPoints = 150;
        p.kept[1] = 1;
        p.rolled[1] = 2; // 1 1 2 3 4
        p.rolled[2] = 1;
        p.rolled[3] = 1;
        p.rolled[4] = 1;
        QVERIFY(p.sound());
        // A lone 2 is no take, and rolling on with nothing is no play.
        int counts[7] = {0, 0, 1, 0, 0, 0, 0};
        bool legal = true;
        choiceOf(counts, -1, -1, false, &legal);
        QVERIFY(!legal);
        const int none[7] = {};
        choiceOf(none, -1, -1, false, &legal);
        QVERIFY(!legal);
        // Banking 170 lands on 470: refused, and the reason says so.
        int ones[7] = {0, 2, 0, 0, 0, 0, 0};
        const PracticeChoice bank = choiceOf(ones, -1, -1, true, &legal);
        QVERIFY(legal);
        const PracticeVerdict v = judgePractice(*m_off, p, bank);
        QVERIFY(v.legal && v.chosen.refused && !v.answeredBest);
        QCOMPARE(v.reason, PracticeReason::BankRefused);
        QCOMPARE(v.landing, 470);
        QVERIFY(!v.pastWinner);
        // A position that cannot occur gets no verdict.
        PracticePosition broken = p;
        broken.rolled[5] = 3;
        QVERIFY(!broken.sound());
        QVERIFY(!judgePractice(*m_off, broken, bank).legal);
    }

    void takingDiceAsTheGameDoes()
    {
        PracticePosition p;
        p.rolled[2] = 3;
        p.rolled[1] = 1;
        p.rolled[6] = 1;
        p.kept[5] = 1;
        PracticeDie dice[7];
        practiceLayout(p, dice);
        QVERIFY(dice[1].kept && dice[1].face == 5);
        bool sel[7] = {};
        QVERIFY(!practiceToggle(dice, sel, 1)); // kept back
        QVERIFY(!practiceToggle(dice, sel, 6)); // a lone six
        QVERIFY(practiceToggle(dice, sel, 3));  // a two takes the set of three
        int counts[7];
        selectedCounts(dice, sel, counts);
        QCOMPARE(counts[2], 3);
        QVERIFY(practiceToggle(dice, sel, 4)); // and releases it whole
        selectedCounts(dice, sel, counts);
        QCOMPARE(counts[2], 0);
        QVERIFY(practiceToggle(dice, sel, 2)); // a one alone
        selectedCounts(dice, sel, counts);
        QCOMPARE(counts[1], 1);
    }

    void costlyDecisionsOfAGameAreKept()
    {
        EngineRig rig;
        const Strategy plain = simpleStrategy({1000, false}, 30, 0);
        QVERIFY(playGame(rig.game, rig.timers, plain, 4242) > 0);
        const GameRecord &rec = rig.game.record();
        const GameReview review = reviewGame(rec, *m_off);
        const QVector<PracticePosition> kept = practiceFromReview(rec, review);
        int costly = 0;
        for (const ReviewDecision &d : review.decisions)
            costly += d.valued && d.cost >= PracticeRules::keepFrom ? 1 : 0;
        QVERIFY(costly > 0);
        QCOMPARE(kept.size(), costly);
        for (const PracticePosition &p : kept) {
            QVERIFY(p.sound());
            QVERIFY(p.cost >= PracticeRules::keepFrom);
            QCOMPARE(p.source, PracticeSource::Mine);
            // The play the game made there costs what the review said.
            bool found = false;
            for (const ReviewDecision &d : review.decisions) {
                if (d.total != p.total || d.roundPoints != p.roundPoints
                    || !std::equal(d.rolled + 1, d.rolled + 7, p.rolled + 1) || d.cost != p.cost)
                    continue;
                const PracticeVerdict v = judgePractice(*m_off, p, choiceFor(d.made));
                QVERIFY(v.legal);
                QVERIFY(std::fabs(v.cost - d.cost) < 1e-12);
                found = true;
            }
            QVERIFY(found);
        }
    }

    void answeredBestGoesBackWrongComesSoon()
    {
        QVector<PracticePosition> list(3);
        for (int i = 0; i < 3; ++i) {
            list[i].rolled[1] = 1;
            list[i].rolled[2] = 5;
            list[i].total = 100 * i;
            list[i].due = i;
        }
        list[1].winner = 2000; // other rules: kept, never offered
        list[1].due = -5;
        QCOMPARE(nextPractice(list, {1000, false}), 0);
        // Answered best at turn 1: behind everything.
        list[0].due = dueAfter(true, 1, 2);
        QCOMPARE(nextPractice(list, {1000, false}), 2);
        // Answered wrongly at turn 2: back after two others.
        list[2].due = dueAfter(false, 2, 3);
        QCOMPARE(list[2].due, 2 + PracticeRules::againAfter);
        QVERIFY(list[2].due < dueAfter(true, 2, 10));
    }
};

QTEST_GUILESS_MAIN(TestPractice)
#include "tst_practice.moc"
