// SPDX-License-Identifier: GPL-3.0-or-later
// The advisor window: it follows the table, and a game it was open during is
// kept out of the top-ten tables.
#include "app/AdvisorWindow.h"
#include "app/ProgramDir.h"
#include "app/TfrmMain.h"
#include "app/THemisphereButton.h"
#include "game/TRxDice.h"
#include "game/TimerService.h"
#include "support/FakePrompts.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QAction>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestAdvisorWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    ManualTimerService m_timers;
    FakePrompts m_prompts;

    void roll(TfrmMain &w)
    {
        QTest::mouseClick(w.btRoll, Qt::LeftButton);
        QVERIFY(m_timers.runUntil([&w] { return w.game().RollingDice == 0; }));
    }
    // Start, a first roll that scores, then six ones banked as 800: 200 to go.
    void to800(TfrmMain &w)
    {
        QTest::mouseClick(w.btStart, Qt::LeftButton);
        roll(w);
        if (w.game().gs.NewRound)
            roll(w);
        QVERIFY(!w.game().gs.NewRound);
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        for (int n = 1; n <= 6; ++n)
            QTest::mouseClick(w.dice(n), Qt::LeftButton);
        QTest::mouseClick(w.btDone, Qt::LeftButton);
        QCOMPARE(w.game().gs.Total, 800);
    }
    // Five fives banked as 200: the win.
    void win(TfrmMain &w)
    {
        roll(w);
        if (w.game().gs.NewRound)
            roll(w);
        QVERIFY(!w.game().gs.NewRound);
        QTest::mouseClick(w.Button2, Qt::LeftButton);
        for (int n = 1; n <= 5; ++n)
            QTest::mouseClick(w.dice(n), Qt::LeftButton);
        QTest::mouseClick(w.btDone, Qt::LeftButton);
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        ProgramDir::set(m_dir->path() + QLatin1Char('/'));
        m_prompts = FakePrompts();
    }
    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void opensFromTheToolsMenuAndFollowsTheTable()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QVERIFY(w.aAdvisor);
        QCOMPARE(w.aAdvisor->text(), QStringLiteral("Advisor..."));
        QVERIFY(w.mTools->actions().contains(w.aAdvisor));
        QVERIFY(!w.assisted);
        w.aAdvisor->trigger();
        AdvisorWindow *a = w.advisorWindow();
        QVERIFY(a && a->isVisible());
        QVERIFY(a->isWindow());
        QVERIFY(w.assisted);
        QVERIFY(a->waitForSolution(60000));
        QTest::mouseClick(w.btStart, Qt::LeftButton);
        QVERIFY(a->lBust->text().contains(QStringLiteral("3.09")));
        QVERIFY(a->lRounds->text().contains(QLocale().toString(a->solution()->roundsFromTotal(0), 'f', 3)));
        roll(w);
        if (w.game().gs.NewRound)
            roll(w);
        // Six ones on the table: the best play is on show, and a click moves it.
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QVERIFY(a->lBest->text().startsWith(QStringLiteral("Best: Take 1 1 1 1 1 1")));
        QVERIFY(a->lvActions->count() > 1);
        QVERIFY(!a->lvActions->accessibleName().isEmpty());
        QVERIFY(!a->pbSolve->accessibleName().isEmpty());
        QTest::mouseClick(w.dice(1), Qt::LeftButton);
        QVERIFY(a->lBust->text().contains(QStringLiteral("5 dice")));
    }

    void opensBesideTheMainWindow()
    {
        TfrmMain w(m_prompts, m_timers, {});
        w.show();
        const QRect avail = w.screen()->availableGeometry();
        QWidget other(nullptr, Qt::Window);
        other.resize(100, 80);
        // Room on the right: it goes there, level with the top.
        w.move(avail.topLeft());
        w.placeBeside(&other);
        QVERIFY(other.x() > w.frameGeometry().right());
        QCOMPARE(other.y(), w.frameGeometry().top());
        // None on the right: on the left.
        w.move(avail.right() + 1 - w.frameGeometry().width(), avail.top());
        w.placeBeside(&other);
        QVERIFY(other.x() + other.width() <= w.frameGeometry().left());
        QVERIFY(avail.contains(QRect(other.pos(), other.size())));
    }

    void bothBandRulesShareASolutionWhereTheyAgree()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        w.game().settings.Winner = 1000;
        w.game().settings.Valid = false;
        w.aAdvisor->trigger();
        AdvisorWindow *a = w.advisorWindow();
        QVERIFY(a->waitForSolution(60000));
        const auto single = a->solution();
        // Up to 1000 no bank reaches 1400-1500: nothing to solve again.
        w.game().settings.Valid = true;
        QCOMPARE(a->solution(), single);
        a->refresh();
        QVERIFY(!a->solving());
        QVERIFY(!a->lStatus->text().startsWith(QStringLiteral("Working out")));
        // At 2000 the rules differ, and each has its own solution.
        w.game().settings.Winner = 2000;
        QVERIFY(!a->solution());
        QVERIFY(a->waitForSolution(60000));
        QVERIFY(a->solution()->valid());
        w.game().settings.Valid = false;
        QVERIFY(!a->solution());
    }

    void saysWhyItCannotAdvise()
    {
        TfrmMain w(m_prompts, m_timers, {});
        w.game().settings.Winner = 1003;
        w.aAdvisor->trigger();
        AdvisorWindow *a = w.advisorWindow();
        QVERIFY(a->waitForSolution(60000));
        QVERIFY(a->lStatus->text().contains(QStringLiteral("can never be reached")));
        // A total from a hand-made settings file, beyond what is worked out.
        w.game().settings.Winner = 250000;
        QVERIFY(a->waitForSolution(60000));
        QVERIFY(a->lStatus->text().contains(QStringLiteral("up to 100000 points")));
    }

    void anAssistedWinStaysOutOfTheTopTen()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        w.aAdvisor->trigger();
        to800(w);
        // Closing the window does not make the game a fair one again.
        w.advisorWindow()->close();
        QVERIFY(w.assisted);
        win(w);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("Congratulation !")));
        QVERIFY(m_prompts.messages.last().contains(QStringLiteral("not entered in the top-ten tables")));
        QVERIFY(!m_prompts.messages.contains(QStringLiteral("You have a new high score!")));
        QCOMPARE(m_prompts.nameFieldStarts.size(), 0);
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrT.ini"))));
        // The next game, begun with the window closed, is a fair one.
        QVERIFY(!w.assisted);
        QTest::mouseClick(w.btCont, Qt::LeftButton);
        to800(w);
        win(w);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("You have a new high score!")));
        QVERIFY(QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
    }

    void aGameBegunWithTheWindowOpenIsAssisted()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        w.aAdvisor->trigger();
        w.aNew->trigger();
        QVERIFY(w.assisted);
        w.advisorWindow()->hide();
        w.aNew->trigger();
        QVERIFY(!w.assisted);
    }
};

QTEST_MAIN(TestAdvisorWindow)
#include "tst_advisorwindow.moc"
