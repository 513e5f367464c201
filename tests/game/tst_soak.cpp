// SPDX-License-Identifier: GPL-3.0-or-later
// A long random drive of the engine: legal and illegal actions in any order,
// with the rules of the game state checked after every single step.
#include "EngineRig.h"
#include "SoakWatch.h"

#include "records/SavedGame.h"

#include <QElapsedTimer>
#include <QtTest>

#include <random>

namespace {

constexpr int kStepsPerSeed = 20000;

class Soak
{
public:
    Soak(quint32 seed, qint32 winner, bool valid) : m_rng(seed), m_watch(m_rig.game)
    {
        setRules(m_rig.game, {winner, valid});
        m_rig.startPlaying();
    }

    int banks = 0, busts = 0, wins = 0, saves = 0, rolls = 0, refusedRolls = 0;

    // One random action; returns the first rule it broke, or an empty string.
    QString step()
    {
        Game &g = m_rig.game;
        FakePrompts &ui = m_rig.prompts;
        if (ui.messages.size() > 64)
            ui.messages.clear();
        const int shownBefore = int(ui.messages.size());
        m_watch.before(shownBefore);
        StepKind kind = StepKind::Quiet;
        const int pick = int(m_rng() % 100);
        if (pick < 34) {
            g.clickDie(int(m_rng() % 8)); // 0 and 7 are no dice
        } else if (pick < 50) {
            kind = StepKind::Roll;
            const QString why = roll(false);
            if (!why.isEmpty())
                return why;
        } else if (pick < 56) {
            kind = StepKind::Roll;
            const QString why = roll(true);
            if (!why.isEmpty())
                return why;
        } else if (pick < 64) {
            // Done is the table's: behind the cover it is not there to press.
            const GamePhase phase = g.phase();
            kind = phase == GamePhase::Choosing || phase == GamePhase::BeforeFirstRoll ? StepKind::Done : StepKind::Quiet;
            const qint32 before = g.state().Total;
            g.bank();
            if (g.state().Total != before)
                ++banks;
        } else if (pick < 72) {
            const int faces[] = {1, 5, 2, 0};
            g.choose(faces[m_rng() % 4], int(m_rng() % 7) - 1);
        } else if (pick < 76) {
            kind = StepKind::Roll;
            if (m_rng() % 5 == 0)
                g.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
            else
                m_rig.presenter.Button1Click(int(m_rng() % 8));
        } else if (pick < 80) {
            g.pause();
        } else if (pick < 84) {
            g.resume();
        } else if (pick < 88) {
            m_rig.timers.advance(qint64(m_rng() % 3000));
        } else if (pick < 96) {
            const QString why = saveAndOpen();
            if (!why.isEmpty())
                return why;
        } else if (pick < 98) {
            // Roll with nothing selected, when that is possible.
            kind = StepKind::Roll;
            g.roll();
            if (g.rollingDice() != 0) {
                if (!m_rig.settle())
                    return QStringLiteral("a roll never ended");
            } else {
                ++refusedRolls;
            }
        } else {
            kind = StepKind::NewGame;
            g.newGame();
        }
        for (const QString &m : ui.messages.mid(shownBefore)) {
            wins += m == shown(g).gameTexts().msgWin;
            busts += m == shown(g).gameTexts().msgCrash || m == shown(g).gameTexts().msgFail;
        }
        return m_watch.after(kind, ui.messages);
    }

private:
    // A roll from a random time of day; with `meddle`, something else is tried
    // while the dice turn, which the engine must refuse.
    QString roll(bool meddle)
    {
        Game &g = m_rig.game;
        if (m_rng() % 4 != 0) {
            takeSomething();
            m_watch.before(int(m_rig.prompts.messages.size())); // the click decides which dice roll
        }
        m_rig.timers.setMsecsSinceMidnightUtc(qint64(m_rng() % 86400000u));
        g.roll();
        if (g.rollingDice() == 0)
            return QString(); // refused, or nothing to roll
        ++rolls;
        if (meddle) {
            m_rig.timers.advance(qint64(m_rng() % 1800));
            if (g.rollingDice() != 0) {
                const GameState gs = g.state();
                const qint32 rolling = g.rollingDice();
                switch (m_rng() % 6) {
                case 0: g.clickDie(int(m_rng() % 7)); break;
                case 1: g.bank(); break;
                case 2: g.roll(); break;
                case 3: m_rig.presenter.Button1Click(int(m_rng() % 7)); break;
                case 4: g.stageRoll([](int n) { return n <= 3 ? 1 : 5; }); break;
                case 5: g.choose(m_rng() % 2 ? 1 : 5, int(m_rng() % 4)); break;
                }
                if (g.rollingDice() != rolling || memcmp(&gs, &g.state(), sizeof gs) != 0)
                    return QStringLiteral("an action during a roll changed the game");
            }
        }
        if (!m_rig.settle())
            return QStringLiteral("a roll never ended");
        return QString();
    }

    // A player who wants to roll on takes a scoring die first, if none is taken.
    void takeSomething()
    {
        Game &g = m_rig.game;
        if (g.state().NewRound)
            return;
        int free[7] = {};
        for (int n = 1; n <= 6; ++n) {
            if (g.die(n).color == DieSelected)
                return;
            if (g.die(n).color == DieFree)
                free[g.die(n).value] += 1;
        }
        const int start = int(m_rng() % 6);
        for (int k = 0; k < 6; ++k) {
            const int n = (start + k) % 6 + 1;
            const int v = g.die(n).value;
            if (g.die(n).color == DieFree && (v == 1 || v == 5 || free[v] >= 3)) {
                g.clickDie(n);
                return;
            }
        }
    }

    QString saveAndOpen()
    {
        Game &g = m_rig.game;
        const Game::Snapshot s = g.snapshot();
        const QByteArray file = encodeSavedGame(s);
        const Game::Snapshot back = decodeSavedGame(file);
        const QString problem = savedGameProblem(back);
        if (!problem.isEmpty())
            return QStringLiteral("the game refuses its own save: ") + problem;
        const GameState gs = g.state();
        g.restore(back);
        ++saves;
        if (encodeSavedGame(g.snapshot()) != file)
            return QStringLiteral("save and open changed the dice or the scores");
        // The file has no room for NewRound: a round start with faces staged by a
        // test button (counted, none held) opens as the same faces after a roll.
        bool staged = false;
        for (int f = 1; f <= 6; ++f)
            staged = staged || gs.RollCount[f] != 0;
        const bool newRoundKept = gs.NewRound == g.state().NewRound || (gs.NewRound && staged);
        if (!newRoundKept || gs.KeptCount != g.state().KeptCount || gs.SubScore != g.state().SubScore)
            return QStringLiteral("save and open changed the round: NewRound %1 -> %2, KeptCount %3 -> %4, SubScore %5 -> %6")
                    .arg(gs.NewRound).arg(g.state().NewRound).arg(gs.KeptCount).arg(g.state().KeptCount)
                    .arg(gs.SubScore).arg(g.state().SubScore);
        return QString();
    }

    EngineRig m_rig;
    std::mt19937 m_rng;
    SoakWatch m_watch;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private:
    qint64 m_steps = 0;

private slots:
    void drive_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("winner");
        QTest::addColumn<bool>("valid");
        // Small winning totals let random play win now and then.
        QTest::newRow("seed 1, 1000") << 1u << 1000 << false;
        QTest::newRow("seed 2, 1000 every thousand") << 2u << 1000 << true;
        QTest::newRow("seed 3, 300") << 3u << 300 << false;
        QTest::newRow("seed 4, 150") << 4u << 150 << false;
        QTest::newRow("seed 5, 2500 every thousand") << 5u << 2500 << true;
        QTest::newRow("seed 6, 60") << 6u << 60 << false;
    }
    void drive()
    {
        // Every step keeps the rules of the state: the counters match the
        // dice, groups of 2, 3, 4 and 6 are at least three, nothing rolls at
        // rest, Total moves only by a bank or the penalty, RoundNo never
        // goes back within a game.
        QFETCH(quint32, seed);
        QFETCH(int, winner);
        QFETCH(bool, valid);
        Soak soak(seed, winner, valid);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kStepsPerSeed; ++i) {
            const QString problem = soak.step();
            if (!problem.isEmpty())
                QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3").arg(seed).arg(i).arg(problem)));
        }
        m_steps += kStepsPerSeed;
        qInfo("seed %u: %d steps in %lld ms; %d rolls, %d refused, %d banks, %d busts, %d wins, %d saves",
              seed, kStepsPerSeed, clock.elapsed(), soak.rolls, soak.refusedRolls, soak.banks, soak.busts,
              soak.wins, soak.saves);
        // The drive must reach the interesting places, not idle in one.
        QVERIFY(soak.rolls > kStepsPerSeed / 10);
        QVERIFY(soak.banks > 0);
        QVERIFY(soak.busts > 0);
        QVERIFY(soak.saves > 0);
    }
    void cleanupTestCase()
    {
        qInfo("%lld steps in all", m_steps);
        QVERIFY(m_steps >= 100000);
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
