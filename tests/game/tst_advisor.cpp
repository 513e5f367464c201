// SPDX-License-Identifier: GPL-3.0-or-later
// The advisor's solver: the chances it builds on, the selections it weighs,
// the decisions the rules make subtle, and its expected rounds against games
// actually played on the engine.
#include "EngineRig.h"
#include "game/Advisor.h"
#include "game/AutoPlay.h"
#include "game/GameLimits.h"
#include "game/Scoring.h"
#include "game/SolveService.h"
#include "game/advisor/Policy.h"
#include "game/advisor/Round.h"

#include <QtTest>
#include <algorithm>
#include <cmath>

class TestAdvisor : public QObject
{
    Q_OBJECT

    std::shared_ptr<const AdvisorSolution> m_off, m_on;

    static const AdvisorAction &best(const QVector<AdvisorAction> &a) { return a.first(); }

    // Mean and standard error of the rounds of `games` seeded games under the
    // best play; `rounds` receives each game's rounds.
    static void selfPlay(const std::shared_ptr<const AdvisorSolution> &s, int games, double &mean, double &se,
                         QList<int> *rounds = nullptr)
    {
        EngineRig rig;
        setRules(rig.game, {s->winner(), s->valid()});
        const Strategy play = optimalStrategy(s);
        double sum = 0, sum2 = 0;
        for (int g = 0; g < games; ++g) {
            const int r = playGame(rig.game, rig.timers, play, quint32(77 + g));
            QVERIFY2(r > 0, "a game did not reach its end");
            sum += r;
            sum2 += double(r) * r;
            if (rounds)
                rounds->append(r);
        }
        mean = sum / games;
        se = std::sqrt((sum2 - games * mean * mean) / (games - 1) / games);
    }

private slots:
    void initTestCase()
    {
        // Which of the two solvers this processor runs; the other is tested by a build without wide vectors.
        qInfo("advisor path on this processor: %s",
              advisor::quadsPay() ? "four rounds at once (AVX2)" : "one round at a time (portable)");
        m_off = Advisor::solve({1000, false});
        m_on = Advisor::solve({1000, true});
        QVERIFY(m_off && m_on);
        QVERIFY(m_off->winnable() && m_on->winnable());
    }

    // --- the ground it stands on ---

    void bustChancesPerDiceCount()
    {
        // Rolls without a one, a five or three of a kind, counted out by hand.
        const double exact[7] = {0, 4.0 / 6, 16.0 / 36, 60.0 / 216, 204.0 / 1296, 600.0 / 7776, 1440.0 / 46656};
        for (int n = 1; n <= 6; ++n)
            QVERIFY2(std::fabs(AdvisorSolution::bustChance(n) - exact[n]) < 1e-12, qPrintable(QString::number(n)));
        QCOMPARE(QString::number(100 * AdvisorSolution::bustChance(6), 'f', 4), QStringLiteral("3.0864"));
        QCOMPARE(QString::number(100 * AdvisorSolution::bustChance(5), 'f', 4), QStringLiteral("7.7160"));
    }

    void keepsWeighEveryValuation()
    {
        // Four ones and a five: ones 0..4 (three and four with their lists), five 0..1.
        const int rolled[7] = {0, 4, 0, 0, 0, 1, 0};
        const QVector<KeepOption> keeps = legalKeeps(rolled);
        QCOMPARE(keeps.size(), (1 + 1 + 1 + 2 + 3) * 2 - 1);
        QList<int> values;
        for (const KeepOption &k : keeps)
            if (k.count[1] == 4 && k.count[5] == 1)
                values << k.points;
        std::sort(values.begin(), values.end());
        QCOMPARE(values, (QList<int>{45, 115, 205}));
        for (const KeepOption &k : keeps)
            QVERIFY(!k.empty());
    }

    void groupsOnlyAsSetsOfThreeOrMore()
    {
        const int rolled[7] = {0, 0, 4, 0, 0, 0, 2};
        const QVector<KeepOption> keeps = legalKeeps(rolled);
        QCOMPARE(keeps.size(), 2);
        QCOMPARE(keeps[0].points + keeps[1].points, 20 + 40);
        const int two[7] = {0, 0, 2, 2, 2, 0, 0};
        QVERIFY(legalKeeps(two).isEmpty());
    }

    void bankOutcomeFollowsTheRules()
    {
        QVERIFY(bankOutcome(350, 100, 1000, false).verdict == BankVerdict::Band);
        QVERIFY(bankOutcome(350, 155, 1000, false).accepted());
        QVERIFY(bankOutcome(1350, 100, 2000, true).verdict == BankVerdict::Band);
        QVERIFY(bankOutcome(1350, 100, 2000, false).accepted());
        QVERIFY(bankOutcome(950, 100, 1000, false).verdict == BankVerdict::Exact);
        QVERIFY(bankOutcome(950, 50, 1000, false).won);
        // The band is tested first, so 450 cannot be won with the band everywhere.
        QVERIFY(bankOutcome(400, 50, 450, false).verdict == BankVerdict::Band);
        // The penalty is never refused, not even into the band.
        const BankOutcome pen = bankOutcome(505, -100, 1000, false);
        QVERIFY(pen.accepted());
        QCOMPARE(pen.total, 405);
    }

    void theEveryThousandRuleMattersFrom1400()
    {
        QVERIFY(!Advisor::everyThousandMatters(1000));
        QVERIFY(!Advisor::everyThousandMatters(1395));
        QVERIFY(Advisor::everyThousandMatters(1400));
        QVERIFY(Advisor::everyThousandMatters(10000));
        // Where it does not matter, both rules give the same values.
        for (qint32 t = m_off->floorTotal(); t <= 1000; t += 5)
            QCOMPARE(m_on->roundsFromTotal(t), m_off->roundsFromTotal(t));
    }

    void progressOnlyGoesForwardAndCanCancel()
    {
        QVector<double> seen;
        const auto s = Advisor::solve({2000, true}, [&seen](double p) {
            seen.append(p);
            return true;
        });
        QVERIFY(s && s->winnable());
        QVERIFY(seen.size() > 10);
        QVERIFY(seen.first() < 0.25);
        QCOMPARE(seen.last(), 1.0);
        for (int k = 1; k < seen.size(); ++k)
            QVERIFY2(seen[k] >= seen[k - 1], qPrintable(QString::number(k)));
        // Saying no stops the solve, which then has nothing to give.
        int calls = 0;
        QVERIFY(!Advisor::solve({2000, true}, [&calls](double) { return ++calls < 5; }));
        QCOMPARE(calls, 5);
        // So does saying no while the spread of rounds is worked out, last of all.
        std::vector<double> values, dist;
        const advisor::Policy::Progress quiet;
        advisor::Policy policy(2000, -advisor::kFloorDepth, true, values, quiet);
        QVERIFY(policy.firstSweep() && policy.improve() > 0);
        double tail = 0;
        calls = 0;
        QVERIFY(!advisor::winDistribution(policy.takeOutcomes(), values, advisor::kFloorDepth / 5, 1e-9, dist, tail,
                                          [&calls] { return ++calls < 3; }));
        QCOMPARE(dist.size(), size_t(47));
    }

    // The shared service: one solve per set of rules, queued in turn, and
    // both band settings folded where the band changes nothing.
    void theServiceSolvesEachRuleSetOnce()
    {
        SolveService service;
        QSignalSpy solved(&service, &SolveService::solved);
        QSignalSpy spread(&service, &SolveService::distributionReady);
        QVERIFY(!service.solution({1000, false}));
        QVERIFY(!service.request({1000, false}));
        QVERIFY(!service.request({1000, true})); // the same rules below 1400
        QVERIFY(!service.request({2000, true})); // queued behind the first
        QVERIFY(!service.request({2000, true}));
        QVERIFY(service.keyFor({1000, true}) == (RuleSet{1000, false}));
        QVERIFY(service.keyFor({2000, true}) == (RuleSet{2000, true}));
        QVERIFY(service.waitFor({2000, true}, 60000));
        QVERIFY(service.waitFor({1000, true}, 60000));
        QCOMPARE(solved.size(), 2);
        QCOMPARE(service.solution({1000, true}), service.solution({1000, false}));
        QCOMPARE(service.solution({2000, true})->valid(), true);
        QVERIFY(!service.solution({2000, false}));
        QCOMPARE(service.request({1000, false})->roundsFromTotal(0), m_off->roundsFromTotal(0));
        QVERIFY(!service.solving());
        QCOMPARE(solved.size(), 2);
        // Each spread after its policy, there once waited for.
        QTRY_COMPARE(spread.size(), 2);
        QVERIFY(service.solution({2000, true})->hasDistribution());
    }

    void unreachableWinnersAreNoticed()
    {
        QVERIFY(!Advisor::solve({450, false})->winnable());
        QVERIFY(!Advisor::solve({1003, false})->winnable());
        QVERIFY(!Advisor::solve({1450, true})->winnable());
        QVERIFY(std::isinf(Advisor::solve({450, false})->roundsFromTotal(0)));
    }

    // --- decisions ---

    void threeOnesAsThirtyToFinishExactly()
    {
        // 970 and three ones: 100 would pass 1000, 30 wins on the spot.
        const int rolled[7] = {0, 3, 1, 1, 1, 0, 0};
        const QVector<AdvisorAction> a = m_off->rankActions(970, 0, rolled);
        QVERIFY(best(a).bank && !best(a).refused);
        QCOMPARE(best(a).keep.onesEntry, 1);
        QCOMPARE(best(a).keep.points, 30);
        QCOMPARE(best(a).rounds, 1.0);
        // At 950 too 30 is banked, where 100 would be refused.
        const QVector<AdvisorAction> b = m_off->rankActions(950, 0, rolled);
        QCOMPARE(best(b).keep.onesEntry, 1);
        QVERIFY(best(b).bank);
        for (const AdvisorAction &x : b)
            if (x.bank && x.keep.points >= 100)
                QVERIFY(x.refused);
    }

    void threeOnesAsThirtyToStayUnderTheBand()
    {
        // 100 banked, 200 in the round, three dice all ones: counting them 100
        // brings the round to 400 on the band's edge; 30 keeps it at 330 and
        // hot dice roll on.
        const int rolled[7] = {0, 3, 0, 0, 0, 0, 0};
        const QVector<AdvisorAction> a = m_off->rankActions(100, 200, rolled);
        QCOMPARE(best(a).keep.onesEntry, 1);
        QVERIFY(!best(a).bank);
        QCOMPARE(best(a).diceNext, 6);
        for (const AdvisorAction &x : a)
            if (x.keep.count[1] == 3 && x.keep.onesEntry == 0)
                QVERIFY(x.rounds > best(a).rounds + 0.1);
    }

    void aSmallBankStopsBeforeTheBand()
    {
        // 385 banked, 10 in the round, a five among five dice: taking it makes
        // 400 (refused); banking the 10 alone reaches 395.
        const int rolled[7] = {0, 0, 0, 2, 1, 1, 1};
        const QVector<AdvisorAction> a = m_off->rankActions(385, 10, rolled);
        QVERIFY(best(a).bank);
        QVERIFY(best(a).keep.empty());
        QVERIFY(!best(a).refused);
        for (const AdvisorAction &x : a)
            if (x.bank && x.keep.count[5] == 1)
                QVERIFY(x.refused);
    }

    // --- the values ---

    void valuesAreTheirOwnFixedPoint()
    {
        // A round from its start is worth what the start of the round says.
        for (const auto &s : {m_off, m_on})
            for (qint32 t : {-300, -100, 0, 205, 395, 405, 500, 750, 995})
                QVERIFY2(std::fabs(s->roundsBeforeRoll(t, 0, 6) - s->roundsFromTotal(t)) < 1e-8,
                         qPrintable(QString::number(t)));
        QCOMPARE(m_off->roundsFromTotal(1000), 0.0);
        QVERIFY(m_off->roundsFromTotal(0) > m_off->roundsFromTotal(900));
    }

    void everyValueIsWithinATargetOfTheBest()
    {
        // Playing any one round better than the solution says, at any total,
        // gains at most e rounds; then no value exceeds the best by more than
        // e times the largest value. Nor may a value promise more than the
        // round it stands for can give.
        const auto twoThousand = Advisor::solve({2000, true});
        for (const auto &s : {m_off, m_on, twoThousand}) {
            double largest = 0, gain = 0, under = 0;
            for (qint32 t = s->floorTotal(); t < s->winner(); t += 5) {
                const double v = s->roundsFromTotal(t);
                largest = std::max(largest, v);
                gain = std::max(gain, v - s->roundsBeforeRoll(t, 0, 6));
                under = std::min(under, v - s->roundsBeforeRoll(t, 0, 6));
            }
            const QByteArray what = QStringLiteral("Winner %1: gain %2, under %3, largest %4")
                    .arg(QString::number(s->winner()), QString::number(gain), QString::number(under), QString::number(largest)).toLatin1();
            QVERIFY2(gain * (1 + largest) <= 1e-9, what.constData());
            QVERIFY2(under >= -1e-12, what.constData());
        }
    }

    void monteCarloAgrees_data()
    {
        QTest::addColumn<int>("winner");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("games");
        QTest::newRow("1000") << 1000 << false << 150;
        QTest::newRow("1000, every thousand") << 1000 << true << 150;
        QTest::newRow("2000") << 2000 << false << 400;
        QTest::newRow("2000, every thousand") << 2000 << true << 100;
    }

    void monteCarloAgrees()
    {
        QFETCH(int, winner);
        QFETCH(bool, valid);
        QFETCH(int, games);
        const auto s = winner == 1000 ? (valid ? m_on : m_off) : Advisor::solve({winner, valid});
        double mean = 0, se = 0;
        QList<int> rounds;
        selfPlay(s, games, mean, se, &rounds);
        const double v = s->roundsFromTotal(0);
        QVERIFY2(std::fabs(mean - v) < 3 * se,
                 qPrintable(QStringLiteral("mean %1 se %2 solver %3").arg(QString::number(mean), QString::number(se), QString::number(v))));

        // The games' rounds follow the best play's distribution: the largest gap
        // between the two cumulative chances stays within the 1 % bound of a
        // Kolmogorov-Smirnov test (conservative for whole numbers of rounds).
        std::sort(rounds.begin(), rounds.end());
        double gap = 0;
        int worst = 0;
        for (int n = 1; n <= rounds.last(); ++n) {
            const double seen = double(std::upper_bound(rounds.begin(), rounds.end(), n) - rounds.begin()) / games;
            if (std::fabs(seen - s->chanceWithin(n)) > gap) {
                gap = std::fabs(seen - s->chanceWithin(n));
                worst = n;
            }
        }
        QVERIFY2(gap < 1.63 / std::sqrt(double(games)),
                 qPrintable(QStringLiteral("within %1 rounds: played %2, best play %3").arg(QString::number(worst), QString::number(gap),
                                         QString::number(s->chanceWithin(worst)))));
    }

    // --- the best play's rounds to the win ---

    void distributionMatchesTheMean_data()
    {
        QTest::addColumn<int>("winner");
        QTest::addColumn<bool>("valid");
        QTest::newRow("1000") << 1000 << false;
        QTest::newRow("1000, every thousand") << 1000 << true;
        QTest::newRow("3000, every thousand") << 3000 << true;
        QTest::newRow("355, a short game") << 355 << false;
    }

    void distributionMatchesTheMean()
    {
        QFETCH(int, winner);
        QFETCH(bool, valid);
        const auto s = winner == 1000 ? (valid ? m_on : m_off) : Advisor::solve({winner, valid});
        QVERIFY(s && s->winnable());
        const std::vector<double> &d = s->roundsDistribution();
        QVERIFY(d.size() > 2);
        double sum = 0, head = 0;
        for (size_t k = 0; k < d.size(); ++k) {
            QVERIFY2(d[k] >= 0 && d[k] <= 1, qPrintable(QString::number(k + 1)));
            sum += d[k];
            head += double(k + 1) * d[k];
        }
        // It stops at the first round after which less than 1e-9 is left.
        QVERIFY2(1 - sum < 1e-9 && 1 - sum > -1e-12, qPrintable(QString::number(1 - sum, 'g', 17)));
        QVERIFY(1 - (sum - d.back()) >= 1e-9 - 1e-15);
        QCOMPARE(s->chanceWithin(int(d.size())), std::min(1.0, sum));
        QVERIFY(s->chanceWithin(0) == 0 && s->chanceWithin(1) == d[0]);
        // The mean is the solver's expected rounds; the listed part alone
        // misses only what the last 1e-9 adds.
        const double v = s->roundsFromTotal(0);
        QVERIFY2(std::fabs(s->distributionMean() - v) < 1e-9,
                 qPrintable(QStringLiteral("mean %1 solver %2").arg(QString::number(s->distributionMean(), 'g', 15), QString::number(v, 'g', 15))));
        QVERIFY(std::fabs(head - v) < 1e-9 * (10 * double(d.size()) + v) && head <= v);
        // Median and the 90th percentile, as the statistics window shows them.
        const int median = s->roundsForChance(0.5), p90 = s->roundsForChance(0.9);
        QVERIFY(s->chanceWithin(median) >= 0.5 && s->chanceWithin(median - 1) < 0.5);
        QVERIFY(s->chanceWithin(p90) >= 0.9 && s->chanceWithin(p90 - 1) < 0.9);
        QVERIFY(median <= p90);
        qInfo("Winner %d%s: mean %.6f, median %d, 90th percentile %d, %d rounds listed", winner,
              valid ? " every thousand" : "", v, median, p90, int(d.size()));
    }

    // --- every total a game reaches ---

    void everyTotalAGameReachesIsWeighed()
    {
        // Below the floor a round is the deepest one solved, moved by its own
        // value: the same plays in the same order, every value shifted alike.
        const int rolled[7] = {0, 1, 1, 1, 1, 1, 1};
        const qint32 deep = m_off->floorTotal() - 2000;
        const QVector<AdvisorAction> ref = m_off->rankActions(deep, 50, rolled);
        for (const qint32 t : {deep - 5, qint32(-5000000), GameLimits::lowestTotal}) {
            QVERIFY(m_off->canWeigh(t, 50));
            const QVector<AdvisorAction> a = m_off->rankActions(t, 50, rolled);
            QCOMPARE(a.size(), ref.size());
            const double shift = m_off->roundsFromTotal(t) - m_off->roundsFromTotal(deep);
            QVERIFY(shift > 0);
            for (int k = 0; k < a.size(); ++k) {
                QVERIFY(a[k].keep.sameAs(ref[k].keep) && a[k].bank == ref[k].bank);
                QVERIFY(std::fabs(a[k].rounds - ref[k].rounds - shift) < 1e-6 * (1 + shift));
            }
            QVERIFY(std::fabs(m_off->roundsBeforeRoll(t, 0, 6) - m_off->roundsFromTotal(t)) < 1e-6 * (1 + shift));
        }
        // A round whose points are past every bank: nothing overflows, only rolling on is left.
        const QVector<AdvisorAction> far = m_off->rankActions(0, GameLimits::maxPoints, rolled);
        QVERIFY(!far.isEmpty());
        for (const AdvisorAction &x : far)
            QVERIFY(std::isfinite(x.rounds) && (!x.bank || x.refused));
    }

    void positionsNoGameReachesAreNotWeighed()
    {
        const int rolled[7] = {0, 1, 1, 1, 1, 1, 1};
        for (const qint32 t : {-2147483000, -2000000000, GameLimits::lowestTotal - 5, 7}) {
            QVERIFY(!m_off->canWeigh(t));
            QVERIFY(m_off->rankActions(t, 0, rolled).isEmpty());
            QVERIFY(std::isnan(m_off->roundsBeforeRoll(t, 0, 6)));
            QVERIFY(std::isnan(m_off->roundsFromTotal(t)));
        }
        QVERIFY(m_off->rankActions(0, 13, rolled).isEmpty());
        QVERIFY(m_off->rankActions(0, -5, rolled).isEmpty());
        QVERIFY(!m_off->canWeigh(1005));
    }

    // The spread is worked out after the policy, and only within the
    // settings' range: above it the mean is still the solver's.
    void distributionOnlyWithinTheSettingsRange()
    {
        const Advisor::Steps above = Advisor::solveInSteps({AdvisorSolution::distributionLimit + 5, false});
        const auto s = above.solution;
        QVERIFY(s && s->winnable() && !above.distribution);
        QVERIFY(!s->hasDistribution() && !s->distributionDue());
        QVERIFY(s->roundsDistribution().empty());
        QCOMPARE(s->distributionMean(), s->roundsFromTotal(0));
        QVERIFY(m_off->hasDistribution());
        // The policy answers before its spread is there, and the spread it
        // then gets is the whole solve's.
        const Advisor::Steps steps = Advisor::solveInSteps({1000, false});
        QVERIFY(steps.solution && steps.distribution && steps.solution->distributionDue());
        QVERIFY(steps.solution->roundsDistribution().empty());
        QCOMPARE(steps.solution->roundsFromTotal(0), m_off->roundsFromTotal(0));
        QVERIFY(!steps.distribution([] { return false; }) && steps.solution->distributionDue());
        QVERIFY(steps.distribution([] { return true; }) && !steps.solution->distributionDue());
        QVERIFY(steps.solution->roundsDistribution() == m_off->roundsDistribution());
        QCOMPARE(steps.solution->distributionMean(), m_off->distributionMean());
    }
};

QTEST_GUILESS_MAIN(TestAdvisor)
#include "tst_advisor.moc"
