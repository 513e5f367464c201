// SPDX-License-Identifier: GPL-3.0-or-later
// The random drive of the engine once more, through the main window: clicks on
// whatever a player could reach, keys, menu actions, saving and opening files,
// with the engine's rules and the window's mirror of them checked every step.
#include "base/ProgramDir.h"
#include "support/WindowRig.h"
#include "game/SoakWatch.h"
#include "records/SavedGame.h"
#include "support/FakePrompts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace {

constexpr int kStepsPerSeed = 2500;

} // namespace

class TestSoakWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static bool reachable(QWidget *w) { return w->isVisible() && w->isEnabled(); }


    // Where the window shows something other than the engine's state.
    static QString mirrorProblem(TfrmMain &w)
    {
        Game &g = w.game();
        for (int n = 1; n <= 6; ++n) {
            if (w.surface().dice(n)->value() != g.die(n).value || w.surface().dice(n)->dieState() != g.die(n).color)
                return QStringLiteral("die %1 shows %2 in state %3, the engine has %4 in %5")
                        .arg(n).arg(w.surface().dice(n)->value()).arg(w.surface().dice(n)->dieState())
                        .arg(g.die(n).value).arg(g.die(n).color);
        }
        const QLocale locale;
        if (w.surface().eScore()->text() != locale.toString(g.state().Total))
            return QStringLiteral("eScore shows %1, Total is %2").arg(w.surface().eScore()->text()).arg(g.state().Total);
        if (w.surface().eRnd()->text() != locale.toString(g.state().RoundNo))
            return QStringLiteral("eRnd shows %1, RoundNo is %2").arg(w.surface().eRnd()->text()).arg(g.state().RoundNo);
        if (w.surface().pCover()->isHidden() == shown(g).coverVisible())
            return QStringLiteral("the cover is out of step");
        if (w.surface().rg10()->isHidden() == shown(g).choiceList(1).visible || w.surface().rg5()->isHidden() == shown(g).choiceList(5).visible)
            return QStringLiteral("a choice list is out of step");
        return QString();
    }

    // A Free die that would score when clicked, none when a die is selected already.
    static QWidget *scoringDie(TfrmMain &w, quint32 r)
    {
        Game &g = w.game();
        if (g.state().NewRound)
            return nullptr;
        int free[7] = {};
        for (int n = 1; n <= 6; ++n) {
            if (g.die(n).color == DieSelected)
                return nullptr;
            if (g.die(n).color == DieFree)
                free[g.die(n).value] += 1;
        }
        for (int k = 0; k < 6; ++k) {
            const int n = int((r + quint32(k)) % 6) + 1;
            const int v = g.die(n).value;
            if (g.die(n).color == DieFree && (v == 1 || v == 5 || free[v] >= 3))
                return w.surface().dice(n);
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ProgramDir::set(m_dir.path() + QLatin1Char('/'));
    }

    void drive_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("winner");
        QTest::newRow("seed 11, 1000") << 11u << 1000;
        QTest::newRow("seed 12, 20") << 12u << 20;
    }
    void drive()
    {
        QFETCH(quint32, seed);
        QFETCH(int, winner);
        {
            QFile cfg(ProgramDir::file(QStringLiteral("Korvex.cnf")));
            QVERIFY(cfg.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cfg.write("[Game]\r\nWinner=" + QByteArray::number(winner) + "\r\n");
        }
        const QString saved = m_dir.filePath(QStringLiteral("soak.KVX"));
        const QString broken = m_dir.filePath(QStringLiteral("broken.KVX"));
        {
            QFile f(broken);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(116, '\x07'));
        }

        ManualTimerService timers;
        FakePrompts prompts;
        TfrmMain w(prompts, timers, {QStringLiteral("/CHEAT")});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Game &g = w.game();
        QCOMPARE(g.gameSettings().Winner, winner);
        SoakWatch watch(g);
        std::mt19937 rng(seed);
        QElapsedTimer clock;
        clock.start();
        int rolls = 0, banks = 0, opens = 0, refusedOpens = 0, wins = 0;

        for (int i = 0; i < kStepsPerSeed; ++i) {
            if (prompts.messages.size() > 64)
                prompts.messages.clear();
            prompts.errors.clear();
            const int watchFrom = int(prompts.messages.size());
            watch.before(watchFrom);
            StepKind kind = StepKind::Quiet;
            const int pick = int(rng() % 100);
            QString what;

            if (shown(g).coverVisible()) {
                // Only the cover's buttons can be reached.
                if (reachable(w.surface().btCont()) && rng() % 8 != 0) {
                    what = QStringLiteral("Continue");
                    QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
                } else {
                    what = QStringLiteral("Start");
                    kind = StepKind::NewGame;
                    QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
                }
            } else if (pick < 30) {
                const int n = int(rng() % 6) + 1;
                what = QStringLiteral("die %1").arg(n);
                if (rng() % 3)
                    QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
                else
                    QTest::keyClick(&w, Qt::Key(Qt::Key_1 + n - 1));
            } else if (pick < 50) {
                what = QStringLiteral("Roll");
                kind = StepKind::Roll;
                if (rng() % 4 != 0) {
                    // A player takes a scoring die before rolling on.
                    if (QWidget *die = scoringDie(w, rng()))
                        QTest::mouseClick(die, Qt::LeftButton);
                    watch.before(int(prompts.messages.size()));
                }
                timers.setMsecsSinceMidnightUtc(qint64(rng() % 86400000u));
                if (rng() % 4)
                    QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
                else
                    QTest::keyClick(&w, Qt::Key_R);
                if (g.rollingDice() != 0) {
                    ++rolls;
                    if (rng() % 4 == 0) {
                        // Clicks while the dice turn change nothing.
                        timers.advance(qint64(rng() % 1500));
                    }
                    if (g.rollingDice() != 0 && rng() % 3 == 0) {
                        const GameState before = g.state();
                        QTest::mouseClick(rng() % 2 ? static_cast<QWidget *>(w.surface().btDone()) : w.surface().dice(int(rng() % 6) + 1),
                                          Qt::LeftButton);
                        if (memcmp(&before, &g.state(), sizeof before) != 0)
                            QFAIL("a click during a roll changed the game");
                    }
                    QVERIFY(rig::settle(w, timers));
                }
            } else if (pick < 60) {
                what = QStringLiteral("Done");
                kind = StepKind::Done;
                const qint32 before = g.state().Total;
                if (rng() % 3)
                    QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
                else
                    QTest::keyClick(&w, Qt::Key_D);
                banks += g.state().Total != before;
            } else if (pick < 68) {
                QGroupBox *box = rng() % 2 ? w.surface().rg10() : w.surface().rg5();
                const auto choices = box->findChildren<QRadioButton *>();
                QRadioButton *r = choices.isEmpty() ? nullptr : choices.at(int(rng() % choices.size()));
                what = QStringLiteral("choice");
                if (r && reachable(r))
                    QTest::mouseClick(r, Qt::LeftButton);
            } else if (pick < 73) {
                what = QStringLiteral("cheat");
                kind = StepKind::Roll;
                QPushButton *buttons[] = {w.surface().cheat(1), w.surface().cheat(2), w.surface().cheat(3), w.surface().cheat(4)};
                QTest::mouseClick(buttons[rng() % 4], Qt::LeftButton);
            } else if (pick < 78) {
                what = QStringLiteral("Pause");
                action(w, "aPause")->trigger();
            } else if (pick < 82) {
                what = QStringLiteral("time");
                timers.advance(qint64(rng() % 3000));
            } else if (pick < 89) {
                what = QStringLiteral("save and open");
                const Game::Snapshot before = g.snapshot();
                prompts.fileAnswers.enqueue(saved);
                prompts.confirmAnswers.clear();
                prompts.confirmAnswers.enqueue(true); // yes, replace the last one
                action(w, "aSave")->trigger();
                prompts.fileAnswers.enqueue(saved);
                action(w, "aOpen")->trigger();
                ++opens;
                if (!prompts.errors.isEmpty())
                    QFAIL(qPrintable(QStringLiteral("step %1: %2").arg(i).arg(prompts.errors.join(QLatin1Char('\n')))));
                if (encodeSavedGame(g.snapshot()) != encodeSavedGame(before))
                    QFAIL("saving and opening changed the game");
            } else if (pick < 93) {
                what = QStringLiteral("open a broken file");
                const GameState before = g.state();
                prompts.fileAnswers.enqueue(broken);
                action(w, "aOpen")->trigger();
                ++refusedOpens;
                QCOMPARE(prompts.errors.size(), 1);
                if (memcmp(&before, &g.state(), sizeof before) != 0)
                    QFAIL("a refused file changed the game");
            } else {
                what = QStringLiteral("New Game");
                const bool enabled = action(w, "aNew")->isEnabled();
                if (enabled)
                    kind = StepKind::NewGame;
                action(w, "aNew")->trigger();
            }
            for (const QString &m : prompts.messages.mid(watchFrom))
                wins += m == shown(g).gameTexts().msgWin;

            QString problem = watch.after(kind, prompts.messages);
            if (problem.isEmpty())
                problem = mirrorProblem(w);
            if (!problem.isEmpty())
                QFAIL(qPrintable(QStringLiteral("seed %1, step %2 (%3): %4").arg(seed).arg(i).arg(what, problem)));
        }
        qInfo("seed %u: %d window steps in %lld ms; %d rolls, %d banks, %d wins, %d saved and opened, %d refused",
              seed, kStepsPerSeed, clock.elapsed(), rolls, banks, wins, opens, refusedOpens);
        QVERIFY(rolls > kStepsPerSeed / 20);
        QVERIFY(banks > 0);
    }
};

QTEST_MAIN(TestSoakWindow)
#include "tst_soakwindow.moc"
