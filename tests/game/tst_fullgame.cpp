// SPDX-License-Identifier: GPL-3.0-or-later
// Whole games played to the win on virtual time, by a simple player, with the
// engine's rules checked after every step.
#include "EngineRig.h"

#include <QtTest>

namespace {

// One way to take dice of one face: how many, which entry of the choice
// list (ones and fives from three on), and what it is worth.
struct Part
{
    int face = 0;
    int count = 0;
    int entry = -1;
    int value = 0;
};

struct Pick
{
    QVector<Part> parts;
    int value = 0;
    bool empty() const { return parts.isEmpty(); }
};

// The ways to take face f when c dice of the roll show it, worked out from the
// rules: ones 10 and fives 5 singly; a set of three is worth ten times its face
// (100 for ones), each further die doubling it.
QVector<Part> waysToTake(int f, int c)
{
    QVector<Part> ways{Part{f, 0, -1, 0}};
    if (f == 1 || f == 5) {
        const int unit = f == 1 ? 10 : 5;
        const int set3 = f == 1 ? 100 : 50;
        for (int k = 1; k <= c; ++k) {
            if (k < 3) {
                ways << Part{f, k, -1, k * unit};
                continue;
            }
            ways << Part{f, k, 0, set3 << (k - 3)};
            for (int e = 1; e <= k - 3; ++e)
                ways << Part{f, k, e, (set3 << (k - 3 - e)) + e * unit};
            ways << Part{f, k, k - 2, k * unit};
        }
    } else {
        for (int k = 3; k <= c; ++k)
            ways << Part{f, k, -1, (10 * f) << (k - 3)};
    }
    return ways;
}

class Player
{
public:
    explicit Player(Game &g) : m_g(g) {}

    // Every selection the roll on the table allows.
    QVector<Pick> picks() const
    {
        int count[7] = {};
        for (int n = 1; n <= 6; ++n)
            if (m_g.die(n).color == DieFree)
                count[m_g.die(n).value] += 1;
        QVector<Pick> out{Pick{}};
        for (int f = 1; f <= 6; ++f) {
            QVector<Pick> next;
            for (const Pick &p : out) {
                for (const Part &w : waysToTake(f, count[f])) {
                    Pick q = p;
                    if (w.count > 0)
                        q.parts << w;
                    q.value += w.value;
                    next << q;
                }
            }
            out = next;
        }
        out.removeFirst(); // taking nothing
        return out;
    }

    bool legalTotal(qint64 x) const
    {
        const qint64 t = m_g.gameSettings().Valid ? x % 1000 : x;
        return x <= m_g.gameSettings().Winner && !(t > 395 && t < 505);
    }

    void click(const Pick &p)
    {
        for (const Part &part : p.parts) {
            for (int n = 1; n <= 6 && m_g.state().SelCount[part.face] < part.count; ++n)
                if (m_g.die(n).color == DieFree && m_g.die(n).value == part.face)
                    m_g.clickDie(n);
            if (part.entry >= 0)
                m_g.choose(part.face, part.entry);
        }
    }

    enum Move { Roll, Done };

    // Decides after a roll that scored; returns what to press.
    Move decide(Pick &chosen) const
    {
        const qint64 total = m_g.state().Total;
        const int sub = m_g.state().SubScore;
        const int need = m_g.gameSettings().Winner - int(total) - sub;
        const QVector<Pick> all = picks();
        const Pick *best = nullptr, *smallest = nullptr, *bestLegal = nullptr;
        for (const Pick &p : all) {
            if (p.value == need) {
                chosen = p;
                return Done;
            }
            if (!smallest || p.value < smallest->value)
                smallest = &p;
            if (p.value < need && (!best || p.value > best->value))
                best = &p;
            if (p.value < need && legalTotal(total + sub + p.value)
                && (!bestLegal || p.value > bestLegal->value))
                bestLegal = &p;
        }
        if (need > 300) {
            // Far from the end: bank from 100 on, or when few dice would be left.
            chosen = best ? *best : *smallest;
            const int round = sub + chosen.value;
            int taken = 0;
            for (const Part &part : chosen.parts)
                taken += part.count;
            const int left = 6 - m_g.state().KeptCount - taken;
            const bool enough = round >= 100 || (left > 0 && left <= 2);
            return enough && legalTotal(total + round) ? Done : Roll;
        }
        // Near the end: bank whatever fits.
        if (bestLegal) {
            chosen = *bestLegal;
            return Done;
        }
        chosen = Pick{};
        if (sub > 0 && legalTotal(total + sub))
            return Done;
        if (best) {
            chosen = *best;
            return Roll;
        }
        chosen = *smallest; // nothing fits: the bank is refused and the round lost
        return Done;
    }

private:
    Game &m_g;
};

} // namespace

class TestFullGame : public QObject
{
    Q_OBJECT

private slots:
    void playToWin_data()
    {
        QTest::addColumn<int>("winner");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("clockStart");
        QTest::newRow("1000") << 1000 << false << qint64(36000000);
        QTest::newRow("1000, other morning") << 1000 << false << qint64(1234567);
        QTest::newRow("2000, band in every thousand") << 2000 << true << qint64(50000000);
        QTest::newRow("3000") << 3000 << false << qint64(72000123);
    }

    void playToWin()
    {
        QFETCH(int, winner);
        QFETCH(bool, valid);
        QFETCH(qint64, clockStart);

        EngineRig rig;
        Game &g = rig.game;
        setRules(g, {winner, valid});
        g.prepareGame();
        rig.timers.advance(2345);
        g.newGame();
        const quint32 startTick = rig.timers.tickCount();

        struct Win {
            int total, round, seconds;
            quint32 tick;
        };
        QVector<Win> wins;
        QObject::connect(&g, &Game::won, [&](const WinSummary &w) {
            wins << Win{w.total, w.roundNo, w.elapsedSeconds, rig.timers.tickCount()};
        });
        int penalties = 0, busts = 0, refused = 0, hotDice = 0, banked = 0;
        rig.prompts.onMessage = [&](const QString &text) {
            if (text == shown(g).gameTexts().msgCrash)
                ++penalties;
            else if (text == shown(g).gameTexts().msgFail)
                ++busts;
            else if (text == shown(g).gameTexts().msgBadIn || text.startsWith(QStringLiteral("Sorry ! You have")))
                ++refused;
        };

        Player player(g);
        int lastRound = g.state().RoundNo;
        int lastTotal = g.state().Total;
        QString broken;
        auto settle = [&] {
            return rig.timers.runUntil([&] {
                int turning = 0;
                for (int n = 1; n <= 6; ++n)
                    turning += g.die(n).timer != 0 ? 1 : 0;
                if (turning != g.rollingDice() && broken.isEmpty())
                    broken = QStringLiteral("%1 dice turning, RollingDice %2").arg(turning).arg(g.rollingDice());
                return g.rollingDice() == 0;
            });
        };

        for (int step = 0; step < 20000 && wins.isEmpty(); ++step) {
            // A real clock: the time of day moves with the virtual time.
            rig.timers.setMsecsSinceMidnightUtc((clockStart + rig.timers.tickCount()) % 86400000);
            const int keptBefore = rig.countIn(DieKept) + rig.countIn(DieSelected);
            g.roll();
            QVERIFY(g.rollingDice() > 0);
            QVERIFY(!shown(g).menuEnabled());
            if (keptBefore == 6) {
                ++hotDice;
                QCOMPARE(g.rollingDice(), 6);
            }
            QVERIFY(settle());
            QCOMPARE(broken, QString());
            QCOMPARE(rig.brokenInvariant(), QString());

            if (!g.state().NewRound) {
                Pick pick;
                const Player::Move move = player.decide(pick);
                player.click(pick);
                QCOMPARE(rig.brokenInvariant(), QString());
                if (!pick.empty()) {
                    QCOMPARE(g.state().SelScore, pick.value);
                    QCOMPARE(shown(g).eSubScore(), g.state().SubScore + pick.value);
                } else {
                    QCOMPARE(shown(g).eSubScore(), g.state().SubScore);
                }
                if (move == Player::Done) {
                    const int expected = g.state().SubScore + pick.value;
                    g.bank();
                    if (wins.isEmpty() && g.state().Total == lastTotal + expected)
                        ++banked;
                }
                QCOMPARE(rig.brokenInvariant(), QString());
            }
            if (!wins.isEmpty())
                break;
            if (g.state().NewRound) {
                // A round ended: one more round, Total moved only by what the rules allow.
                QCOMPARE(g.state().RoundNo, lastRound + 1);
                QCOMPARE(shown(g).eRnd(), g.state().RoundNo);
                QCOMPARE(shown(g).eScore(), g.state().Total);
                QVERIFY(g.state().Total <= winner);
                QVERIFY(g.state().Total == lastTotal || g.state().Total == lastTotal - 100
                        || (g.state().Total > lastTotal && player.legalTotal(g.state().Total)));
                lastRound = g.state().RoundNo;
                lastTotal = g.state().Total;
            }
        }

        qInfo("rounds %d, banked %d, penalties %d, busts %d, refused %d, hot dice %d", lastRound,
              banked, penalties, busts, refused, hotDice);
        QCOMPARE(wins.size(), 1);
        QCOMPARE(wins[0].total, winner);
        QCOMPARE(wins[0].round, lastRound);
        QCOMPARE(qint64(wins[0].seconds), qint64((wins[0].tick - startTick) / 1000));
        QVERIFY(banked > 0);

        // Afterwards a fresh game waits behind the cover with the clock stopped.
        QVERIFY(shown(g).coverVisible());
        QVERIFY(shown(g).contVisible());
        QVERIFY(!clockRunning(g));
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.elapsedSeconds(), 0);
        QCOMPARE(rig.timers.activeCount(), 0);
        QCOMPARE(rig.brokenInvariant(), QString());
    }
};

QTEST_GUILESS_MAIN(TestFullGame)
#include "tst_fullgame.moc"
