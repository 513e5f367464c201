// SPDX-License-Identifier: GPL-3.0-or-later
// The advisor window: it follows the table, says what each phase of the game
// is, and a game it was open during is kept out of the top-ten tables. The
// review window beside it: its list and chart in step with the game played,
// and the same rule for a game it shows in progress.
#include "app/AdvisorWindow.h"
#include "app/ReviewWindow.h"
#include "app/Placement.h"
#include "app/SideWindow.h"
#include "base/ProgramDir.h"
#include "support/WindowRig.h"
#include "game/EngineRig.h"
#include "game/Scoring.h"
#include "base/UiTexts.h"
#include "support/FakePrompts.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
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

    // A roll that comes to rest scoring, or bust; the window says "Rolling..." while the dice turn.
    void rollTo(TfrmMain &w, bool scores)
    {
        rig::rollTo(w, m_timers, scores, [&w] {
            QVERIFY(w.game().rollingDice() > 0);
            QCOMPARE(w.sideWindows().advisor()->lStatus()->text(), uiText("advRolling"));
        });
    }
    static QString position(qint32 total, qint32 round, qint64 points)
    {
        return QStringLiteral("Total %1, round %2, points this round %3.").arg(total).arg(round).arg(points);
    }
    // What the window shows, line by line, when a message comes up.
    struct Seen
    {
        QString status, bust, rounds, best;
        int plays = -1;
    };
    static Seen seen(const AdvisorWindow *a)
    {
        return {a->lStatus()->text(), a->lBust()->text(), a->lRounds()->text(), a->lBest()->text(), a->lvActions()->count()};
    }
    // Every play that keeps dice names them by position, each with the face
    // that die shows, in one order; returns how many plays kept dice.
    static int checkPlaysNameTheirDice(const AdvisorWindow *a, const Game &g, int *choicePicks = nullptr)
    {
        int dummy = 0;
        int &picks = choicePicks ? *choicePicks : dummy;
        static const QRegularExpression keep(QStringLiteral("Keep dic?e ([1-6](?:, [1-6])*) \\(([1-6](?:, [1-6])*)\\) for \\d+ points"));
        QStringList plays{a->lBest()->text()};
        for (int k = 0; k < a->lvActions()->count(); ++k)
            plays << a->lvActions()->item(k)->text();
        int keeping = 0;
        for (const QString &play : plays) {
            const QRegularExpressionMatch m = keep.match(play);
            if (!m.hasMatch())
                continue;
            ++keeping;
            const QStringList dice = m.captured(1).split(QStringLiteral(", "));
            const QStringList faces = m.captured(2).split(QStringLiteral(", "));
            if (dice.size() != faces.size())
                return -1;
            for (int i = 0; i < dice.size(); ++i) {
                const int n = dice[i].toInt();
                if ((i > 0 && n <= dice[i - 1].toInt()) || g.die(n).color == DieKept
                    || g.die(n).value != faces[i].toInt())
                    return -1;
            }
            // An entry to pick is one of its list's, never the first (kept anyway).
            for (const int face : {1, 5}) {
                const QString as = face == 1 ? QStringLiteral(", ones as ") : QStringLiteral(", fives as ");
                const int at = play.indexOf(as);
                if (at < 0)
                    continue;
                const QVector<ChoiceEntry> entries = choiceEntries(face, int(faces.count(QString::number(face))));
                bool listed = false;
                for (int k = 1; k < entries.size(); ++k)
                    listed = listed || play.mid(at + as.size()).startsWith(entries[k].text + QLatin1Char(','));
                if (!listed)
                    return -1;
                ++picks;
            }
        }
        return keeping;
    }
    // Start, a first roll that scores, then six ones banked as 800: 200 to go.
    void to800(TfrmMain &w)
    {
        rig::stage(w, m_timers, 0);
        rig::setFaces(w, 1);
        rig::clickAllDice(w);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        QCOMPARE(w.game().state().Total, 800);
    }
    // Five fives banked as 200: the win.
    void win(TfrmMain &w)
    {
        rig::roll(w, m_timers);
        if (w.game().state().NewRound)
            rig::roll(w, m_timers);
        QVERIFY(!w.game().state().NewRound);
        rig::setFaces(w, 2);
        for (int n = 1; n <= 5; ++n)
            QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
    }

    // The review window open and up to date with the game on the table.
    ReviewWindow *review(TfrmMain &w)
    {
        if (!w.sideWindows().review() || !w.sideWindows().review()->isVisible())
            action(w, "aReview")->trigger();
        ReviewWindow *r = w.sideWindows().review();
        const GameRecord &rec = w.game().record();
        const auto shown = [&] {
            return !w.solver().jobsPending() && r->review().chart.size() == rec.steps().size() + 1
                    && r->record().won() == rec.won();
        };
        if (!w.solver().waitFor(w.game().gameSettings().rules(), 60000) || !QTest::qWaitFor(shown, 60000))
            return nullptr;
        QCoreApplication::processEvents();
        return r;
    }
    // A real roll that scores, then the first one or five taken and a roll on,
    // or a bank once the round holds 300.
    void playAStep(TfrmMain &w)
    {
        const auto rollScoring = [&] { rig::rollTo(w, m_timers, true); };
        if (w.game().state().NewRound) {
            rollScoring();
            return;
        }
        for (int n = 1; n <= 6; ++n) {
            const DieModel &d = w.game().die(n);
            if (d.color == DieFree && (d.value == 1 || d.value == 5)) {
                QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
                break;
            }
        }
        if (w.game().state().SelCount[1] + w.game().state().SelCount[5] == 0 || w.game().state().SubScore >= 300) {
            QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
            return;
        }
        rollScoring();
    }
    static int keeps(const GameRecord &r)
    {
        int n = 0;
        for (const RecordStep &s : r.steps())
            n += s.kind == RecordStep::Keep ? 1 : 0;
        return n;
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
        QVERIFY(action(w, "aAdvisor"));
        QCOMPARE(Mnemonics::plainText(action(w, "aAdvisor")), QStringLiteral("Advisor..."));
        QVERIFY(menu(w, "mTools")->actions().contains(action(w, "aAdvisor")));
        QVERIFY(!w.sideWindows().assisted());
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QVERIFY(a && a->isVisible());
        QVERIFY(a->isWindow());
        // Over the cover the game is clean until it is played on.
        QVERIFY(!w.sideWindows().assisted());
        QVERIFY(a->waitForSolution(60000));
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        QVERIFY(w.sideWindows().assisted());
        QVERIFY(a->lBust()->text().contains(QStringLiteral("3.09")));
        QVERIFY(a->lRounds()->text().contains(QLocale().toString(a->solution()->roundsFromTotal(0), 'f', 3)));
        rig::roll(w, m_timers);
        if (w.game().state().NewRound)
            rig::roll(w, m_timers);
        // Six ones on the table: the best play is on show, and a click moves it.
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        QVERIFY(a->lBest()->text().startsWith(QStringLiteral("Best play (")));
        QVERIFY(a->lBest()->text().contains(QStringLiteral("): Keep dice 1, 2, 3, 4, 5, 6 (1, 1, 1, 1, 1, 1) for ")));
        QVERIFY(a->lvActions()->count() > 1);
        QVERIFY(!a->lvActions()->accessibleName().isEmpty());
        QVERIFY(!a->pbSolve()->accessibleName().isEmpty());
        QTest::mouseClick(w.surface().dice(1), Qt::LeftButton);
        QVERIFY(a->lBust()->text().contains(QStringLiteral("5 dice")));
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
        w.sideWindows().placeBeside(&other);
        QVERIFY(other.x() > w.frameGeometry().right());
        QCOMPARE(other.y(), w.frameGeometry().top());
        // None on the right: on the left.
        w.move(avail.right() + 1 - w.frameGeometry().width(), avail.top());
        w.sideWindows().placeBeside(&other);
        QVERIFY(other.x() + other.width() <= w.frameGeometry().left());
        QVERIFY(avail.contains(QRect(other.pos(), other.size())));
        // Opened from the menu it lands whole on the screen, and so again when
        // opened after the main window has moved.
        w.move(avail.topLeft());
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QVERIFY(avail.contains(a->frameGeometry()));
        const QPoint first = a->pos();
        a->close();
        w.move(avail.right() + 1 - w.frameGeometry().width(), avail.bottom() + 1 - w.frameGeometry().height());
        action(w, "aAdvisor")->trigger();
        QVERIFY(avail.contains(a->frameGeometry()));
        QVERIFY(a->pos() != first);
    }

    void bothBandRulesShareASolutionWhereTheyAgree()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        setRules(w.game(), {1000, false});
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QVERIFY(a->waitForSolution(60000));
        const auto single = a->solution();
        // Up to 1000 no bank reaches 1400-1500: nothing to solve again.
        setRules(w.game(), {1000, true});
        QCOMPARE(a->solution(), single);
        a->refresh();
        QVERIFY(!a->solving());
        QVERIFY(!a->lStatus()->text().startsWith(QStringLiteral("Working out")));
        // At 2000 the rules differ, and each has its own solution.
        setRules(w.game(), {2000, true});
        QVERIFY(!a->solution());
        QVERIFY(a->waitForSolution(60000));
        QVERIFY(a->solution()->valid());
        setRules(w.game(), {2000, false});
        QVERIFY(!a->solution());
    }

    void saysWhyItCannotAdvise()
    {
        TfrmMain w(m_prompts, m_timers, {});
        setRules(w.game(), {1003, false});
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QVERIFY(a->waitForSolution(60000));
        QVERIFY(a->lStatus()->text().contains(QStringLiteral("can never be reached")));
        // A total from a hand-made settings file, beyond what is worked out.
        setRules(w.game(), {250000, false});
        QVERIFY(a->waitForSolution(60000));
        QVERIFY(a->lStatus()->text().contains(QStringLiteral("up to 100000 points")));
    }

    void anAssistedWinStaysOutOfTheTopTen()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        action(w, "aAdvisor")->trigger();
        to800(w);
        // Closing the window does not make the game a fair one again.
        w.sideWindows().advisor()->close();
        QVERIFY(w.sideWindows().assisted());
        win(w);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("Congratulation !")));
        QVERIFY(m_prompts.messages.last().contains(QStringLiteral("not entered in the top-ten tables")));
        QVERIFY(!m_prompts.messages.contains(QStringLiteral("You have a new high score!")));
        QCOMPARE(m_prompts.nameFieldStarts.size(), 0);
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrT.ini"))));
        // The next game, begun with the window closed, is a fair one.
        QVERIFY(!w.sideWindows().assisted());
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        to800(w);
        win(w);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("You have a new high score!")));
        QVERIFY(QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
    }

    void aGameBegunWithTheWindowOpenIsAssisted()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        action(w, "aAdvisor")->trigger();
        to800(w);
        win(w);
        // The game prepared behind the cover after a win is clean until it is played on.
        QVERIFY(!w.sideWindows().assisted());
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        QVERIFY(w.sideWindows().assisted());
        action(w, "aNew")->trigger();
        QVERIFY(w.sideWindows().assisted());
        w.sideWindows().advisor()->hide();
        action(w, "aNew")->trigger();
        QVERIFY(!w.sideWindows().assisted());
    }

    // A game through the engine, phase by phase: the lines the window shows.
    void statusLinesThroughTheRounds()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QVERIFY(a->waitForSolution(60000));
        const Game &g = w.game();
        const auto expected = [a](qint32 total) {
            return QStringLiteral("Expected rounds to the win, this one included: %1")
                    .arg(QLocale().toString(1.0 + a->solution()->roundsFromTotal(total), 'f', 3));
        };
        // Opened over the cover, it warns while the game still counts; once
        // the game is played with it open, it says the game stays out.
        QCOMPARE(a->windowTitle(), QStringLiteral("Advisor"));
        QVERIFY(!a->lAssisted()->isHidden());
        QVERIFY(!w.sideWindows().assisted());
        QCOMPARE(a->lAssisted()->text(), uiText("advStillCounts"));
        // Before Start.
        QCOMPARE(a->lStatus()->text(), QStringLiteral("No game running."));
        QCOMPARE(a->lBust()->text(), QStringLiteral("Start a game and the advice follows."));
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        QVERIFY(w.sideWindows().assisted());
        QCOMPARE(a->lAssisted()->text(),
                 QStringLiteral("A game during which the advisor is opened is not entered in the top-ten tables."));
        QCOMPARE(a->lStatus()->text(), position(0, 1, 0));
        QCOMPARE(a->lBust()->text(), QStringLiteral("Next roll: 6 dice, bust chance %1% (costs 100 points).")
                                           .arg(QLocale().toString(100 * AdvisorSolution::bustChance(6), 'f', 2)));

        // Hot dice: three ones and three fives, all six taken.
        rollTo(w, true);
        QTest::mouseClick(w.surface().cheat(4), Qt::LeftButton);
        int picks = 0;
        QVERIFY(checkPlaysNameTheirDice(a, g, &picks) > 0);
        QVERIFY(picks > 0); // 3 * 10 or 3 * 5 rank among the plays here
        // Nothing selected yet: no roll on to weigh, only what to do.
        QCOMPARE(a->lBust()->text(), uiText("advNothingSelected"));
        rig::clickAllDice(w);
        const qint32 hot = g.state().SelScore;
        QVERIFY(hot > 0);
        QCOMPARE(a->lStatus()->text(), position(0, 1, hot));
        QVERIFY(a->lBust()->text().startsWith(QStringLiteral("Rolling on with this selection: 6 dice, bust chance ")));
        // Right after the roll that follows, the selection counts once, as in Subtotal.
        rollTo(w, true);
        QCOMPARE(shown(g).eSubScore(), hot);
        QCOMPARE(a->lStatus()->text(), position(0, 1, hot));
        QVERIFY(a->lBest()->text().startsWith(QStringLiteral("Best play (")));
        QVERIFY(checkPlaysNameTheirDice(a, g) > 0);

        // One die taken, then a roll that scores nothing: while its message is
        // up the window says so and advises nothing.
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        QTest::mouseClick(w.surface().dice(1), Qt::LeftButton);
        const qint32 before = shown(g).eSubScore();
        QCOMPARE(before, hot + 10);
        QCOMPARE(a->lStatus()->text(), position(0, 1, before));
        QVERIFY(checkPlaysNameTheirDice(a, g) > 0);
        Seen atMessage;
        QString subtotalAtMessage;
        m_prompts.onMessage = [&](const QString &) {
            atMessage = seen(a);
            subtotalAtMessage = w.surface().eSubScore()->text();
        };
        rollTo(w, false);
        QCOMPARE(m_prompts.messages.last(), shown(g).gameTexts().msgFail);
        // The points are gone before the message, in Subtotal and here alike.
        QCOMPARE(atMessage.status, position(0, 1, 0));
        QCOMPARE(subtotalAtMessage, QStringLiteral("0"));
        QCOMPARE(atMessage.bust, QStringLiteral("Bust: nothing in this roll scores, so there is nothing to choose. "
                                                "The round ends and its points are lost."));
        QCOMPARE(atMessage.rounds, expected(0));
        QCOMPARE(atMessage.best, QString());
        QCOMPARE(atMessage.plays, 0);
        // A first roll that scores nothing costs 100 points.
        QCOMPARE(a->lStatus()->text(), position(0, 2, 0));
        rollTo(w, false);
        QCOMPARE(m_prompts.messages.last(), shown(g).gameTexts().msgCrash);
        QCOMPARE(atMessage.status, position(0, 2, -100));
        QCOMPARE(subtotalAtMessage, QStringLiteral("-100")); // the penalty shows before its message
        QCOMPARE(atMessage.bust, QStringLiteral("Bust: nothing in this roll scores, so there is nothing to choose. "
                                                "The round ends and 100 points are taken off the total."));
        QCOMPARE(atMessage.rounds, expected(-100));
        QCOMPARE(atMessage.plays, 0);
        m_prompts.onMessage = nullptr;

        // Paused with a five taken: the position, and the advice kept for Continue.
        rollTo(w, true);
        QTest::mouseClick(w.surface().cheat(2), Qt::LeftButton);
        QTest::mouseClick(w.surface().dice(2), Qt::LeftButton);
        action(w, "aPause")->trigger();
        QVERIFY(shown(g).coverVisible());
        QCOMPARE(a->lStatus()->text(), QStringLiteral("The game is paused: total -100, round 3, points this round 5."));
        QCOMPARE(a->lBust()->text(), QStringLiteral("The advice comes back on Continue."));
        QCOMPARE(a->lBest()->text(), QString());
        QCOMPARE(a->lvActions()->count(), 0);
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        QCOMPARE(a->lStatus()->text(), position(-100, 3, 5));
        QVERIFY(a->lvActions()->count() > 0);
    }

    void statusLinesAroundAWin()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QVERIFY(a->waitForSolution(60000));
        const Game &g = w.game();
        to800(w);
        // Five fives banked as 200 in the next roll that scores.
        rollTo(w, true);
        rig::setFaces(w, 2);
        for (int n = 1; n <= 5; ++n)
            QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
        const QString won = QStringLiteral("The game is won: 1000 points, reached in round %1.").arg(g.state().RoundNo);
        QMap<QString, Seen> atMessage;
        m_prompts.onMessage = [&](const QString &text) { atMessage[text] = seen(a); };
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        m_prompts.onMessage = nullptr;
        // The win, and the notice that it stays out of the tables: no next roll.
        for (const QString &message : {shown(g).gameTexts().msgWin, uiText("msgAssisted")}) {
            QVERIFY2(atMessage.contains(message), qPrintable(message));
            const Seen s = atMessage.value(message);
            QCOMPARE(s.status, won);
            QCOMPARE(s.bust, QString());
            QCOMPARE(s.rounds, QString());
            QCOMPARE(s.plays, 0);
        }
        // The cover after the win, until the next game is taken up.
        QVERIFY(shown(g).coverVisible() && shown(g).contVisible());
        QCOMPARE(a->lStatus()->text(), won);
        QCOMPARE(a->lBust()->text(), QStringLiteral("Continue or Start begins the next game."));
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        QCOMPARE(a->lStatus()->text(), position(0, 1, 0));
        QVERIFY(a->lBust()->text().startsWith(QStringLiteral("Next roll: 6 dice")));
        action(w, "aPause")->trigger();
        QCOMPARE(a->lStatus()->text(), QStringLiteral("The game is paused: total 0, round 1, points this round 0."));
    }

    void sideWindowsCloseOnEscapeAlone_data()
    {
        QTest::addColumn<QString>("open");
        for (const char *name : {"aAdvisor", "aStatistics", "aReview", "aPractice"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void sideWindowsCloseOnEscapeAlone()
    {
        // Escape closes a window beside the game, also from its list where the
        // focus usually is; other keys leave it open, and opening it again
        // leaves it where it stands.
        QFETCH(QString, open);
        TfrmMain w(m_prompts, m_timers, {});
        w.show();
        QAction *opener = action(w, open.toLatin1().constData());
        opener->trigger();
        SideWindow *side = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *candidate = qobject_cast<SideWindow *>(top); candidate && candidate->isVisible())
                side = candidate;
        QVERIFY(side);
        QWidget *list = nullptr;
        for (QAbstractItemView *view : side->findChildren<QAbstractItemView *>())
            list = list ? list : (view->isVisible() ? view : nullptr);
        QVERIFY(list);
        QTest::keyClick(side, Qt::Key_Escape, Qt::ShiftModifier);
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(side->isVisible());
        const QPoint at = side->pos();
        opener->trigger();
        QCOMPARE(side->pos(), at);
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!side->isVisible());
    }

    void itsTextsComeFromTheLanguageFile()
    {
        rig::writeProgramFile(QStringLiteral("Korvex.lng"), "[Advisor]\r\nadvTitle=Ratgeber\r\nadvNoGame=Kein Spiel.\r\nadvRanking=Alle Zuege:\r\n"
                              "advProgressName=Rechnet\r\nadvProgress=%1 Prozent\r\nadvWorking=Rechnet fuer %1...\r\n");
        TfrmMain w(m_prompts, m_timers, {});
        setRules(w.game(), {1500, false});
        action(w, "aAdvisor")->trigger();
        AdvisorWindow *a = w.sideWindows().advisor();
        QCOMPARE(a->lStatus()->text(), QStringLiteral("Rechnet fuer 1500..."));
        QCOMPARE(a->pbSolve()->format(), QStringLiteral("0 Prozent"));
        QCOMPARE(a->pbSolve()->accessibleName(), QStringLiteral("Rechnet"));
        QVERIFY(a->waitForSolution(60000));
        QCOMPARE(a->windowTitle(), QStringLiteral("Ratgeber"));
        QCOMPARE(a->lStatus()->text(), QStringLiteral("Kein Spiel."));
        QCOMPARE(a->lRanking()->text(), QStringLiteral("Alle Zuege:"));
        QCOMPARE(a->lvActions()->accessibleName(), QStringLiteral("Alle Zuege:"));
        // What the file leaves out keeps its English default.
        QCOMPARE(a->lBust()->text(), QStringLiteral("Start a game and the advice follows."));
        resetUiTexts();
    }

    // --- the review window ---

    void reviewOpensFromTheToolsMenuAndFollowsTheGame()
    {
        TfrmMain w(m_prompts, m_timers, {});
        w.show();
        w.move(w.screen()->availableGeometry().topLeft());
        QVERIFY(action(w, "aReview") && menu(w, "mTools")->actions().contains(action(w, "aReview")));
        QCOMPARE(Mnemonics::plainText(action(w, "aReview")), QStringLiteral("Review Game..."));
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        ReviewWindow *r = review(w);
        QVERIFY(r && r->isVisible() && r->isWindow());
        QCOMPARE(r->windowTitle(), QStringLiteral("Game Review"));
        QVERIFY(w.screen()->availableGeometry().contains(r->frameGeometry()));
        for (QWidget *c : std::initializer_list<QWidget *>{r->chart(), r->lvDecisions(), r->lvRanking(), r->pbSolve()})
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        QCOMPARE(r->lStatus()->text(), uiText("revNothingYet"));
        // The chart and both lists are reached by Tab.
        for (QWidget *c : std::initializer_list<QWidget *>{r->chart(), r->lvDecisions(), r->lvRanking()})
            QVERIFY2(c->focusPolicy() & Qt::TabFocus, qPrintable(c->objectName()));
        QCOMPARE(r->lvDecisions()->count(), 0);
        // Step by step through a known game: the list and the chart keep up with the record.
        for (int k = 0; k < 24; ++k) {
            playAStep(w);
            QCOMPARE(review(w), r);
            const GameRecord &rec = w.game().record();
            QCOMPARE(int(r->record().steps().size()), int(rec.steps().size()));
            QCOMPARE(r->lvDecisions()->count(), keeps(rec));
            QCOMPARE(int(r->review().chart.size()), int(rec.steps().size()) + 1);
            QVERIFY(r->review().complete);
        }
        const GameReview &v = r->review();
        QVERIFY(v.decisions.size() >= 4);
        QVERIFY(r->lSummary()->text().startsWith(QStringLiteral("Rounds played so far: %1.").arg(v.roundsPlayed)));
        QVERIFY(r->lSummary()->text().contains(QLocale().toString(v.decisionsLost, 'f', 2)));
        const auto many = [](int n, const char *one, const char *other) {
            return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : other);
        };
        QCOMPARE(r->lCounts()->text(), QStringLiteral("Decisions: %1 best or close to it, %2, %3, %4.")
                                               .arg(v.count[0])
                                               .arg(many(v.count[1], "inaccuracy", "inaccuracies"),
                                                    many(v.count[2], "mistake", "mistakes"), many(v.count[3], "blunder", "blunders")));
        static const QRegularExpression sentence(QStringLiteral(
                "^Round \\d+: (kept [1-6]( [1-6])* and (banked \\d+|rolled ([2-6] dice|1 die))|banked \\d+)"
                "(; the best play|; best was to .+; cost \\d+\\.\\d\\d rounds(, (an inaccuracy|a mistake|a blunder))?)$"));
        for (int i = 0; i < r->lvDecisions()->count(); ++i) {
            const QListWidgetItem *item = r->lvDecisions()->item(i);
            QVERIFY2(sentence.match(item->text()).hasMatch(), qPrintable(item->text()));
            QCOMPARE(item->data(Qt::AccessibleTextRole).toString(), item->text());
            QVERIFY(item->text().startsWith(QStringLiteral("Round %1:").arg(v.decisions[size_t(i)].round)));
            // Selecting a decision selects its step on the chart, its dice and its ranking.
            r->lvDecisions()->setCurrentRow(i);
            QCOMPARE(r->chart()->selectedStep(), v.decisions[size_t(i)].step);
            QVERIFY(r->lvRanking()->count() >= 2);
            QVERIFY(r->lvRanking()->item(0)->text().startsWith(QLocale().toString(v.decisions[size_t(i)].best.rounds, 'f', 3)));
            int shown = 0, taken = 0;
            for (int n = 1; n <= 6; ++n) {
                shown += r->die(n)->isVisibleTo(r) ? 1 : 0;
                taken += r->die(n)->isVisibleTo(r) && r->die(n)->dieState() == TRxDice::Selected ? 1 : 0;
            }
            QCOMPARE(shown, 6);
            QCOMPARE(taken, v.decisions[size_t(i)].made.keep.kept);
        }
        // The chart by keys: Home to the start, Ctrl+Right from decision to decision.
        r->chart()->setFocus();
        QTest::keyClick(r->chart(), Qt::Key_Home);
        QCOMPARE(r->chart()->selectedStep(), -1);
        QCOMPARE(r->chart()->accessibleDescription(),
                 uiText("revChartStart").arg(QLocale().toString(v.bestFromStart, 'f', 2)));
        // The first step is the first roll: its faces, its luck and the line's value.
        QTest::keyClick(r->chart(), Qt::Key_Right);
        QVERIFY(r->chart()->accessibleDescription().startsWith(QStringLiteral("Round 1: rolled ")));
        const QString luck = QLocale().toString(std::fabs(v.rolls.front().luck), 'f', 2);
        QVERIFY2(r->chart()->accessibleDescription().contains(QStringLiteral("; luck ")
                                                              + (v.rolls.front().luck < 0 ? QStringLiteral("-") : QString())),
                 qPrintable(r->chart()->accessibleDescription()));
        QVERIFY(r->chart()->accessibleDescription().contains(luck + QStringLiteral(" rounds; rounds played plus expected: ")));
        QTest::keyClick(r->chart(), Qt::Key_Home);
        for (int i = 0; i < int(v.decisions.size()); ++i) {
            QTest::keyClick(r->chart(), Qt::Key_Right, Qt::ControlModifier);
            QCOMPARE(r->chart()->selectedStep(), v.decisions[size_t(i)].step);
            QCOMPARE(r->lvDecisions()->currentRow(), i);
            QCOMPARE(r->chart()->accessibleDescription().left(20), r->decisionSentence(i).left(20));
        }
        // A step that is no decision keeps the one before it in the list.
        QTest::keyClick(r->chart(), Qt::Key_Right);
        QCOMPARE(r->lvDecisions()->currentRow(), int(v.decisions.size()) - 1);
        // The mouse: a press over a decision's point selects it.
        const int pick = int(v.decisions.size()) / 2;
        const int x = int(std::lround(r->chart()->xOf(v.decisions[size_t(pick)].step)));
        QCOMPARE(r->chart()->stepAt(x), v.decisions[size_t(pick)].step);
        QTest::mouseClick(r->chart(), Qt::LeftButton, {}, QPoint(x, r->chart()->height() / 2));
        QCOMPARE(r->lvDecisions()->currentRow(), pick);
        // Escape closes it.
        QTest::keyClick(r, Qt::Key_Escape);
        QVERIFY(!r->isVisible());
    }

    void reviewingAGameInProgressAssistsIt()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        to800(w);
        QVERIFY(!w.sideWindows().assisted());
        ReviewWindow *r = review(w);
        QVERIFY(r);
        QVERIFY(w.sideWindows().assisted());
        // The test button's six ones are no luck of the dice, and the window says so.
        QVERIFY(r->review().testSteps);
        QVERIFY(r->lNote()->text().contains(uiText("revTestSteps")));
        r->close();
        win(w);
        QVERIFY(m_prompts.messages.last().contains(QStringLiteral("not entered in the top-ten tables")));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
    }

    void reviewingAGameWonChangesNothing()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        to800(w);
        win(w);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("You have a new high score!")));
        const QString table = ProgramDir::file(QStringLiteral("KVXScrP.ini"));
        QFile before(table);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray stored = before.readAll();
        before.close();
        const int messages = m_prompts.messages.size();
        QVERIFY(!w.sideWindows().assisted());
        // Behind the cover the game just won is the one reviewed.
        ReviewWindow *r = review(w);
        QVERIFY(r && r->review().finished);
        QCOMPARE(r->lStatus()->text(), uiText("revWon").arg(1000).arg(2));
        QCOMPARE(r->review().roundsPlayed, 2);
        QVERIFY(r->lSummary()->text().startsWith(QStringLiteral("Rounds played: 2.")));
        QVERIFY(!w.sideWindows().assisted());
        QFile after(table);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), stored);
        QCOMPARE(m_prompts.messages.size(), messages);
        // Continue begins the next game; till it is played the open window
        // still shows the game won, and assists nothing.
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(r->record().won() && r->review().finished);
        QVERIFY(!w.sideWindows().assisted());
        // Its first roll shows in the open window: assisted.
        rig::roll(w, m_timers);
        QTRY_VERIFY(w.sideWindows().assisted());
        QTRY_VERIFY(!r->record().won());
        // Closed, the game after is a fair one again.
        r->close();
        action(w, "aNew")->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!w.sideWindows().assisted());
    }

    void reviewSaysWhatItCanOfAnOddGame()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        Game::Snapshot s = w.game().snapshot();
        s.total = 1003; // past the winning total, no multiple of 5
        w.game().restore(s);
        for (int k = 0; k < 6; ++k)
            playAStep(w);
        ReviewWindow *r = review(w);
        QVERIFY(r);
        QVERIFY(!r->review().complete);
        QVERIFY(r->lNote()->text().contains(uiText("revOpened").arg(1)));
        QVERIFY(r->lNote()->text().contains(uiText("revPartial")));
        for (int i = 0; i < r->lvDecisions()->count(); ++i)
            QVERIFY(r->lvDecisions()->item(i)->text().endsWith(QStringLiteral("; not valued")));
        // The chart draws with nothing valued, and keys move over it.
        QVERIFY(!r->chart()->grab().isNull());
        QTest::keyClick(r->chart(), Qt::Key_End);
        QCOMPARE(r->chart()->selectedStep(), int(w.game().record().steps().size()) - 1);
        // A winning total no play can reach: it says so, and lists the plays unvalued.
        r->close();
        setRules(w.game(), {1003, false});
        action(w, "aNew")->trigger();
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        for (int k = 0; k < 3; ++k)
            playAStep(w);
        r = review(w);
        QVERIFY(r);
        QCOMPARE(r->lStatus()->text(), uiText("revNeverReached").arg(1003));
        QCOMPARE(r->lvDecisions()->count(), keeps(w.game().record()));
        QCOMPARE(r->review().decisionsLost, 0.0);
    }

    void placesWholeOnTheScreen_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("placed");
        const QRect hd(0, 0, 1920, 1080);
        QTest::newRow("room on the right") << QRect(100, 50, 640, 480) << QSize(560, 380) << hd
                                           << QRect(748, 50, 560, 380);
        QTest::newRow("room on the left only") << QRect(1200, 50, 640, 480) << QSize(560, 380) << hd
                                               << QRect(632, 50, 560, 380);
        QTest::newRow("no room beside: lowered below it") << QRect(100, 0, 800, 600) << QSize(560, 380)
                                                          << QRect(0, 0, 1024, 768) << QRect(100, 608, 560, 160);
        QTest::newRow("low on the screen: lifted") << QRect(100, 900, 640, 480) << QSize(560, 380) << hd
                                                   << QRect(748, 700, 560, 380);
        QTest::newRow("a panel at the top") << QRect(0, 0, 640, 480) << QSize(560, 380) << QRect(0, 32, 1920, 1048)
                                            << QRect(648, 32, 560, 380);
        QTest::newRow("main window partly off the screen") << QRect(-300, -40, 640, 480) << QSize(560, 380) << hd
                                                           << QRect(348, 0, 560, 380);
        QTest::newRow("second screen, right of the first") << QRect(2000, 100, 800, 600) << QSize(560, 380)
                                                           << QRect(1920, 0, 1280, 1024)
                                                           << QRect(2000, 708, 560, 316);
        QTest::newRow("second screen, left of the first") << QRect(-700, 100, 640, 480) << QSize(560, 380)
                                                          << QRect(-1280, 0, 1280, 1024)
                                                          << QRect(-1268, 100, 560, 380);
        QTest::newRow("larger than the screen: shrunk") << QRect(0, 0, 640, 480) << QSize(1400, 900)
                                                        << QRect(0, 0, 1024, 768) << QRect(0, 0, 1024, 768);
    }

    void placesWholeOnTheScreen()
    {
        QFETCH(QRect, main);
        QFETCH(QSize, size);
        QFETCH(QRect, screen);
        QFETCH(QRect, placed);
        const QRect r = placeBesideFrame(main, size, screen);
        QCOMPARE(r, placed);
        QVERIFY(screen.contains(r));
    }

    // A small screen: the game centred on 1024 x 768, its dice and buttons kept in sight.
    void placesClearOfTheDice_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("narrowed beside") << QSize(562, 600) << QSize(150, 200) << QRect(0, 168, 270, 600);
        QTest::newRow("over the title, not the dice") << QSize(562, 260) << QSize(500, 240) << QRect(0, 0, 562, 260);
        QTest::newRow("shrunk above the dice") << QSize(702, 585) << QSize(488, 150) << QRect(0, 0, 702, 289);
        // The statistics, framed: shrunk into the largest room clear of the dice.
        QTest::newRow("statistics") << QSize(1090, 670) << QSize(346, 196) << QRect(0, 0, 1024, 289);
    }
    void placesClearOfTheDice()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, minimum);
        QFETCH(QRect, placed);
        const QRect screen(0, 0, 1024, 768), main(278, 218, 469, 348), dice(283, 297, 457, 241);
        const QRect r = placeBesideFrame(main, size, screen, dice, minimum);
        QCOMPARE(r, placed);
        QVERIFY(screen.contains(r));
        QVERIFY(!r.intersects(dice));
    }

    // A message box goes below the dice and the buttons, else above them.
    void placesBoxesOffTheRoll()
    {
        const QRect screen(0, 0, 1024, 768), main(278, 218, 469, 348), dice(283, 297, 457, 113);
        QCOMPARE(placeBoxFrame(main, dice, QSize(215, 94), screen), QRect(405, 418, 215, 94));
        const QRect low = main.translated(0, 300), lowDice = dice.translated(0, 300);
        QCOMPARE(placeBoxFrame(low, lowDice, QSize(215, 94), screen), QRect(405, 495, 215, 94));
    }
};

QTEST_MAIN(TestAdvisorWindow)
#include "tst_advisorwindow.moc"
